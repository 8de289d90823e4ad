#include "window/ManualPage.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

TEST(ManualPage, theMacrosOfTheManualBecomeHtml) {
    const struct {
        const char* what;
        const char* roff;
        const char* html;
    } cases[] = {
        {"title and section", ".TH RURE 1 \"December 2026\"\n.SH NAME\nrure \\- viewer",
         "<h1>rure</h1><h2>NAME</h2><p>rure - viewer</p>"},
        {"paragraphs", "one\ntwo\n.PP\nthree", "<p>one two</p><p>three</p>"},
        {"fonts in a line", "run \\fBjournalctl \\-\\-user\\fR now",
         "<p>run <b>journalctl --user</b> now</p>"},
        {"alternating fonts", ".RB ( xdg\\-user\\-dirs ).", "<p>(<b>xdg-user-dirs</b>).</p>"},
        {"a tagged list", ".TP\n.B \\-\\-help\nPrint it.\n.TP\n.I ~/file\nThe list.\n.SH END",
         "<dl><dt><b>--help</b></dt><dd>Print it.</dd><dt><i>~/file</i></dt><dd>The "
         "list.</dd></dl><h2>END</h2>"},
        {"markup in the text is text", "a <b> & \\(-> b\\%", "<p>a &lt;b&gt; &amp; \u2192 b</p>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(manualPageToHtml(QString::fromUtf8(c.roff)), QString::fromUtf8(c.html)) << c.what;
    }
}

TEST(ManualPage, theProgramCarriesItsManual) {
    const QString html = bundledManualHtml();
    EXPECT_TRUE(html.contains(QStringLiteral("<h2>SYNOPSIS</h2>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<dt><b>RURE_VIDEO_VIEW</b></dt>")));
    EXPECT_FALSE(html.contains(QStringLiteral("\n."))) << "a request left as text";
}

} // namespace
} // namespace rure::test
