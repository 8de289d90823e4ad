#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace rure {

struct XmlNamespaceDeclaration {
    QString prefix;
    QString namespaceUri;
};

struct XmlAttribute {
    QString namespaceUri;
    QString name; // local name
    QString value;
};

// One element of a document that SafeXmlReader read: names resolved to their
// namespace URIs, the character data directly inside it, its children in order.
struct XmlElement {
    QString namespaceUri;
    QString name; // local name
    QList<XmlAttribute> attributes;
    // The prefixes this element itself declares; a QName inside text (a SOAP
    // fault's code) is resolved with those of its ancestors (resolveQName).
    QList<XmlNamespaceDeclaration> declarations;
    QString text;
    QList<XmlElement> children;

    bool is(const QString& uri, const QString& localName) const {
        return name == localName && namespaceUri == uri;
    }
    // The first child with this name, or null.
    const XmlElement* child(const QString& uri, const QString& localName) const;
    // Every child with this name, in order.
    QList<const XmlElement*> childrenNamed(const QString& uri, const QString& localName) const;
    // The first child with this name along a path of local names in one namespace.
    const XmlElement* descendant(const QString& uri, const QStringList& path) const;
    // An attribute without a namespace, or one in `uri`.
    std::optional<QString> attribute(const QString& localName, const QString& uri = {}) const;
    // The text of the first such child, trimmed; empty when there is none.
    QString childText(const QString& uri, const QString& localName) const;
};

// A QName written in text ("ter:NotAuthorized"), resolved.
struct XmlQualifiedName {
    QString namespaceUri;
    QString name;
};

// Resolves `qname` with the declarations along `path` (outermost first, the
// element holding the text last). No prefix means the default namespace.
std::optional<XmlQualifiedName> resolveQName(const QString& qname,
                                             const QList<const XmlElement*>& path);

} // namespace rure
