// When a camera that is off is tried and knocked on: often at first, rarely
// after a while, and never so often that it is hammered.
#include "viewer/RecoverySchedule.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace rure::test {
namespace {

struct Connections {
    int firstHour = 0;
    int secondHour = 0;
};

// A camera that refuses every connection, tried on the schedule for two
// hours: each attempt is a preflight, every third a rebuilt engine's load as
// well, and the knocks in between each slot.
Connections connectionsToARefusingCamera() {
    Connections made;
    double now = 0;
    const auto count = [&](int connections) {
        (now < 3600 ? made.firstHour : made.secondHour) += connections;
    };
    for (int64_t attempt = 0; now < 7200; ++attempt) {
        const double slot = RecoverySchedule::slotSeconds(attempt, false, now);
        const double attemptAt = now + slot;
        double knockAt = now;
        while (const std::optional<double> period = RecoverySchedule::knockPeriod(knockAt, slot)) {
            if (knockAt + *period >= attemptAt) {
                break;
            }
            knockAt += *period;
            now = knockAt;
            count(1);
        }
        now = attemptAt;
        count((attempt + 1) % 3 == 0 ? 2 : 1);
    }
    return made;
}

TEST(RecoverySchedule, knocksAndAttemptsGrowRarerTheLongerTheCameraIsGone) {
    // Knocks: every second for ten seconds, then twice as long for each
    // doubling of the outage, once a minute at most after ten minutes, and
    // none when the attempt would come first.
    struct Case {
        double outage;
        double slot;
        std::optional<double> period;
    };
    for (const Case& c : std::vector<Case>{{0, 4, 1},
                                           {9.9, 8, 1},
                                           {10, 8, 2},
                                           {25, 15, 4},
                                           {100, 30, 16},
                                           {200, 30, std::nullopt},
                                           {0, 0.5, std::nullopt},
                                           {700, 150, 128},
                                           {4000, 150, std::nullopt}}) {
        SCOPED_TRACE(c.outage);
        EXPECT_EQ(RecoverySchedule::knockPeriod(c.outage, c.slot), c.period);
    }
    // Slots: the back-off table, then every two and a half minutes after an hour.
    EXPECT_EQ(RecoverySchedule::slotSeconds(0, false, 0), 0.5);
    EXPECT_EQ(RecoverySchedule::slotSeconds(6, false, 100), 30);
    EXPECT_EQ(RecoverySchedule::slotSeconds(200, false, 3599), 30);
    EXPECT_EQ(RecoverySchedule::slotSeconds(200, false, 3600), 150);
    EXPECT_EQ(RecoverySchedule::slotSeconds(200, true, 5000), 0.5);

    const Connections made = connectionsToARefusingCamera();
    EXPECT_LE(made.firstHour, 300);
    EXPECT_GE(made.firstHour, 100);
    EXPECT_LE(made.secondHour, 60);
}

} // namespace
} // namespace rure::test
