#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace rure {

// What a later launch of the viewer asks of the copy that already runs, sent
// as one line on the local socket: a verb, then, for verbs that take one, a
// space and an argument, then a line feed, all in UTF-8 without control
// characters, and nothing after it. The running copy answers with one line:
// "ok", or "error", a space and the reason. The verbs: "activate" (bring the
// window to the front), which takes no argument, and "open" (show the camera
// at the address that is its argument: rure rtsp://...). An address may carry
// a password: neither side ever writes one to the log or into an answer.
struct LaunchRequest {
    enum class Kind { activate, openAddress };

    Kind kind = Kind::activate;
    // Empty for verbs without an argument.
    QString argument;

    friend bool operator==(const LaunchRequest&, const LaunchRequest&) = default;
};

// The longest line either side reads, line feed included. Anything longer is
// refused without reading further.
inline constexpr qsizetype maximumLaunchLineBytes = 4096;

// The request's line, line feed included; an error when its argument holds a
// control character, which the line cannot carry (a line feed would end it
// early, and the running copy would take what comes before it for the whole).
Result<QByteArray> launchRequestLine(const LaunchRequest& request);
// Reads a line without its line feed. An unknown verb, a missing or an
// unexpected argument, a control character or bytes that are not UTF-8 are
// errors whose text is fit to send back to the peer.
Result<LaunchRequest> parseLaunchRequestLine(QByteArrayView line);

// The answers: "ok\n", or "error <reason>\n".
QByteArray launchAcceptedLine();
QByteArray launchRefusedLine(const QString& reason);
// The peer's answer without its line feed: success for "ok", the reason of an
// "error" line, or an error for anything else.
Result<void> parseLaunchReplyLine(QByteArrayView line);

} // namespace rure
