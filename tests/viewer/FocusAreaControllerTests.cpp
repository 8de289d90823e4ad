// The focus area and the picture's shape on a real window and selection view,
// with the engine's property writes and the frame animations recorded.
#include "viewer/FocusAreaController.h"
#include "window/DraggableContentView.h"
#include "window/ViewerWindow.h"

#include <QTest>

#include <utility>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

const QString waitMessage =
    QStringLiteral("Wait for the camera picture, then choose the focus area again.");

class FocusAreaControl : public ::testing::Test {
protected:
    FocusAreaControl() {
        window.setGeometry(QRect(200, 150, 960, 540));
        // A fixed 960 x 540 view, whatever shape the window takes.
        view->setGeometry(0, 0, 960, 540);
        QObject::connect(view, &DraggableContentView::focusSelectionCancelled,
                         [this] { focus.focusSelectionCancelled(); });
        window.show();
    }

    QStringList takeWrites() { return std::exchange(writes, {}); }

    ViewerWindow window;
    DraggableContentView* view = new DraggableContentView(window.contentView());
    QStringList writes;
    QList<QRect> animatedFrames;
    QStringList errors;
    int changes = 0;
    FocusAreaController focus{
        window, *view,
        FocusAreaHooks{
            .setEngineProperty = [this](const QString& name,
                                        const QString& value) { writes << name + "=" + value; },
            .animateWindowFrame = [this](const QRect& frame) { animatedFrames << frame; },
            .showError = [this](const QString& message) { errors << message; },
            .stateChanged = [this] { ++changes; },
        }};
};

QStringList cropWrites(const char* crop) {
    return {QStringLiteral("video-crop=") + QString::fromLatin1(crop),
            QStringLiteral("keepaspect=no"), QStringLiteral("panscan=0")};
}
const QStringList wholePictureWrites = {
    QStringLiteral("video-crop="), QStringLiteral("keepaspect=yes"), QStringLiteral("panscan=0")};
const QStringList originalWrites = {QStringLiteral("video-crop="), QStringLiteral("keepaspect=yes"),
                                    QStringLiteral("panscan=0.0")};

TEST_F(FocusAreaControl, anAreaBecomesTheCropSecondaryClicksSwapItAndTheOriginalComesBack) {
    focus.updateWindowAspectRatio(1920, 1080, 0);
    const QRect before = window.geometry();
    focus.toggleFocusArea();
    EXPECT_TRUE(focus.isSelectingFocusArea());
    EXPECT_TRUE(view->isSelectingFocusArea());
    EXPECT_EQ(focus.focusButtonState(), FocusButtonState::cancelSelection);
    EXPECT_EQ(changes, 1);

    // The left half of the view: a tall crop, and a window of its shape.
    focus.focusSelectionCompleted(QRectF(0, 0, 480, 540), true);
    EXPECT_FALSE(focus.isSelectingFocusArea());
    ASSERT_TRUE(focus.focusCrop().has_value());
    EXPECT_EQ(focus.focusButtonState(), FocusButtonState::showOriginal);
    EXPECT_EQ(takeWrites(), cropWrites("960x1080+0+0"));
    EXPECT_EQ(focus.restoreFrameBeforeFocus(), before);
    EXPECT_EQ(window.contentAspectRatio(), QSizeF());
    EXPECT_EQ(window.currentMinimumContentSize(), QSize(160, 160));
    EXPECT_FALSE(focus.appliedVideoAspectRatio().has_value());
    ASSERT_EQ(animatedFrames.size(), 1);
    EXPECT_EQ(animatedFrames[0].height(), 540);
    EXPECT_EQ(animatedFrames[0].width(), 480);

    for (const QStringList& expected : {wholePictureWrites, cropWrites("960x1080+0+0")}) {
        focus.toggleFullCameraTemporarily();
        EXPECT_EQ(takeWrites(), expected);
        EXPECT_EQ(focus.isShowingFullCameraTemporarily(), expected == wholePictureWrites);
    }
    EXPECT_EQ(animatedFrames.size(), 1) << "secondary clicks never move the window";

    focus.toggleFocusArea();
    EXPECT_EQ(takeWrites(), originalWrites);
    EXPECT_FALSE(focus.focusCrop().has_value());
    EXPECT_EQ(focus.focusButtonState(), FocusButtonState::focusOnArea);
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(1920, 1080));
    EXPECT_EQ(window.currentMinimumContentSize(), ViewerWindow::minimumContentSize);
    EXPECT_EQ(animatedFrames.back(), before);
    EXPECT_FALSE(focus.restoreFrameBeforeFocus().has_value());
    EXPECT_TRUE(errors.isEmpty());

    // Without a crop there is nothing to swap.
    focus.toggleFullCameraTemporarily();
    EXPECT_TRUE(takeWrites().isEmpty());
}

TEST_F(FocusAreaControl, aLoadBringsBackTheOriginalViewAndForgetsThePicture) {
    for (const bool cropped : {true, false}) {
        SCOPED_TRACE(cropped);
        focus.updateWindowAspectRatio(1920, 1080, 0);
        focus.toggleFocusArea();
        if (cropped) {
            focus.focusSelectionCompleted(QRectF(240, 135, 480, 270), true);
            ASSERT_TRUE(focus.focusCrop().has_value());
        }
        takeWrites();
        focus.cameraWillLoad();
        EXPECT_EQ(takeWrites(), originalWrites);
        EXPECT_FALSE(focus.focusCrop().has_value());
        EXPECT_FALSE(focus.isSelectingFocusArea());
        EXPECT_FALSE(view->isSelectingFocusArea());
        EXPECT_FALSE(focus.sourceVideoGeometry().has_value());
        EXPECT_FALSE(focus.appliedVideoAspectRatio().has_value());
    }
    // With neither, a load leaves the engine alone.
    focus.cameraWillLoad();
    EXPECT_TRUE(takeWrites().isEmpty());
}

// On a screen of another shape the picture keeps its proportions (black bars),
// with or without a crop, and a new engine is told so before it loads.
TEST_F(FocusAreaControl, fullScreenShowsThePictureInItsOwnProportions) {
    const QStringList fittedCrop{QStringLiteral("video-crop=960x1080+0+0"),
                                 QStringLiteral("keepaspect=yes"), QStringLiteral("panscan=0")};
    focus.updateWindowAspectRatio(1920, 1080, 0);
    const struct {
        const char* what;
        std::function<void()> act;
        QStringList writes;
    } steps[] = {
        {"full screen", [&] { focus.fullScreenChanged(true); }, wholePictureWrites},
        {"a new engine in full screen", [&] { focus.cameraWillReload(); }, wholePictureWrites},
        {"a crop in full screen",
         [&] {
             focus.toggleFocusArea();
             focus.focusSelectionCompleted(QRectF(0, 0, 480, 540), true);
         },
         fittedCrop},
        {"the whole picture for a while", [&] { focus.toggleFullCameraTemporarily(); },
         wholePictureWrites},
        {"the crop again", [&] { focus.toggleFullCameraTemporarily(); }, fittedCrop},
        {"back in the window", [&] { focus.fullScreenChanged(false); }, cropWrites("960x1080+0+0")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        takeWrites();
        step.act();
        EXPECT_EQ(takeWrites(), step.writes);
    }
}

TEST_F(FocusAreaControl, aSelectionWithoutAPictureAsksToWaitAndWithoutAnEngineJustEnds) {
    const struct {
        const char* name;
        std::optional<int64_t> width, height;
        bool engine;
        QRectF selection;
        QStringList errors;
    } cases[] = {
        {"no engine", 1920, 1080, false, {100, 100, 300, 200}, {}},
        {"no picture", std::nullopt, std::nullopt, true, {100, 100, 300, 200}, {waitMessage}},
        // 12 points per picture pixel: a 12 x 12 selection is one pixel.
        {"one pixel", 80, 45, true, {120, 120, 12, 12}, {waitMessage}},
    };
    for (const auto& attempt : cases) {
        SCOPED_TRACE(attempt.name);
        focus.cameraWillLoad();
        focus.updateWindowAspectRatio(attempt.width, attempt.height, 0);
        errors.clear();
        changes = 0;
        focus.toggleFocusArea();
        focus.focusSelectionCompleted(attempt.selection, attempt.engine);
        EXPECT_EQ(errors, attempt.errors);
        EXPECT_FALSE(focus.focusCrop().has_value());
        EXPECT_FALSE(focus.isSelectingFocusArea());
        EXPECT_EQ(changes, 2);
        EXPECT_TRUE(animatedFrames.isEmpty());
    }
}

TEST_F(FocusAreaControl, cancellingTheSelectionEndsItOnceAndClosingEndsItSilently) {
    focus.toggleFocusArea();
    focus.toggleFocusArea();
    EXPECT_FALSE(focus.isSelectingFocusArea());
    EXPECT_FALSE(view->isSelectingFocusArea());
    EXPECT_EQ(changes, 2);
    focus.focusSelectionCancelled();
    EXPECT_EQ(changes, 2) << "a second report changes nothing";

    focus.toggleFocusArea();
    focus.viewerWillClose();
    EXPECT_FALSE(view->isSelectingFocusArea());
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(writes.isEmpty());
}

TEST_F(FocusAreaControl, theWindowFollowsPlausiblePictureShapesWithTheirRotation) {
    focus.updateWindowAspectRatio(1440, 1080, 0);
    ASSERT_EQ(window.contentAspectRatio(), QSizeF(1440, 1080));
    const QRect frame = window.geometry();

    // A 5 : 1 picture is recorded but not applied.
    focus.updateWindowAspectRatio(5000, 1000, 0);
    EXPECT_EQ(focus.sourceVideoGeometry(), (VideoSourceGeometry{5000, 1000, 0}));
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(1440, 1080));
    EXPECT_NEAR(*focus.appliedVideoAspectRatio(), 1440.0 / 1080.0, 1e-9);

    // Reads that fail, or sizes below one pixel, change nothing at all.
    const std::optional<int64_t> nothing;
    const struct {
        std::optional<int64_t> width, height;
    } unusable[] = {{nothing, 1080}, {1920, nothing}, {0, 1080}, {1920, -1}};
    for (const auto& picture : unusable) {
        focus.updateWindowAspectRatio(picture.width, picture.height, 0);
        EXPECT_EQ(focus.sourceVideoGeometry(), (VideoSourceGeometry{5000, 1000, 0}));
    }

    // A change of the ratio under 0.001 does not touch the window.
    focus.updateWindowAspectRatio(1441, 1080, 0);
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(1440, 1080));
    EXPECT_EQ(window.geometry(), frame);

    const struct {
        int64_t reported;
        int64_t stored;
    } rotations[] = {{-90, 270}, {360, 0}, {450, 90}, {-450, 270}, {0, 0}, {180, 180}};
    for (const auto& rotation : rotations) {
        focus.updateWindowAspectRatio(1920, 1080, rotation.reported);
        EXPECT_EQ(focus.sourceVideoGeometry()->rotation, rotation.stored) << rotation.reported;
        const bool quarterTurn = rotation.stored % 180 == 90;
        EXPECT_EQ(window.contentAspectRatio(),
                  quarterTurn ? QSizeF(1080, 1920) : QSizeF(1920, 1080));
    }

    // Restoring applies even a shape the window would not follow on its own.
    focus.updateWindowAspectRatio(100, 1000, 0);
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(1920, 1080));
    focus.toggleFocusArea();
    focus.focusSelectionCompleted(QRectF(0, 0, 960, 540), true);
    ASSERT_TRUE(focus.focusCrop().has_value());
    focus.toggleFocusArea();
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(100, 1000));
    EXPECT_DOUBLE_EQ(*focus.appliedVideoAspectRatio(), 0.1);
}

} // namespace
} // namespace rure::test
