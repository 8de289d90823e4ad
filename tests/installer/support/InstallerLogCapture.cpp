#include "InstallerLogCapture.h"

#include <algorithm>

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

int InstallerLogCapture::count(RureLogLevel level, const QString& text) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return entry.level == level && entry.text == text;
    }));
}

int InstallerLogCapture::count(const QString& text) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [&](const auto& entry) { return entry.text == text; }));
}

} // namespace rure::test
