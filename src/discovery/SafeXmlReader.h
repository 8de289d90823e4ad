#pragma once

#include "XmlElement.h"
#include "common/Result.h"

#include <QByteArray>

namespace rure {

// Reads a whole XML document that came from the network into a tree. It
// refuses, as a malformed reply (DiscoveryError): text that is not UTF-8, any
// document type declaration (and with it every entity that one could declare,
// so nothing is ever expanded), references to undeclared entities, more
// elements or deeper nesting than DiscoveryLimits allows, and anything that is
// not well-formed. Processing instructions and comments are skipped.
Result<XmlElement> readXmlDocument(const QByteArray& bytes);

} // namespace rure
