#include "XmlElement.h"

#include <QStringList>

namespace rure {

const XmlElement* XmlElement::child(const QString& uri, const QString& localName) const {
    for (const XmlElement& element : children) {
        if (element.is(uri, localName)) {
            return &element;
        }
    }
    return nullptr;
}

QList<const XmlElement*> XmlElement::childrenNamed(const QString& uri,
                                                   const QString& localName) const {
    QList<const XmlElement*> found;
    for (const XmlElement& element : children) {
        if (element.is(uri, localName)) {
            found.append(&element);
        }
    }
    return found;
}

const XmlElement* XmlElement::descendant(const QString& uri, const QStringList& path) const {
    const XmlElement* current = this;
    for (const QString& step : path) {
        current = current->child(uri, step);
        if (!current) {
            return nullptr;
        }
    }
    return current;
}

std::optional<QString> XmlElement::attribute(const QString& localName, const QString& uri) const {
    for (const XmlAttribute& candidate : attributes) {
        if (candidate.name == localName && candidate.namespaceUri == uri) {
            return candidate.value;
        }
    }
    return std::nullopt;
}

QString XmlElement::childText(const QString& uri, const QString& localName) const {
    const XmlElement* found = child(uri, localName);
    return found ? found->text.trimmed() : QString();
}

std::optional<XmlQualifiedName> resolveQName(const QString& qname,
                                             const QList<const XmlElement*>& path) {
    const QString trimmed = qname.trimmed();
    const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
    const QString prefix = colon < 0 ? QString() : trimmed.left(colon);
    const QString local = colon < 0 ? trimmed : trimmed.mid(colon + 1);
    if (local.isEmpty() || local.contains(QLatin1Char(':')) || (colon == 0)) {
        return std::nullopt;
    }
    // The innermost declaration of the prefix wins.
    for (auto element = path.crbegin(); element != path.crend(); ++element) {
        for (const XmlNamespaceDeclaration& declaration : (*element)->declarations) {
            if (declaration.prefix == prefix) {
                return XmlQualifiedName{declaration.namespaceUri, local};
            }
        }
    }
    if (prefix.isEmpty()) {
        return XmlQualifiedName{QString(), local};
    }
    return std::nullopt;
}

} // namespace rure
