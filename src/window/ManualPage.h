#pragma once

#include <QString>

namespace rure {

// The manual page that comes with the viewer (the text of rure(1)), as HTML
// for a text browser; empty when the program was built without it.
QString bundledManualHtml();

// A manual page written with the man macros that rure(1) uses (.TH, .SH,
// .SS, .PP, .TP, .IP, .B, .I and their alternating forms, \f fonts and the
// common escapes) as simple HTML. Anything else is kept as plain text.
QString manualPageToHtml(const QString& roff);

} // namespace rure
