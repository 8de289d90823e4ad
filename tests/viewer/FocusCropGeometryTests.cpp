// The selection-to-crop conversion, the window shape for a crop, and the
// engine-side stand-in for "video-crop", checked against each other.
#include "engine/VideoCropEmulation.h"
#include "viewer/VideoFocusCrop.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rure {
namespace {

// The examples describe selections with y growing upward; views here grow downward.
QRectF fromYUp(double x, double y, double width, double height, double viewHeight) {
    return QRectF(x, viewHeight - y - height, width, height);
}

TEST(FocusCropGeometry, SelectionsBecomeCropTextsForEveryRotation) {
    struct Case {
        const char* name;
        VideoSourceGeometry picture;
        QSizeF view;
        QRectF selection; // y upward
        QString text;
    };
    const Case cases[] = {
        {"upright centre quarter",
         {1920, 1080, 0},
         {960, 540},
         {240, 135, 480, 270},
         QStringLiteral("960x540+480+270")},
        {"quarter turn, top half of the shown picture",
         {1920, 1080, 90},
         {540, 960},
         {0, 480, 270, 480},
         QStringLiteral("960x540+0+540")},
        {"half turn, shown top-left quarter",
         {1920, 1080, 180},
         {960, 540},
         {0, 270, 480, 270},
         QStringLiteral("960x540+960+540")},
        {"three-quarter turn, shown top-left quarter",
         {1920, 1080, 270},
         {540, 960},
         {0, 480, 270, 480},
         QStringLiteral("960x540+960+0")},
        {"whole view",
         {1280, 720, 0},
         {640, 360},
         {0, 0, 640, 360},
         QStringLiteral("1280x720+0+0")},
    };
    for (const Case& c : cases) {
        const QRectF selection = fromYUp(c.selection.x(), c.selection.y(), c.selection.width(),
                                         c.selection.height(), c.view.height());
        const std::optional<VideoFocusCrop> crop =
            focusCropForSelection(selection, c.view, c.picture);
        ASSERT_TRUE(crop.has_value()) << c.name;
        EXPECT_EQ(crop->engineText(), c.text) << c.name;
        EXPECT_EQ(crop->sourceSize, QSizeF(static_cast<double>(c.picture.width),
                                           static_cast<double>(c.picture.height)))
            << c.name;
    }
}

TEST(FocusCropGeometry, PictureCoveringAWiderViewIsCroppedAtItsCentre) {
    // A 4:3 picture in a 16:9 view is scaled to cover it; the top and bottom
    // of the picture lie outside the view.
    const VideoSourceGeometry picture{640, 480, 0};
    const QSizeF view(1280, 720); // scale 2, picture 1280 x 960, offY -120
    const auto crop = focusCropForSelection(QRectF(0, 0, 1280, 720), view, picture);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->engineText(), QStringLiteral("640x360+0+60"));
}

TEST(FocusCropGeometry, SelectionsCoveringTooFewPixelsFail) {
    // 12 points per picture pixel: a 12 x 12 point selection is one pixel.
    const VideoSourceGeometry tiny{160, 90, 0};
    EXPECT_FALSE(focusCropForSelection(fromYUp(120, 120, 12, 12, 1080), {1920, 1080}, tiny));
    // Two pixels on each side is the smallest crop.
    EXPECT_TRUE(focusCropForSelection(QRectF(120, 120, 24, 24), {1920, 1080}, tiny));
    // Empty views and pictures.
    EXPECT_FALSE(focusCropForSelection(QRectF(0, 0, 50, 50), {0, 540}, {1920, 1080, 0}));
    EXPECT_FALSE(focusCropForSelection(QRectF(0, 0, 50, 50), {960, 540}, {0, 1080, 0}));
}

TEST(FocusCropGeometry, EdgesSnapOutwardAndStayInsideThePicture) {
    const VideoSourceGeometry picture{1920, 1080, 0};
    // Half-pixel edges widen the crop to whole pixels.
    auto crop = focusCropForSelection(QRectF(10.25, 20.75, 100.0, 50.0), {1920, 1080}, picture);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->engineText(), QStringLiteral("101x51+10+20"));
    // A selection reaching past the view's edges ends at the picture's edges.
    crop = focusCropForSelection(QRectF(-40, -40, 5000, 5000), {1920, 1080}, picture);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->engineText(), QStringLiteral("1920x1080+0+0"));
    // A selection in the last pixels keeps at least two of them.
    crop = focusCropForSelection(QRectF(1918.5, 1078.5, 30, 30), {1920, 1080}, picture);
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->engineText(), QStringLiteral("2x2+1918+1078"));
}

TEST(FocusCropGeometry, WindowTakesTheShownCropsProportion) {
    const QRectF visible(0, 0, 1440, 875);
    // A quarter-turned picture shows a 960 x 540 crop as 540 : 960.
    const VideoFocusCrop crop{0, 540, 960, 540, {1920, 1080}};
    EXPECT_DOUBLE_EQ(displayedCropRatio(crop, 90), 540.0 / 960.0);
    EXPECT_DOUBLE_EQ(displayedCropRatio(crop, 0), 960.0 / 540.0);

    // The height stays; the width follows; the frame keeps its centre.
    auto frame = focusedWindowFrame(QRectF(200, 100, 960, 540), 540.0 / 960.0, visible, 160);
    ASSERT_TRUE(frame);
    EXPECT_DOUBLE_EQ(frame->height(), 540);
    EXPECT_DOUBLE_EQ(frame->width(), 540 * 540.0 / 960.0);
    EXPECT_DOUBLE_EQ(frame->center().x(), 680);
    EXPECT_DOUBLE_EQ(frame->center().y(), 370);

    // Too wide for the screen: the width is the screen's, the height follows.
    frame = focusedWindowFrame(QRectF(0, 0, 800, 600), 4.0, visible, 160);
    ASSERT_TRUE(frame);
    EXPECT_DOUBLE_EQ(frame->width(), 1440);
    EXPECT_DOUBLE_EQ(frame->height(), 360);
    EXPECT_DOUBLE_EQ(frame->left(), 0);

    // Never below the smallest frame, and pushed back inside the visible area.
    frame = focusedWindowFrame(QRectF(1300, 800, 200, 100), 0.1, visible, 160);
    ASSERT_TRUE(frame);
    EXPECT_DOUBLE_EQ(frame->width(), 160);
    EXPECT_DOUBLE_EQ(frame->height(), 160);
    EXPECT_DOUBLE_EQ(frame->right(), 1440);
    EXPECT_DOUBLE_EQ(frame->bottom(), 875);

    EXPECT_FALSE(focusedWindowFrame(QRectF(0, 0, 100, 100), 0.0, visible, 160));
    EXPECT_FALSE(focusedWindowFrame(QRectF(0, 0, 100, 100), std::nan(""), visible, 160));
}

TEST(FocusCropGeometry, EngineStandInCropsTheDecodedPictureOrRefuses) {
    // Every crop the selection can produce becomes a filter on the same pixels.
    const VideoSourceGeometry picture{1920, 1080, 90};
    const auto crop = focusCropForSelection(QRectF(0, 0, 270, 480), {540, 960}, picture);
    ASSERT_TRUE(crop);
    EXPECT_EQ(videoCropFilter(crop->engineText(), picture.width, picture.height),
              QStringLiteral("lavfi-crop=w=960:h=540:x=0:y=540:exact=1"));
    EXPECT_EQ(videoCropFilter(QStringLiteral("2x2+1918+1078"), 1920, 1080),
              QStringLiteral("lavfi-crop=w=2:h=2:x=1918:y=1078:exact=1"));
    // No crop: the filter chain is emptied.
    EXPECT_EQ(videoCropFilter(QString(), 1920, 1080), QString());

    for (const char* text : {"960x540", "960x540+1+", "x540+0+0", "-960x540+0+0", "960x540+0+0 ",
                             "960X540+0+0", "0x540+0+0", "960x540+961+0", "960x541+0+540",
                             "\uff11920x1080+0+0", "99999999999x1+0+0", "2x2+0+0;vf=x"}) {
        EXPECT_FALSE(videoCropFilter(QString::fromUtf8(text), 1920, 1080)) << text;
    }
    // Before the engine knows the picture, nothing can be checked, so nothing is set.
    EXPECT_FALSE(videoCropFilter(QStringLiteral("2x2+0+0"), 0, 1080));
}

} // namespace
} // namespace rure
