// The viewer window: building it, following the picture's aspect ratio,
// remembering its frame, and closing it.
#include "AppDelegate.h"

#include "engine/NormalizedRotation.h"
#include "engine/VideoViewChoice.h"
#include "viewer/CameraSelection.h"
#include "window/CameraPicker.h"
#include "window/DraggableContentView.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerMainMenu.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameText.h"

#include <QAbstractAnimation>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include <cmath>

namespace rure {

namespace {

constexpr double minimumAppliedRatio = 0.25;
constexpr double maximumAppliedRatio = 4.0;
constexpr double ratioTolerance = 0.001;
constexpr int emptyStateSideMargin = 80;

QLabel* makeEmptyStateLabel(QWidget* parent) {
    auto* label = new QLabel(
        QStringLiteral("No cameras are configured. Use Rure \u2192 Camera Addresses\u2026 to add a "
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

} // namespace

void AppDelegate::createWindow() {
    const std::optional<QString> savedFrame = viewerSettings_.windowFrame();

    window = new ViewerWindow();
    QPointer<AppDelegate> weakSelf(this);
    window->didMove = [weakSelf] {
        if (weakSelf) {
            weakSelf->windowDidMove();
        }
    };
    window->didResize = [weakSelf] {
        if (weakSelf) {
            weakSelf->windowDidResize();
        }
    };
    window->willClose = [weakSelf] {
        if (weakSelf) {
            weakSelf->windowWillClose();
        }
    };

    QWidget* root = window->contentView();
    const CreatedVideoView video = createVideoView(preferredVideoPresentation(), root);
    videoHost = video.widget;
    videoView = video.view;
    supervisor_->attachView(video);

    emptyStateLabel = makeEmptyStateLabel(root);
    emptyStateLabel->setVisible(selection_.isEmpty());

    interactionView = new DraggableContentView(root);
    interactionView->installEventFilter(window);
    interactionView->hoverChanged = [weakSelf](bool inside) {
        if (weakSelf) {
            weakSelf->hoverChanged(inside);
        }
    };
    interactionView->viewerControlRects = [weakSelf] {
        return weakSelf ? weakSelf->viewerControlRects() : QList<QRect>();
    };
    interactionView->secondaryClick = [weakSelf] {
        if (weakSelf) {
            weakSelf->secondaryClick();
        }
    };
    interactionView->focusSelectionCompleted = [weakSelf](QRectF selection) {
        if (weakSelf) {
            weakSelf->focusSelectionCompleted(selection);
        }
    };
    interactionView->focusSelectionCancelled = [weakSelf] {
        if (weakSelf) {
            weakSelf->focusSelectionCancelled();
        }
    };
    window->edgeResizeSuppressed = [weakSelf] {
        return weakSelf && weakSelf->interactionView &&
               (weakSelf->interactionView->isSelectingFocusArea() ||
                weakSelf->interactionView->isFinalizingFocusSelection());
    };

    cameraPicker = new CameraPicker(root);
    cameraPicker->setItems(selection_.names());
    connect(cameraPicker->pickerMenu(), &QMenu::aboutToShow, this, &AppDelegate::menuWillOpen);
    connect(cameraPicker->pickerMenu(), &QMenu::aboutToHide, this, &AppDelegate::menuDidClose);

    mainMenuButton = new MainMenuButton(root);
    stayOnTopButton = new PinToggleButton(root);
    focusViewerButton = new FocusViewerButton(root);
    closeViewerButton = new CloseViewerButton(root);
    connect(mainMenuButton, &QAbstractButton::clicked, this, &AppDelegate::showMainMenuFromButton);
    connect(stayOnTopButton, &QAbstractButton::clicked, this, &AppDelegate::toggleStayOnTop);
    connect(closeViewerButton, &QAbstractButton::clicked, this, &AppDelegate::closeCameraViewer);
    connect(focusViewerButton, &QAbstractButton::clicked, this, &AppDelegate::toggleFocusArea);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [weakSelf](Qt::ApplicationState state) {
                if (weakSelf && state != Qt::ApplicationActive) {
                    weakSelf->applicationDidResignActive();
                }
            });
    const bool staysOnTop = viewerSettings_.staysOnTop();
    stayOnTopButton->setChecked(staysOnTop);
    window->setStaysOnTop(staysOnTop);

    for (QWidget* control : viewerControls()) {
        makeInvisible(control);
    }

    // Back to front: the picture, the pointer surface, the empty-state text,
    // then the controls.
    for (QWidget* view :
         {static_cast<QWidget*>(videoHost.data()), static_cast<QWidget*>(interactionView.data()),
          static_cast<QWidget*>(emptyStateLabel.data()), static_cast<QWidget*>(cameraPicker.data()),
          static_cast<QWidget*>(mainMenuButton.data()),
          static_cast<QWidget*>(stayOnTopButton.data()),
          static_cast<QWidget*>(focusViewerButton.data()),
          static_cast<QWidget*>(closeViewerButton.data())}) {
        view->raise();
    }

    cameraPicker->selectItem(selection_.selectedIndex());
    styleCameraPickerMenu();

    if (!savedFrame || !window->restoreFrame(*savedFrame)) {
        window->centreOnScreen();
    }
    layoutViewerContent();
    installMainMenu();

    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::layoutViewerContent() {
    if (!window) {
        return;
    }
    const QRect bounds = window->contentView()->rect();
    if (videoHost) {
        videoHost->setGeometry(bounds);
    }
    if (interactionView) {
        interactionView->setGeometry(bounds);
    }
    if (emptyStateLabel) {
        const int width = std::max(0, bounds.width() - 2 * emptyStateSideMargin);
        const int height =
            std::min(emptyStateLabel->heightForWidth(width), emptyStateLabel->maximumHeight());
        QRect labelFrame(0, 0, width, std::max(height, 0));
        labelFrame.moveCenter(bounds.center());
        emptyStateLabel->setGeometry(labelFrame);
    }
    updateViewerControlLayout();
}

void AppDelegate::updateWindowAspectRatio(PlaybackEngine& engine) {
    const std::optional<int64_t> width = engine.integerProperty("video-params/w");
    const std::optional<int64_t> height = engine.integerProperty("video-params/h");
    const int64_t rotation = engine.integerProperty("video-params/rotate").value_or(0);
    if (!width || !height || *width < 1 || *height < 1) {
        return;
    }
    const VideoSourceGeometry geometry{*width, *height, normalizedRotation(rotation)};
    sourceVideoGeometry = geometry;
    if (focusCrop) {
        // While a crop is applied the window's shape follows the crop.
        return;
    }

    const QSizeF displayed = geometry.displayedSize();
    const double ratio = displayed.width() / displayed.height();
    if (!std::isfinite(ratio) || ratio < minimumAppliedRatio || ratio > maximumAppliedRatio) {
        return;
    }
    if (appliedVideoAspectRatio && std::abs(*appliedVideoAspectRatio - ratio) < ratioTolerance) {
        return;
    }
    if (window) {
        window->setContentAspectRatio(displayed);
    }
    appliedVideoAspectRatio = ratio;
}

ViewerWindow* AppDelegate::viewerWindow() const {
    return window;
}

void AppDelegate::windowDidMove() {
    saveWindowFrame();
}

void AppDelegate::windowDidResize() {
    layoutViewerContent();
    saveWindowFrame();
}

void AppDelegate::saveWindowFrame() {
    if (!window || isTemporarilyMaximized || !window->isVisible()) {
        return;
    }
    viewerSettings_.setWindowFrame(windowFrameText(window->geometry()));
}

void AppDelegate::windowWillClose() {
    isClosingViewer = true;
    if (interactionView) {
        interactionView->cancelFocusSelection(false);
    }
    if (controlsFade_) {
        controlsFade_->stop();
    }
    supervisor_->viewerWillClose();
    cameraMenuIsOpen = false;
    pointerIsOverViewer = false;
}

void AppDelegate::styleCameraPickerMenu() {
    if (!cameraPicker) {
        return;
    }
    QPointer<AppDelegate> weakSelf(this);
    cameraPicker->styleMenu([weakSelf](qsizetype index) {
        if (weakSelf) {
            weakSelf->selectCamera(index);
        }
    });
    cameraPicker->refreshMenuSelection();
}

} // namespace rure
