#include "viewer/CatchUpPacing.h"
#include "viewer/FrameCadence.h"
#include "viewer/PictureLag.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_NEAR(*lag.record(6.2 + 2 * 20 + 3 + 2, 2 + 2 * 21), 3.0, 0.01);
    // Once the clock has moved, a repeated time keeps what was measured.
    EXPECT_EQ(lag.record(52, 44), std::nullopt);
    EXPECT_NEAR(*lag.record(52.2, 45), 3.0, 0.01);
    // A more timely picture lowers the reference; a new load starts afresh.
    EXPECT_NEAR(*lag.record(60, 57), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(61, 57.5), 0.5, 0.01);
    lag.restart();
    EXPECT_EQ(lag.record(70, 0.5), 0.0);
}

TEST(PictureLag, aCameraClockThatRunsSlightlySlowNeverAddsUpToALag) {
    // 500 parts per million slow, read every five seconds for two days.
    PictureLag lag;
    double worst = 0;
    for (double wall = 0; wall < 2 * 86400; wall += 5) {
        worst = std::max(worst, lag.record(wall, wall * 0.9995).value_or(0));
    }
    EXPECT_LT(worst, 0.01);
    // A stall still counts in full.
    EXPECT_NEAR(*lag.record(2 * 86400 + 5, 2 * 86400 * 0.9995 + 0.033), 5.0, 0.1);
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

TEST(CatchUpPacing, catchUpsThatKeepComingWaitLongerEachTime) {
    CatchUpPacing pacing;
    SteadyTime now{};
    const auto after = [&](double seconds) {
        now += std::chrono::duration_cast<SteadyTime::duration>(Seconds(seconds));
        return pacing.allow(now);
    };
    // Three in a row run at once.
    EXPECT_TRUE(after(0));
    EXPECT_TRUE(after(5));
    EXPECT_TRUE(after(5));
    // Then 30 s, 60 s, 120 s... up to ten minutes apart.
    EXPECT_FALSE(after(5));
    EXPECT_TRUE(after(25));
    EXPECT_FALSE(after(59));
    EXPECT_TRUE(after(1));
    for (const double spacing : {120.0, 240.0, 480.0, 600.0, 600.0}) {
        SCOPED_TRACE(spacing);
        EXPECT_FALSE(after(spacing - 1));
        EXPECT_TRUE(after(1));
    }
    // A quarter of an hour without one starts afresh.
    EXPECT_TRUE(after(900));
    EXPECT_TRUE(after(1));
    EXPECT_TRUE(after(1));
    EXPECT_FALSE(after(1));
}

} // namespace
} // namespace rure
