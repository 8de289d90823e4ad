#include "RureUpdateCheck.h"

#include <utility>

namespace rure {

RureUpdateCheck::RureUpdateCheck(std::function<void()> cancel, std::function<bool()> running)
    : cancel_(std::move(cancel)), running_(std::move(running)) {}

RureUpdateCheck::~RureUpdateCheck() {
    cancel();
}

RureUpdateCheck::RureUpdateCheck(RureUpdateCheck&& other) noexcept
    : cancel_(std::exchange(other.cancel_, nullptr)),
      running_(std::exchange(other.running_, nullptr)) {}

RureUpdateCheck& RureUpdateCheck::operator=(RureUpdateCheck&& other) noexcept {
    if (this != &other) {
        cancel();
        cancel_ = std::exchange(other.cancel_, nullptr);
        running_ = std::exchange(other.running_, nullptr);
    }
    return *this;
}

void RureUpdateCheck::cancel() {
    // Taken out first: cancelling may run code that touches this handle again.
    if (auto cancel = std::exchange(cancel_, nullptr)) {
        running_ = nullptr;
        cancel();
    }
}

bool RureUpdateCheck::isRunning() const {
    return running_ && running_();
}

} // namespace rure
