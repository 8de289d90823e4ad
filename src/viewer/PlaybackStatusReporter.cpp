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
    PlaybackStatus status = hooks_.status();
    QString text = playbackStatusText(status, scheduler_.now(), wallNow);
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    // Tells in the log what the user was shown, with the camera's name left
    // out as everywhere in the log.
    status.cameraName.clear();
    RureLog::playback().debug(QStringLiteral("The status line reads: %1")
                                  .arg(playbackStatusText(status, scheduler_.now(), wallNow)
                                           .replace(QLatin1Char('\n'), QStringLiteral(" / "))));
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
