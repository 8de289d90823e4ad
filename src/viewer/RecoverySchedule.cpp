#include "RecoverySchedule.h"

#include <algorithm>
#include <cmath>

namespace rure {

double RecoverySchedule::slotSeconds(int64_t attempt, bool immediate, double outageSeconds) {
    if (immediate) {
        return immediateDelay;
    }
    if (outageSeconds >= longOutageSeconds) {
        return longOutageDelay;
    }
    const auto last = static_cast<int64_t>(backOffDelays.size()) - 1;
    return backOffDelays[static_cast<std::size_t>(std::clamp<int64_t>(attempt, 0, last))];
}

std::optional<double> RecoverySchedule::knockPeriod(double outageSeconds, double slotSeconds) {
    double period = firstKnockPeriod;
    if (outageSeconds >= quickKnocksFor) {
        const double doublings = std::floor(std::log2(outageSeconds / quickKnocksFor));
        period = 2 * firstKnockPeriod * std::exp2(std::min(doublings, 16.0));
    }
    if (outageSeconds >= slowKnocksAfter) {
        period = std::max(period, slowKnockPeriod);
    }
    if (!(period < slotSeconds)) {
        return std::nullopt;
    }
    return period;
}

} // namespace rure
