#pragma once

#include <QString>
#include <QUrl>

namespace rure {

// The help page on the maker's web host.
QUrl rureHelpPageUrl();
// A new message to the maker with the subject "Rure Feedback".
QUrl rureFeedbackUrl();
// The four paragraphs of "Quick Help in Rure".
QString quickHelpText();

} // namespace rure
