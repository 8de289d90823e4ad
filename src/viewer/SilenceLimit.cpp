#include "SilenceLimit.h"

#include <algorithm>
#include <cmath>

namespace rure {

double SilenceLimit::seconds(std::optional<double> typicalInterval, int recentSilences) {
    if (!typicalInterval || !std::isfinite(*typicalInterval) || *typicalInterval < 0) {
        return ceilingSeconds;
    }
    const double own = std::clamp(intervals * *typicalInterval, floorSeconds, ceilingSeconds);
    // Each silence close to the last one doubles the limit (capped well before
    // the double could overflow).
    const double widened = own * std::exp2(std::clamp(recentSilences, 0, 8));
    return std::min(widened, ceilingSeconds);
}

} // namespace rure
