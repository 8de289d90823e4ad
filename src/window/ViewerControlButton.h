#pragma once

#include <QAbstractButton>

class QPainter;

namespace rure {

// The ring a control over the picture draws while it has the keyboard's
// focus: the controls take focus only from Tab, so a focused one always shows it.
void paintKeyboardFocusRing(QPainter& painter, const QRectF& bounds, double radius);

// The 28 x 24 borderless buttons over the picture, which draw themselves.
class ViewerControlButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr QSize size{28, 24};

    ViewerControlButton(const QString& toolTip, QWidget* parent);
    QSize sizeHint() const override { return size; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the symbol, in white, inside the 13-point square centred in the button.
    virtual void paintSymbol(QPainter& painter, const QRectF& square) = 0;
    virtual QColor fillColour() const;
};

class PinToggleButton final : public ViewerControlButton {
    Q_OBJECT

public:
    explicit PinToggleButton(QWidget* parent = nullptr);

protected:
    void paintSymbol(QPainter& painter, const QRectF& square) override;
    QColor fillColour() const override;
};

class FocusViewerButton final : public ViewerControlButton {
    Q_OBJECT

public:
    explicit FocusViewerButton(QWidget* parent = nullptr);

    bool showsRestoreIcon = false;
    bool isSelectingArea = false;

protected:
    void paintSymbol(QPainter& painter, const QRectF& square) override;
    QColor fillColour() const override;
};

// Opens the viewer's menus from the picture, for desktops that show no menu bar.
class MainMenuButton final : public ViewerControlButton {
    Q_OBJECT

public:
    explicit MainMenuButton(QWidget* parent = nullptr);

protected:
    void paintSymbol(QPainter& painter, const QRectF& square) override;
};

class CloseViewerButton final : public ViewerControlButton {
    Q_OBJECT

public:
    explicit CloseViewerButton(QWidget* parent = nullptr);

protected:
    void paintSymbol(QPainter& painter, const QRectF& square) override;
};

} // namespace rure
