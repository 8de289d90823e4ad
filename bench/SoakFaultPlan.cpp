#include "SoakFaultPlan.h"

#include <algorithm>

namespace rure::bench {

namespace {

constexpr SoakFaultKind allKinds[] = {SoakFaultKind::powerLoss, SoakFaultKind::stall,
                                      SoakFaultKind::longOutage, SoakFaultKind::sleep,
                                      SoakFaultKind::cameraSwitch};

} // namespace

QString faultName(SoakFaultKind kind) {
    switch (kind) {
    case SoakFaultKind::powerLoss:
        return QStringLiteral("power loss");
    case SoakFaultKind::stall:
        return QStringLiteral("stall");
    case SoakFaultKind::longOutage:
        return QStringLiteral("long outage");
    case SoakFaultKind::sleep:
        return QStringLiteral("sleep");
    case SoakFaultKind::cameraSwitch:
        return QStringLiteral("switch");
    }
    return {};
}

SoakFaultPlan::SoakFaultPlan(std::uint32_t seed) : random_(seed) {}

double SoakFaultPlan::uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
}

double SoakFaultPlan::nextPause() {
    return uniform(20.0, 60.0);
}

SoakFault SoakFaultPlan::draw(SoakFaultKind kind) {
    switch (kind) {
    case SoakFaultKind::powerLoss:
        return {kind, uniform(2.0, 6.0)};
    case SoakFaultKind::stall:
        // From the silence limit of these 30-frame cameras (3 s) to far past
        // the longest (10 s).
        return {kind, uniform(3.0, 25.0)};
    case SoakFaultKind::longOutage:
        return {kind, uniform(61.0, 90.0)};
    case SoakFaultKind::sleep:
        return {kind, uniform(2.0, 6.0)};
    case SoakFaultKind::cameraSwitch:
        return {kind, 0.0};
    }
    return {kind, 0.0};
}

double SoakFaultPlan::budget(const SoakFault& fault) {
    // The longest back-off slot is 30 s plus 0.35 s of jitter; the shorter faults
    // leave the viewer in an early slot.
    constexpr double preparation = 5.0;
    switch (fault.kind) {
    case SoakFaultKind::longOutage:
        return preparation + fault.seconds + 32.0;
    case SoakFaultKind::powerLoss:
    case SoakFaultKind::stall:
        return preparation + fault.seconds + 17.0;
    case SoakFaultKind::sleep:
    case SoakFaultKind::cameraSwitch:
        return preparation + fault.seconds + 3.0;
    }
    return preparation;
}

std::optional<SoakFault> SoakFaultPlan::next(double secondsLeft) {
    if (deck_.empty()) {
        deck_.assign(std::begin(allKinds), std::end(allKinds));
        std::shuffle(deck_.begin(), deck_.end(), random_);
    }
    for (auto it = deck_.begin(); it != deck_.end(); ++it) {
        const SoakFault fault = draw(*it);
        if (budget(fault) <= secondsLeft) {
            deck_.erase(it);
            return fault;
        }
    }
    // Nothing left in this deck fits; a fresh deck holds the short kinds again.
    if (deck_.size() < std::size(allKinds)) {
        deck_.clear();
        return next(secondsLeft);
    }
    return std::nullopt;
}

} // namespace rure::bench
