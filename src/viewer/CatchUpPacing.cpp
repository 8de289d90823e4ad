#include "CatchUpPacing.h"

#include <algorithm>
#include <cmath>

namespace rure {

double CatchUpPacing::spacingSeconds() const {
    if (inARow_ < freeCatchUps) {
        return 0;
    }
    return std::min(longestSpacing, firstSpacing * std::exp2(inARow_ - freeCatchUps));
}

bool CatchUpPacing::allow(SteadyTime now) {
    if (last_ && secondsBetween(*last_, now) >= quietPeriod) {
        inARow_ = 0;
    }
    if (last_ && secondsBetween(*last_, now) < spacingSeconds()) {
        return false;
    }
    ++inARow_;
    last_ = now;
    return true;
}

} // namespace rure
