#include "PlaybackStatusReporter.h"

namespace rure {

PlaybackStatusReporter::PlaybackStatusReporter(Scheduler& scheduler, QObject* context, Hooks hooks)
    : scheduler_(scheduler), hooks_(std::move(hooks)) {
    tick_ = scheduler_.scheduleRepeating(period, context, [this] { refresh(); });
}

void PlaybackStatusReporter::refresh() {
    if (!tick_ || !hooks_.status) {
        return;
    }
    const QDateTime wallNow = hooks_.wallClock ? hooks_.wallClock() : QDateTime::currentDateTime();
    QString text = playbackStatusText(hooks_.status(), scheduler_.now(), wallNow);
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    if (hooks_.show) {
        hooks_.show(text_);
    }
}

void PlaybackStatusReporter::stop() {
    tick_.reset();
    if (!text_.isEmpty()) {
        text_.clear();
        if (hooks_.show) {
            hooks_.show(text_);
        }
    }
}

} // namespace rure
