#include "viewer/StreamChoice.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

const QSize fullHd(1920, 1080);

TEST(StreamChoice, theSmallStreamWhileTheWindowIsSmallUnlessTheFullPictureIsNeeded) {
    const struct {
        const char* what;
        StreamChoiceInput input;
        CameraStream current;
        CameraStream chosen;
    } cases[] = {
        {"a small window",
         {fullHd, {480, 270}, true, false},
         CameraStream::main,
         CameraStream::small},
        {"a large window",
         {fullHd, {1600, 900}, true, false},
         CameraStream::small,
         CameraStream::main},
        {"no small stream",
         {fullHd, {480, 270}, false, false},
         CameraStream::small,
         CameraStream::main},
        {"full screen, maximum, area or snapshot",
         {fullHd, {480, 270}, true, true},
         CameraStream::small,
         CameraStream::main},
        {"the main picture's size not yet known",
         {{}, {480, 270}, true, false},
         CameraStream::small,
         CameraStream::main},
        {"between the lines the current stays (small)",
         {fullHd, {1280, 720}, true, false},
         CameraStream::small,
         CameraStream::small},
        {"between the lines the current stays (main)",
         {fullHd, {1280, 720}, true, false},
         CameraStream::main,
         CameraStream::main},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chooseStream(c.input, c.current), c.chosen) << c.what;
    }
}

TEST(StreamChoice, aSlowResizeAcrossTheLineSwitchesOnceEachWay) {
    for (const int step : {4, -4}) {
        SCOPED_TRACE(step > 0 ? "growing" : "shrinking");
        CameraStream current = step > 0 ? CameraStream::small : CameraStream::main;
        int switches = 0;
        // Back and forth by a few pixels on the way, as a hand on the edge does.
        for (int width = step > 0 ? 400 : 1900; width >= 400 && width <= 1900; width += step) {
            for (const int jitter : {0, -6, 6, 0}) {
                const int w = width + jitter;
                const CameraStream next =
                    chooseStream({fullHd, {w, w * 9 / 16}, true, false}, current);
                switches += next != current;
                current = next;
            }
        }
        EXPECT_EQ(switches, 1);
    }
}

} // namespace
} // namespace rure::test
