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
    // The last catch-up held: the picture stayed live long after it.
    if (last_ && !refusedSinceLast_ && secondsBetween(*last_, now) >= heldSeconds) {
        inARow_ = 0;
    }
    if (last_ && secondsBetween(*last_, now) < spacingSeconds()) {
        refusedSinceLast_ = true;
        return false;
    }
    ++inARow_;
    last_ = now;
    refusedSinceLast_ = false;
    return true;
}

} // namespace rure
