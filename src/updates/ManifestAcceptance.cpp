#include "ManifestAcceptance.h"

#include "RureUpdateAddress.h"

#include <QRegularExpression>

namespace rure {

namespace {

const QString httpsScheme = QStringLiteral("https");

// The host part of `text`'s authority exactly as written (QUrl::host() is
// folded to lower case), or an empty view when there is no authority.
QStringView spelledHost(QStringView text) {
    const qsizetype schemeEnd = text.indexOf(u':');
    if (schemeEnd < 0 || !text.mid(schemeEnd + 1).startsWith(u"//")) {
        return {};
    }
    QStringView authority = text.mid(schemeEnd + 3);
    qsizetype authorityEnd = 0;
    while (authorityEnd < authority.size() && authority.at(authorityEnd) != u'/' &&
           authority.at(authorityEnd) != u'?' && authority.at(authorityEnd) != u'#') {
        ++authorityEnd;
    }
    authority = authority.left(authorityEnd);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        authority = authority.mid(at + 1);
    }
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? authority : authority.left(close + 1);
    }
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        authority = authority.left(colon);
    }
    return authority;
}

} // namespace

ManifestVerdict examineManifest(const RureUpdateManifest& manifest) {
    const QUrl page = manifest.downloadPageUrl();
    const QStringView text(manifest.downloadPage);

    if (!page.isValid() || page.scheme() != httpsScheme ||
        !text.startsWith(QString(httpsScheme + u':'))) {
        return ManifestVerdict::wrongScheme;
    }
    const QString makerHost = RureUpdateAddress::makerHost();
    if (page.host() != makerHost || spelledHost(text) != makerHost) {
        return ManifestVerdict::wrongHost;
    }
    QString path = page.path(QUrl::FullyDecoded);
    if (path.endsWith(u'/')) {
        path.chop(1);
    }
    if (path != RureUpdateAddress::downloadPath()) {
        return ManifestVerdict::wrongPath;
    }
    if (manifest.build < 1) {
        return ManifestVerdict::buildTooLow;
    }
    if (!isReleaseVersion(manifest.version)) {
        return ManifestVerdict::malformedVersion;
    }
    return ManifestVerdict::accepted;
}

bool isReleaseVersion(const QString& version) {
    static const QRegularExpression pattern(
        QStringLiteral("\\A\\d+(?:\\.\\d+){1,3}"
                       "(?:\\r\\n|[\\n\\x{0B}\\f\\r\\x{85}\\x{2028}\\x{2029}])?\\z"),
        QRegularExpression::UseUnicodePropertiesOption);
    return pattern.match(version).hasMatch();
}

} // namespace rure
