#include "PlaybackStatusReporter.h"

#include "common/RureLog.h"

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
    // The status line's texts never name the camera, and tell in the log
    // what the user was shown.
    RureLog::playback().debug(
        QStringLiteral("The status line reads: %1")
            .arg(QString(text_).replace(QLatin1Char('\n'), QStringLiteral(" / "))));
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
