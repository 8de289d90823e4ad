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
    // The camera sets its clock 25 s back, or 10 s on: no lag either way.
    EXPECT_NEAR(*lag.record(71, 1.5), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(72, -22.5), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(73, -21.5), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(74, -10.5), 0.0, 1e-9);
    EXPECT_NEAR(*lag.record(75, -9.5), 0.0, 1e-9);
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

TEST(FrameCadence, aRunOfLongGapsWithinASessionIsThePaceNotAStall) {
    FrameCadence cadence;
    cadence.followCamera(QStringLiteral("rtsp://a"));
    // The pace is unknown until three gaps are in: no gap counts.
    cadence.recordInterval(1.0 / 30);
    cadence.recordInterval(1.0 / 30);
    EXPECT_FALSE(cadence.isStall(60));
    cadence.recordInterval(1.0 / 30);
    EXPECT_FALSE(cadence.isStall(1.9));
    EXPECT_TRUE(cadence.isStall(2.0));
    EXPECT_EQ(cadence.staleAfterSeconds(), 2.0);
    // The camera starts pausing for eight seconds while nothing moves: its
    // usual gap stays, the pauses are its pace, and neither the status line
    // nor the silence limit call such a gap a stall any more.
    cadence.recordInterval(8.0);
    cadence.recordInterval(1.0 / 30);
    cadence.recordInterval(8.2);
    EXPECT_NEAR(*cadence.typicalInterval(), 1.0 / 30, 1e-9);
    EXPECT_NEAR(*cadence.pausePace(), 8.2, 1e-9);
    EXPECT_FALSE(cadence.isStall(8.5));
    EXPECT_TRUE(cadence.isStall(13));
    EXPECT_NEAR(cadence.staleAfterSeconds(), 12.3, 1e-9);
    EXPECT_NEAR(cadence.silenceLimitSeconds(), 16.4, 1e-9);
    // However long it then moves, it is known to pause.
    for (int gap = 0; gap < 1000; ++gap) {
        cadence.recordInterval(1.0 / 30);
    }
    EXPECT_NEAR(cadence.silenceLimitSeconds(), 16.4, 1e-9);
    // The same camera keeps its pace; another starts afresh.
    cadence.followCamera(QStringLiteral("rtsp://a"));
    EXPECT_TRUE(cadence.pausePace().has_value());
    cadence.followCamera(QStringLiteral("rtsp://b"));
    EXPECT_FALSE(cadence.typicalInterval().has_value());
    EXPECT_FALSE(cadence.pausePace().has_value());
    EXPECT_EQ(cadence.silenceLimitSeconds(), 10.0);

    // A first picture is awaited longer each time none came in time, and as
    // long as the slowest of the recent first pictures took.
    EXPECT_EQ(cadence.firstPictureLimitSeconds(), 20.0);
    cadence.recordMissingFirstPicture(20);
    EXPECT_EQ(cadence.firstPictureLimitSeconds(), 42.0);
    cadence.recordMissingFirstPicture(42);
    EXPECT_EQ(cadence.firstPictureLimitSeconds(), 60.0);
    cadence.followCamera(QStringLiteral("rtsp://c"));
    cadence.recordFirstPicture(0.4);
    EXPECT_EQ(cadence.firstPictureLimitSeconds(), 8.0);
}

TEST(CatchUpPacing, onlyCatchUpsThatDidNotHoldAreSpacedOut) {
    CatchUpPacing pacing;
    SteadyTime now{};
    const auto after = [&](double seconds) {
        now += std::chrono::duration_cast<SteadyTime::duration>(Seconds(seconds));
        return pacing.allow(now);
    };
    // A stall every 25 s, each caught up for good: every one runs.
    for (int stall = 0; stall < 10; ++stall) {
        EXPECT_TRUE(after(25)) << stall;
    }
    // A stream the machine cannot keep up with asks every 5 s: three run at
    // once, then 30 s, 60 s, 120 s... up to ten minutes apart.
    EXPECT_TRUE(after(5));
    EXPECT_TRUE(after(5));
    EXPECT_FALSE(after(5));
    EXPECT_TRUE(after(25));
    EXPECT_FALSE(after(5));
    EXPECT_FALSE(after(54));
    EXPECT_TRUE(after(1));
    for (const double spacing : {120.0, 240.0, 480.0, 600.0, 600.0}) {
        SCOPED_TRACE(spacing);
        EXPECT_FALSE(after(5));
        EXPECT_FALSE(after(spacing - 6));
        EXPECT_TRUE(after(1));
    }
    // Once one holds (nothing asked for 20 s after it), they run at once again.
    EXPECT_TRUE(after(30));
    EXPECT_TRUE(after(5));
    EXPECT_TRUE(after(5));
    EXPECT_FALSE(after(5));
}

} // namespace
} // namespace rure
