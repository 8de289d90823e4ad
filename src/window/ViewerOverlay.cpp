#include "ViewerOverlay.h"

#include "window/CameraPicker.h"
#include "window/OverlayNotice.h"
#include "window/StatusLine.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerControlLayout.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include <algorithm>

namespace rure {

namespace {

const QString focusOnAreaLabel = QStringLiteral("Focus on an Area");
const QString cancelSelectionLabel = QStringLiteral("Cancel Area Selection");
const QString showOriginalLabel = QStringLiteral("Show Original View");

// Below this opacity a control counts as gone for the pointer.
constexpr double visibleAlpha = 0.01;
constexpr int emptyStateSideMargin = 80;

QLabel* makeEmptyStateLabel(QWidget* parent) {
    auto* label = new QLabel(
        QStringLiteral("No cameras are configured. Press Ctrl+, or use the menu button to add a "
                       "camera or import a Rure camera list."),
        parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(15);
    font.setWeight(QFont::Medium);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 140));
    label->setPalette(palette);
    // At most three lines.
    label->setMaximumHeight(label->fontMetrics().lineSpacing() * 3 + 2);
    return label;
}

void makeInvisible(QWidget* control) {
    auto* effect = new QGraphicsOpacityEffect(control);
    effect->setOpacity(0.0);
    control->setGraphicsEffect(effect);
    control->setEnabled(false);
    control->hide();
}

QGraphicsOpacityEffect* opacityOf(QWidget* control) {
    return qobject_cast<QGraphicsOpacityEffect*>(control->graphicsEffect());
}

void setButtonLabel(QWidget* button, const QString& label) {
    button->setToolTip(label);
    button->setAccessibleName(label);
}

} // namespace

ViewerOverlay::ViewerOverlay(QWidget& root)
    : root_(root), emptyStateLabel_(makeEmptyStateLabel(&root)), statusLine_(new StatusLine(&root)),
      notice_(new OverlayNotice(&root)), cameraPicker_(new CameraPicker(&root)),
      mainMenuButton_(new MainMenuButton(&root)), stayOnTopButton_(new PinToggleButton(&root)),
      focusViewerButton_(new FocusViewerButton(&root)),
      closeViewerButton_(new CloseViewerButton(&root)) {
    // The picker's own signals: its menu is a new one for each new list.
    connect(cameraPicker_, &CameraPicker::menuAboutToShow, this, &ViewerOverlay::menuWillOpen);
    connect(cameraPicker_, &CameraPicker::menuAboutToHide, this, &ViewerOverlay::menuDidClose);
    connect(mainMenuButton_, &QAbstractButton::clicked, this, &ViewerOverlay::menuButtonPressed);
    connect(stayOnTopButton_, &QAbstractButton::clicked, this, &ViewerOverlay::stayOnTopToggled);
    connect(closeViewerButton_, &QAbstractButton::clicked, this,
            &ViewerOverlay::closeButtonPressed);
    connect(focusViewerButton_, &QAbstractButton::clicked, this,
            &ViewerOverlay::focusButtonPressed);

    for (QWidget* control : viewerControls()) {
        makeInvisible(control);
        control->installEventFilter(this);
    }
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { keyboardFocusChanged(now); });
    // Back to front: whatever the root already holds (the picture and the
    // pointer surface), the empty-state text, the status line, then the
    // controls. The text lets the pointer through to the surface: drags and
    // double-clicks work on it.
    emptyStateLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyStateLabel_->raise();
    keepViewerControlsInFront();
}

ViewerOverlay::~ViewerOverlay() = default;

QList<QWidget*> ViewerOverlay::viewerControls() const {
    return {cameraPicker_, mainMenuButton_, stayOnTopButton_, focusViewerButton_,
            closeViewerButton_};
}

CameraPicker* ViewerOverlay::cameraPicker() const {
    return cameraPicker_;
}

MainMenuButton* ViewerOverlay::mainMenuButton() const {
    return mainMenuButton_;
}

PinToggleButton* ViewerOverlay::stayOnTopButton() const {
    return stayOnTopButton_;
}

FocusViewerButton* ViewerOverlay::focusViewerButton() const {
    return focusViewerButton_;
}

CloseViewerButton* ViewerOverlay::closeViewerButton() const {
    return closeViewerButton_;
}

QLabel* ViewerOverlay::emptyStateLabel() const {
    return emptyStateLabel_;
}

StatusLine* ViewerOverlay::statusLine() const {
    return statusLine_;
}

OverlayNotice* ViewerOverlay::notice() const {
    return notice_;
}

void ViewerOverlay::showStatus(const QString& text, std::function<void()> clickAction) {
    statusText_ = text;
    statusClickAction_ = std::move(clickAction);
    refreshStatusLine();
}

void ViewerOverlay::setStreamNote(const QString& note) {
    if (note != streamNote_) {
        streamNote_ = note;
        refreshStatusLine();
    }
}

void ViewerOverlay::refreshStatusLine() {
    if (isClosingViewer_) {
        return;
    }
    if (!statusText_.isEmpty()) {
        statusLine_->showText(statusText_);
        statusLine_->setClickAction(statusClickAction_);
        return;
    }
    statusLine_->showText(viewerControlsAreVisible_ ? streamNote_ : QString());
    statusLine_->setClickAction({});
}

void ViewerOverlay::showNotice(const QString& text) {
    if (!isClosingViewer_) {
        notice_->showNotice(text);
        keepViewerControlsInFront();
    }
}

void ViewerOverlay::showCameras(const QStringList& names, qsizetype selected) {
    hasCameras_ = !names.isEmpty();
    cameraPicker_->setItems(names);
    cameraPicker_->selectItem(selected);
    // The picker belongs to the root, which outlives this overlay by a moment.
    QPointer<ViewerOverlay> weakSelf(this);
    cameraPicker_->styleMenu([weakSelf](qsizetype index) {
        if (weakSelf) {
            emit weakSelf->cameraChosen(index);
        }
    });
    cameraPicker_->refreshMenuSelection();
    emptyStateLabel_->setVisible(!hasCameras_);
    // The first camera may arrive while the controls are up.
    enableControls();
}

void ViewerOverlay::showSelectedCamera(qsizetype index) {
    cameraPicker_->selectItem(index);
    cameraPicker_->refreshMenuSelection();
}

qsizetype ViewerOverlay::selectedCameraIndex() const {
    return cameraPicker_->selectedIndex();
}

void ViewerOverlay::setStaysOnTop(bool pinned) {
    stayOnTopButton_->setChecked(pinned);
}

bool ViewerOverlay::staysOnTop() const {
    return stayOnTopButton_->isChecked();
}

void ViewerOverlay::setFocusButtonState(FocusButtonState state) {
    focusViewerButton_->showsRestoreIcon = state == FocusButtonState::showOriginal;
    focusViewerButton_->isSelectingArea = state == FocusButtonState::cancelSelection;
    switch (state) {
    case FocusButtonState::focusOnArea:
        setButtonLabel(focusViewerButton_, focusOnAreaLabel);
        break;
    case FocusButtonState::cancelSelection:
        setButtonLabel(focusViewerButton_, cancelSelectionLabel);
        break;
    case FocusButtonState::showOriginal:
        setButtonLabel(focusViewerButton_, showOriginalLabel);
        break;
    }
    focusViewerButton_->update();
}

void ViewerOverlay::setSelectingFocusArea(bool selecting) {
    isSelectingFocusArea_ = selecting;
    updateViewerControls();
}

void ViewerOverlay::focusControls(bool first) {
    if (isClosingViewer_) {
        return;
    }
    keyboardIsInControls_ = true;
    updateViewerControls();
    QList<QWidget*> controls = viewerControls();
    if (!first) {
        std::reverse(controls.begin(), controls.end());
    }
    const auto target = std::find_if(controls.cbegin(), controls.cend(),
                                     [](const QWidget* control) { return control->isEnabled(); });
    if (target != controls.cend()) {
        (*target)->setFocus(first ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    }
}

void ViewerOverlay::keyboardFocusChanged(QWidget* now) {
    const bool inControls = now != nullptr && viewerControls().contains(now);
    if (inControls != keyboardIsInControls_ && !isClosingViewer_) {
        keyboardIsInControls_ = inControls;
        updateViewerControls();
    }
}

bool ViewerOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (auto* control = qobject_cast<QWidget*>(watched); control && control->hasFocus()) {
            control->clearFocus();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ViewerOverlay::hoverChanged(bool pointerInside) {
    if (isClosingViewer_) {
        return;
    }
    pointerIsOverViewer_ =
        pointerInside && QGuiApplication::applicationState() == Qt::ApplicationActive;
    updateViewerControls();
}

void ViewerOverlay::applicationDidResignActive() {
    if (isClosingViewer_) {
        return;
    }
    pointerIsOverViewer_ = false;
    cameraMenuIsOpen_ = false;
    updateViewerControls();
}

void ViewerOverlay::updateViewerControls() {
    if (isClosingViewer_) {
        return;
    }
    keepViewerControlsInFront();
    const bool show =
        pointerIsOverViewer_ || cameraMenuIsOpen_ || isSelectingFocusArea_ || keyboardIsInControls_;
    if (show == viewerControlsAreVisible_) {
        return;
    }
    viewerControlsAreVisible_ = show;
    enableControls();
    refreshStatusLine();
    for (QWidget* control : viewerControls()) {
        // A fading-out control no longer takes the pointer from the picture.
        control->setAttribute(Qt::WA_TransparentForMouseEvents, !show);
        if (show) {
            control->show();
        }
    }
    fadeViewerControls(show);
}

void ViewerOverlay::enableControls() {
    const bool show = viewerControlsAreVisible_;
    cameraPicker_->setEnabled(show && hasCameras_);
    focusViewerButton_->setEnabled(show && hasCameras_);
    stayOnTopButton_->setEnabled(show);
    mainMenuButton_->setEnabled(show);
    closeViewerButton_->setEnabled(show);
}

void ViewerOverlay::fadeViewerControls(bool show) {
    if (controlsFade_) {
        controlsFade_->stop();
        delete controlsFade_;
    }
    auto* fade = new QParallelAnimationGroup(this);
    for (QWidget* control : viewerControls()) {
        if (QGraphicsOpacityEffect* effect = opacityOf(control)) {
            auto* animation = new QPropertyAnimation(effect, "opacity", fade);
            animation->setDuration(fadeMilliseconds);
            animation->setEasingCurve(show ? QEasingCurve::OutQuad : QEasingCurve::InQuad);
            animation->setEndValue(show ? 1.0 : 0.0);
            fade->addAnimation(animation);
        }
    }
    connect(fade, &QAbstractAnimation::finished, this, [this] {
        if (!viewerControlsAreVisible_) {
            for (QWidget* control : viewerControls()) {
                control->hide();
            }
        }
    });
    controlsFade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

bool ViewerOverlay::isFading() const {
    return controlsFade_ && controlsFade_->state() == QAbstractAnimation::Running;
}

void ViewerOverlay::keepViewerControlsInFront() {
    // The status line and the notice over the picture, the controls over everything.
    statusLine_->raise();
    notice_->raise();
    for (QWidget* control : viewerControls()) {
        control->raise();
    }
}

void ViewerOverlay::menuWillOpen() {
    cameraMenuIsOpen_ = true;
    cameraPicker_->refreshMenuSelection();
    updateViewerControls();
}

void ViewerOverlay::menuDidClose() {
    cameraMenuIsOpen_ = false;
    updateViewerControls();
}

void ViewerOverlay::trackMenu(QMenu& menu) {
    connect(&menu, &QMenu::aboutToShow, this, &ViewerOverlay::menuWillOpen);
    connect(&menu, &QMenu::aboutToHide, this, &ViewerOverlay::menuDidClose);
}

void ViewerOverlay::viewerWillClose() {
    isClosingViewer_ = true;
    if (controlsFade_) {
        controlsFade_->stop();
    }
    cameraMenuIsOpen_ = false;
    pointerIsOverViewer_ = false;
    notice_->dismiss();
}

void ViewerOverlay::layOut() {
    const QRect bounds = root_.rect();
    const int width = std::max(0, bounds.width() - 2 * emptyStateSideMargin);
    const int height =
        std::min(emptyStateLabel_->heightForWidth(width), emptyStateLabel_->maximumHeight());
    QRect labelFrame(0, 0, width, std::max(height, 0));
    labelFrame.moveCenter(bounds.center());
    emptyStateLabel_->setGeometry(labelFrame);
    if (statusLine_->isVisible()) {
        statusLine_->placeIn(root_.size());
    }
    if (notice_->isVisible()) {
        notice_->placeIn(root_.size());
    }
    updateViewerControlLayout();
}

void ViewerOverlay::updateViewerControlLayout() {
    const QSize content = root_.size();
    usesCompactViewerControls_ = usesCompactLayout(content.width());
    const ViewerControlFrames frames = layoutViewerControls(
        content, cameraPicker_->sizeHint().width(), usesCompactViewerControls_, controlsTopInset_);
    const std::pair<QWidget*, QRect> placements[] = {{cameraPicker_, frames.picker},
                                                     {mainMenuButton_, frames.menu},
                                                     {stayOnTopButton_, frames.pin},
                                                     {focusViewerButton_, frames.focus},
                                                     {closeViewerButton_, frames.close}};
    for (const auto& [control, frame] : placements) {
        control->setGeometry(frame);
    }
}

void ViewerOverlay::setControlsTopInset(int inset) {
    controlsTopInset_ = std::max(inset, 0);
    updateViewerControlLayout();
}

QList<QRect> ViewerOverlay::viewerControlRects(const QWidget& surface) const {
    QList<QRect> rects;
    QWidget* top = surface.window();
    for (QWidget* control : viewerControls()) {
        const QGraphicsOpacityEffect* effect = opacityOf(control);
        const double alpha = effect ? effect->opacity() : 1.0;
        if (!control->isHidden() && alpha > visibleAlpha) {
            rects << QRect(surface.mapFrom(top, control->mapTo(top, QPoint(0, 0))),
                           control->size());
        }
    }
    return rects;
}

void ViewerOverlay::popUpUnderMenuButton(QMenu& menu) const {
    menu.popup(mainMenuButton_->mapToGlobal(QPoint(0, mainMenuButton_->height() + 4)));
}

} // namespace rure
