#pragma once

#include "RureUpdateCheckResult.h"
#include "common/Result.h"

#include <functional>

namespace rure {

// Receives the outcome of one update check, on the thread that started it.
using RureUpdateCheckCompletion = std::function<void(Result<RureUpdateCheckResult>)>;

// The handle of one running update check. Cancelling it, or destroying it,
// stops the check: its transfer is aborted and its completion never runs.
// Cancelling a check that has already completed does nothing. Move-only; an
// empty handle (default-constructed or moved from) stands for no check.
class RureUpdateCheck {
public:
    RureUpdateCheck() = default;
    // `cancel` stops the check; `running` tells whether it has neither completed
    // nor been cancelled.
    RureUpdateCheck(std::function<void()> cancel, std::function<bool()> running);
    ~RureUpdateCheck();

    RureUpdateCheck(RureUpdateCheck&& other) noexcept;
    // Cancels the check held so far, then takes over `other`'s.
    RureUpdateCheck& operator=(RureUpdateCheck&& other) noexcept;
    RureUpdateCheck(const RureUpdateCheck&) = delete;
    RureUpdateCheck& operator=(const RureUpdateCheck&) = delete;

    void cancel();
    bool isRunning() const;

private:
    std::function<void()> cancel_;
    std::function<bool()> running_;
};

} // namespace rure
