#include "viewer/FrameCadence.h"
#include "viewer/PictureLag.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

TEST(PictureLag, growsByAStallAndNotByASlowCamerasPace) {
    PictureLag lag;
    // A camera sending one picture every two seconds: its first two pictures
    // share a stream time, which says nothing; from then on both clocks agree.
    EXPECT_EQ(lag.record(2.2, 0), 0.0);
    EXPECT_EQ(lag.record(4.2, 0), std::nullopt);
    EXPECT_EQ(lag.record(6.2, 2), 0.0);
    for (int picture = 1; picture <= 20; ++picture) {
        EXPECT_NEAR(*lag.record(6.2 + 2 * picture, 2 + 2 * picture), 0.0, 1e-9);
    }
    // Three seconds without a picture, then the stream goes on where it stopped.
    EXPECT_NEAR(*lag.record(6.2 + 2 * 20 + 3 + 2, 2 + 2 * 21), 3.0, 1e-9);
    // A more timely picture lowers the reference; a new load starts afresh.
    EXPECT_NEAR(*lag.record(60, 57), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(61, 57.5), 0.5, 1e-9);
    lag.restart();
    EXPECT_EQ(lag.record(70, 0.5), 0.0);
}

TEST(FrameCadence, aStallIsSeveralTimesTheCamerasOwnPace) {
    FrameCadence cadence;
    cadence.followCamera(QStringLiteral("rtsp://a"));
    // The pace is unknown until three gaps are in: no gap counts.
    cadence.recordInterval(1.0 / 30);
    cadence.recordInterval(1.0 / 30);
    EXPECT_FALSE(cadence.isStall(60));
    cadence.recordInterval(1.0 / 30);
    EXPECT_FALSE(cadence.isStall(1.9));
    EXPECT_TRUE(cadence.isStall(2.0));
    // One long gap among many short ones does not change the pace.
    cadence.recordInterval(5.0);
    EXPECT_NEAR(*cadence.typicalInterval(), 1.0 / 30, 1e-9);
    // The same camera keeps its pace; another starts afresh.
    cadence.followCamera(QStringLiteral("rtsp://a"));
    EXPECT_TRUE(cadence.typicalInterval().has_value());
    cadence.followCamera(QStringLiteral("rtsp://b"));
    EXPECT_FALSE(cadence.typicalInterval().has_value());
    for (int gap = 0; gap < 5; ++gap) {
        cadence.recordInterval(2.0);
    }
    EXPECT_FALSE(cadence.isStall(7.9));
    EXPECT_TRUE(cadence.isStall(8.0));
}

} // namespace
} // namespace rure
