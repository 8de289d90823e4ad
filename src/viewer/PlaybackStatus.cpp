#include "PlaybackStatus.h"

#include "common/RtspAddress.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace rure {

namespace {

// The locale's time of day with seconds ("14:03:22", "2:03:22 PM"), without
// the time zone its long format may name.
QString timeWithSeconds(const QTime& time) {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral(R"(\s*\bt+\b\s*)"));
    format.replace(zone, QStringLiteral(" "));
    return QLocale().toString(time, format.trimmed());
}

// The time today; with the locale's short date when the picture is from an
// earlier day.
QString wallTimeOf(SteadyTime at, SteadyTime now, const QDateTime& wallNow) {
    const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - at);
    const QDateTime wall = wallNow.addMSecs(-age.count());
    if (wall.date() == wallNow.date()) {
        return timeWithSeconds(wall.time());
    }
    return QLocale().toString(wall.date(), QLocale::ShortFormat) + u' ' +
           timeWithSeconds(wall.time());
}

QString noNewPictureSince(SteadyTime at, SteadyTime now, const QDateTime& wallNow) {
    return QStringLiteral("No new picture since %1").arg(wallTimeOf(at, now, wallNow));
}

// Why the camera is not playing, when known: the newest reason.
void addCameraTrouble(const PlaybackStatus& status, QStringList& lines) {
    if (status.problem) {
        lines << describe(*status.problem);
    } else if (status.unreachable) {
        lines << QStringLiteral("The camera cannot be reached.");
    }
}

} // namespace

QString describe(CameraProblem problem) {
    switch (problem) {
    case CameraProblem::credentialsRefused:
        return QStringLiteral("The camera did not accept the user name or password.");
    case CameraProblem::addressNotServed:
        return QStringLiteral("The camera has no stream at this address.");
    case CameraProblem::connectionRefused:
        return QStringLiteral("The camera refused the connection.");
    case CameraProblem::noAnswer:
        return QStringLiteral("The camera does not answer.");
    }
    return {};
}

QString playbackStatusText(const PlaybackStatus& status, SteadyTime now, const QDateTime& wallNow) {
    QStringList lines;
    switch (status.activity) {
    case PlaybackActivity::idle:
        break;
    case PlaybackActivity::connecting:
        addCameraTrouble(status, lines);
        lines << (status.cameraName.isEmpty()
                      ? QStringLiteral("Connecting…")
                      : QStringLiteral("Connecting to %1…").arg(status.cameraName));
        break;
    case PlaybackActivity::playing:
        if (status.lastPictureAt &&
            secondsBetween(*status.lastPictureAt, now) >= status.staleAfterSeconds) {
            lines << noNewPictureSince(*status.lastPictureAt, now, wallNow);
        }
        break;
    case PlaybackActivity::reconnecting: {
        if (status.lastPictureAt) {
            lines << noNewPictureSince(*status.lastPictureAt, now, wallNow);
        }
        if (status.credentialsRefusedAgain && status.nextAttemptAt) {
            // Minutes away: the time of day says more than a countdown.
            lines << describe(CameraProblem::credentialsRefused) +
                         QStringLiteral(" Trying again at %1.")
                             .arg(QLocale().toString(
                                 wallNow
                                     .addMSecs(
                                         std::chrono::duration_cast<std::chrono::milliseconds>(
                                             *status.nextAttemptAt - now)
                                             .count())
                                     .time(),
                                 QLocale::ShortFormat))
                  << QStringLiteral("Correct it in Camera Addresses (Ctrl+,).");
            break;
        }
        addCameraTrouble(status, lines);
        const QString attempt = QStringLiteral(" (attempt %1)").arg(status.attempt);
        if (status.nextAttemptAt) {
            // Whole seconds, counted down; never "in 0 s" while still waiting.
            const double left = std::max(0.0, secondsBetween(now, *status.nextAttemptAt));
            const auto seconds = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(left)));
            lines << QStringLiteral("Reconnecting in %1 s").arg(seconds) + attempt;
        } else {
            lines << QStringLiteral("Reconnecting…") + attempt;
        }
        break;
    }
    case PlaybackActivity::waitingForNetwork:
        if (status.lastPictureAt) {
            lines << noNewPictureSince(*status.lastPictureAt, now, wallNow);
        }
        lines << QStringLiteral("No network connection");
        break;
    case PlaybackActivity::stopped:
        if (status.lastPictureAt) {
            lines << noNewPictureSince(*status.lastPictureAt, now, wallNow);
        }
        if (status.engineFailure) {
            lines << describe(*status.engineFailure);
        } else {
            addCameraTrouble(status, lines);
        }
        lines << QStringLiteral("Playback has stopped. Choose the camera to try again.");
        break;
    case PlaybackActivity::notPlayable:
        lines << unplayableAddressText()
              << QStringLiteral("Correct it in Camera Addresses (Ctrl+,).");
        break;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace rure
