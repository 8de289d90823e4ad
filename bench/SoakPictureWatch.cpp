#include "SoakPictureWatch.h"

#include "ScreenProbe.h"

namespace rure::bench {

namespace {

constexpr auto finePace = std::chrono::milliseconds(1);
constexpr auto coarsePace = std::chrono::milliseconds(10);
// Changes of an hour are a few thousand; older ones are never asked for.
constexpr size_t maximumChanges = 20000;

} // namespace

QString shadeName(SoakShade shade) {
    switch (shade) {
    case SoakShade::unknown:
        return QStringLiteral("unknown");
    case SoakShade::black:
        return QStringLiteral("black");
    case SoakShade::white:
        return QStringLiteral("white");
    case SoakShade::bars:
        return QStringLiteral("colour bars");
    case SoakShade::other:
        return QStringLiteral("other");
    }
    return {};
}

SoakShade classifyShade(QRgb colour) {
    if (isDark(colour)) {
        return SoakShade::black;
    }
    if (isBright(colour)) {
        return SoakShade::white;
    }
    // The middle bar of the colour bars is a 75 % green: (0, 191, 0) give or take
    // the encoder.
    if (qGreen(colour) > 120 && qRed(colour) < 90 && qBlue(colour) < 90) {
        return SoakShade::bars;
    }
    return SoakShade::other;
}

SoakPictureWatch::SoakPictureWatch() {
    std::optional<ScreenProbe> probe = ScreenProbe::open();
    if (!probe) {
        return;
    }
    opened_ = true;
    thread_ = std::thread([this, reader = std::move(*probe)]() mutable {
        while (!stopping_) {
            const int x = x_;
            const int y = y_;
            if (x >= 0 && y >= 0) {
                const std::optional<QRgb> colour = reader.pixelAt(x, y);
                const SoakShade shade = colour ? classifyShade(*colour) : SoakShade::unknown;
                const SoakClock::time_point at = SoakClock::now();
                const std::lock_guard lock(mutex_);
                colour_ = colour.value_or(0);
                if (changes_.empty() || changes_.back().shade != shade) {
                    if (changes_.size() >= maximumChanges) {
                        changes_.erase(changes_.begin(), changes_.begin() + maximumChanges / 2);
                    }
                    changes_.push_back({at, shade});
                }
            }
            std::this_thread::sleep_for(fine_ ? finePace : coarsePace);
        }
    });
}

SoakPictureWatch::~SoakPictureWatch() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SoakPictureWatch::setPoint(QPoint screenPoint) {
    x_ = screenPoint.x();
    y_ = screenPoint.y();
}

void SoakPictureWatch::setFinePace(bool fine) {
    fine_ = fine;
}

SoakShade SoakPictureWatch::current() const {
    const std::lock_guard lock(mutex_);
    return changes_.empty() ? SoakShade::unknown : changes_.back().shade;
}

QRgb SoakPictureWatch::currentColour() const {
    const std::lock_guard lock(mutex_);
    return colour_;
}

std::optional<SoakClock::time_point>
SoakPictureWatch::firstShownSince(SoakShade shade, SoakClock::time_point since) const {
    const std::lock_guard lock(mutex_);
    size_t i = 0;
    SoakShade shownAtSince = SoakShade::unknown;
    for (; i < changes_.size() && changes_[i].at <= since; ++i) {
        shownAtSince = changes_[i].shade;
    }
    if (shownAtSince == shade) {
        return since;
    }
    for (; i < changes_.size(); ++i) {
        if (changes_[i].shade == shade) {
            return changes_[i].at;
        }
    }
    return std::nullopt;
}

} // namespace rure::bench
