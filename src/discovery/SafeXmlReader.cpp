#include "SafeXmlReader.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <vector>

namespace rure {

namespace {

Error malformed(const QString& why) {
    return toError(DiscoveryError::malformedReply, QStringLiteral("(%1)").arg(why));
}

XmlElement elementFrom(const QXmlStreamReader& reader) {
    XmlElement element;
    element.namespaceUri = reader.namespaceUri().toString();
    element.name = reader.name().toString();
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        element.attributes.append(XmlAttribute{attribute.namespaceUri().toString(),
                                               attribute.name().toString(),
                                               attribute.value().toString()});
    }
    for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations()) {
        element.declarations.append(XmlNamespaceDeclaration{declaration.prefix().toString(),
                                                            declaration.namespaceUri().toString()});
    }
    return element;
}

} // namespace

Result<XmlElement> readXmlDocument(const QByteArray& bytes) {
    // Decoded here, strictly, rather than by the reader: a document in any
    // other encoding (UTF-16 would hide a declaration from the scan below) is
    // refused, and so are byte sequences that are not UTF-8.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return malformed(QStringLiteral("not UTF-8"));
    }
    // No document type declaration may reach the reader: it could declare
    // entities whose expansion costs far more than the reply's size.
    if (text.contains(QLatin1String("<!DOCTYPE"), Qt::CaseInsensitive)) {
        return malformed(QStringLiteral("a document type declaration"));
    }

    QXmlStreamReader reader(text);
    reader.setNamespaceProcessing(true);
    // Belt and braces: nothing is declared, so nothing may expand.
    reader.setEntityExpansionLimit(0);

    std::vector<XmlElement> open;
    std::optional<XmlElement> root;
    qsizetype elements = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return malformed(QStringLiteral("a document type declaration"));
        case QXmlStreamReader::EntityReference:
            return malformed(QStringLiteral("an entity reference"));
        case QXmlStreamReader::StartElement:
            if (root) {
                return malformed(QStringLiteral("content after the root element"));
            }
            if (++elements > discovery::xmlElementLimit) {
                return malformed(QStringLiteral("too many elements"));
            }
            if (static_cast<int>(open.size()) >= discovery::xmlDepthLimit) {
                return malformed(QStringLiteral("nested too deeply"));
            }
            open.push_back(elementFrom(reader));
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty()) {
                open.back().text += reader.text();
            }
            break;
        case QXmlStreamReader::EndElement: {
            if (open.empty()) {
                return malformed(QStringLiteral("an unmatched end tag"));
            }
            XmlElement finished = std::move(open.back());
            open.pop_back();
            if (open.empty()) {
                root = std::move(finished);
            } else {
                open.back().children.append(std::move(finished));
            }
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        return malformed(reader.errorString());
    }
    if (!root) {
        return malformed(QStringLiteral("no root element"));
    }
    return std::move(*root);
}

} // namespace rure
