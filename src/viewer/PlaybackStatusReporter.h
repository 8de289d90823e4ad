#pragma once

#include "common/Scheduler.h"
#include "viewer/PlaybackStatus.h"

#include <QDateTime>
#include <QString>

#include <functional>

class QObject;

namespace rure {

// Keeps the status line over the picture current: it reads the playback
// status a few times a second (the countdown to the next attempt, a picture
// growing old) and at once when asked, and passes the text on whenever it
// changes. An empty text means the picture is live or there is nothing to say.
class PlaybackStatusReporter {
public:
    struct Hooks {
        std::function<PlaybackStatus()> status;
        // Shows `text` (empty: hides the line).
        std::function<void(const QString& text)> show;
        // The wall clock, for the time of the last picture.
        std::function<QDateTime()> wallClock;
    };

    PlaybackStatusReporter(Scheduler& scheduler, QObject* context, Hooks hooks);

    // Reads the status now.
    void refresh();
    // A new picture was shown: a line that is showing goes at once.
    void pictureShown() {
        if (!text_.isEmpty()) {
            refresh();
        }
    }
    // Nothing more is shown, now or later.
    void stop();

    const QString& text() const { return text_; }

    static constexpr Seconds period{0.25};

private:
    Scheduler& scheduler_;
    Hooks hooks_;
    TaskHandle tick_;
    QString text_;
};

} // namespace rure
