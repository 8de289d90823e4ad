#include "InstallerLogCapture.h"

namespace rure::test {

InstallerLogCapture::InstallerLogCapture() {
    previous_ = InstallerLog::setSink([this](const InstallerLogEntry& entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
    });
}

InstallerLogCapture::~InstallerLogCapture() {
    InstallerLog::setSink(std::move(previous_));
}

std::vector<InstallerLogEntry> InstallerLogCapture::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

} // namespace rure::test
