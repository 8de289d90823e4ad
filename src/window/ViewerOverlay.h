#pragma once

#include "window/FocusButtonState.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>

class QAbstractAnimation;
class QLabel;
class QMenu;
class QWidget;

namespace rure {

class CameraPicker;
class CloseViewerButton;
class FocusViewerButton;
class MainMenuButton;
class OverlayNotice;
class PinToggleButton;
class StatusLine;

// The controls over the picture: the camera picker, the menu button, the Stay
// on Top pin, the focus button and the close button, plus the text shown when
// there is no camera, the status line and the short notices that go by
// themselves. It builds them, lays them out, and shows them while the
// pointer is over the picture, a menu of theirs is open or an area is being
// selected; otherwise they fade out and let the pointer through. It stores
// nothing: what the user does is reported through the callbacks below, and
// what it shows is passed in by its owner. Lives on the GUI thread.
class ViewerOverlay final : public QObject {
    Q_OBJECT

public:
    static constexpr int fadeMilliseconds = 200;

    // Creates the empty-state text and the controls in `root`, in front of
    // every view it already holds; the controls start invisible and disabled.
    // The widgets belong to `root`, which must outlive this object.
    explicit ViewerOverlay(QWidget& root);
    ~ViewerOverlay() override;

    // The cameras the picker lists, with `selected` marked. Without cameras the
    // empty-state text shows, and the picker and the focus button stay off the
    // next time the controls appear.
    void showCameras(const QStringList& names, qsizetype selected);
    // The status line in the picture's corner; empty hides it. With
    // `clickAction`, a click on the line runs it.
    void showStatus(const QString& text, std::function<void()> clickAction = {});
    // A word on what plays, shown in the status line while the controls are
    // up and the line has nothing else to say; empty for none.
    void setStreamNote(const QString& note);
    // A short confirmation over the picture that goes by itself.
    void showNotice(const QString& text);
    // Marks `index` in the picker and its menu.
    void showSelectedCamera(qsizetype index);
    // The camera the picker marks; -1 without cameras.
    qsizetype selectedCameraIndex() const;
    // The pin's state, set without reporting it.
    void setStaysOnTop(bool pinned);
    bool staysOnTop() const;
    void setFocusButtonState(FocusButtonState state);
    // While an area is being selected the controls stay up. Applies the rule.
    void setSelectingFocusArea(bool selecting);
    // Tab or Shift+Tab reached the window: the controls come up and the first
    // (or last) that works takes the keyboard. They stay up while one of them
    // has it; Escape gives it back to the picture.
    void focusControls(bool first);

    // The visibility rule.
    void hoverChanged(bool pointerInside);
    void applicationDidResignActive();
    void updateViewerControls();
    void keepViewerControlsInFront();
    void menuWillOpen();
    void menuDidClose();
    // Keeps the controls up while `menu` is open.
    void trackMenu(QMenu& menu);
    // The viewer is closing: the fade stops and nothing changes any more.
    void viewerWillClose();

    // Places the empty-state text and the controls in the root's current size.
    void layOut();
    void updateViewerControlLayout();
    // Moves the controls down by `inset` points, below something that covers
    // the top of the root (the menu bar while it shows); 0 puts them back.
    void setControlsTopInset(int inset);
    int controlsTopInset() const { return controlsTopInset_; }
    // The frames of the controls that can be seen now, in `surface`'s
    // coordinates; `surface` is a view of the same window.
    QList<QRect> viewerControlRects(const QWidget& surface) const;
    // Opens `menu` as a pop-up under the menu button.
    void popUpUnderMenuButton(QMenu& menu) const;

    bool viewerControlsAreVisible() const { return viewerControlsAreVisible_; }
    bool pointerIsOverViewer() const { return pointerIsOverViewer_; }
    bool cameraMenuIsOpen() const { return cameraMenuIsOpen_; }
    bool usesCompactViewerControls() const { return usesCompactViewerControls_; }
    bool isFading() const;
    bool keyboardIsInControls() const { return keyboardIsInControls_; }

    // The views, for placing things next to them and for tests.
    CameraPicker* cameraPicker() const;
    MainMenuButton* mainMenuButton() const;
    PinToggleButton* stayOnTopButton() const;
    FocusViewerButton* focusViewerButton() const;
    CloseViewerButton* closeViewerButton() const;
    QLabel* emptyStateLabel() const;
    StatusLine* statusLine() const;
    OverlayNotice* notice() const;
    // The controls that still exist, from back to front.
    QList<QWidget*> viewerControls() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // What the user does. `cameraChosen` comes after the picker's menu has closed.
    void cameraChosen(qsizetype index);
    void menuButtonPressed();
    void stayOnTopToggled(bool pinned);
    void focusButtonPressed();
    void closeButtonPressed();

private:
    // Controls that are up work, but the camera ones only with cameras.
    void enableControls();
    void fadeViewerControls(bool show);
    // The status line: the playback status, or else the stream note while the controls are up.
    void refreshStatusLine();
    void keyboardFocusChanged(QWidget* now);

    // The root and the widgets made in it outlive this overlay.
    QWidget& root_;
    QLabel* emptyStateLabel_;
    StatusLine* statusLine_;
    OverlayNotice* notice_;
    CameraPicker* cameraPicker_;
    MainMenuButton* mainMenuButton_;
    PinToggleButton* stayOnTopButton_;
    FocusViewerButton* focusViewerButton_;
    CloseViewerButton* closeViewerButton_;
    QPointer<QAbstractAnimation> controlsFade_;
    int controlsTopInset_ = 0;
    QString statusText_;
    std::function<void()> statusClickAction_;
    QString streamNote_;
    bool hasCameras_ = false;
    bool isSelectingFocusArea_ = false;
    bool isClosingViewer_ = false;
    bool usesCompactViewerControls_ = false;
    bool pointerIsOverViewer_ = false;
    bool cameraMenuIsOpen_ = false;
    bool keyboardIsInControls_ = false;
    bool viewerControlsAreVisible_ = false;
};

} // namespace rure
