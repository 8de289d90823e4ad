#include "LaunchRequest.h"

#include <QStringDecoder>

namespace rure {

namespace {

constexpr char activateVerb[] = "activate";
constexpr char openVerb[] = "open";
constexpr char acceptedWord[] = "ok";
constexpr char refusedWord[] = "error";

Error launchError(const QString& description) {
    return Error{ErrorDomain::other, 0, description};
}

// The text of `bytes` when they are UTF-8 without control characters.
std::optional<QString> plainText(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    for (const QChar character : text) {
        if (character.category() == QChar::Other_Control) {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace

Result<QByteArray> launchRequestLine(const LaunchRequest& request) {
    if (!plainText(request.argument.toUtf8())) {
        return launchError(QStringLiteral("the address contains control characters"));
    }
    QByteArray line;
    switch (request.kind) {
    case LaunchRequest::Kind::activate:
        line = activateVerb;
        break;
    case LaunchRequest::Kind::openAddress:
        line = openVerb;
        break;
    }
    if (!request.argument.isEmpty()) {
        line += ' ' + request.argument.toUtf8();
    }
    return line + '\n';
}

Result<LaunchRequest> parseLaunchRequestLine(QByteArrayView line) {
    if (line.size() >= maximumLaunchLineBytes) {
        return launchError(QStringLiteral("request too long"));
    }
    const std::optional<QString> text = plainText(line);
    if (!text) {
        return launchError(QStringLiteral("request is not plain UTF-8 text"));
    }
    const qsizetype space = text->indexOf(u' ');
    const QString verb = space < 0 ? *text : text->left(space);
    const bool hasArgument = space >= 0;
    if (verb == QLatin1String(activateVerb)) {
        if (hasArgument) {
            return launchError(QStringLiteral("\"activate\" takes no argument"));
        }
        return LaunchRequest{LaunchRequest::Kind::activate, {}};
    }
    if (verb == QLatin1String(openVerb)) {
        const QString address = hasArgument ? text->mid(space + 1) : QString();
        if (address.isEmpty()) {
            return launchError(QStringLiteral("\"open\" needs an address"));
        }
        return LaunchRequest{LaunchRequest::Kind::openAddress, address};
    }
    return launchError(QStringLiteral("unknown request"));
}

QByteArray launchAcceptedLine() {
    return QByteArray(acceptedWord) + '\n';
}

QByteArray launchRefusedLine(const QString& reason) {
    QString plain = reason;
    plain.replace(u'\n', u' ');
    return (QByteArray(refusedWord) + ' ' + plain.toUtf8()).left(maximumLaunchLineBytes - 1) + '\n';
}

Result<void> parseLaunchReplyLine(QByteArrayView line) {
    if (line == QByteArrayView(acceptedWord)) {
        return Result<void>::success();
    }
    const QByteArrayView refused(refusedWord);
    if (line.startsWith(refused) && line.size() > refused.size() && line[refused.size()] == ' ') {
        const std::optional<QString> reason = plainText(line.sliced(refused.size() + 1));
        return launchError(reason ? *reason : QStringLiteral("refused"));
    }
    return launchError(QStringLiteral("unreadable answer"));
}

} // namespace rure
