#include "common/VisibleName.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

TEST(VisibleName, InvisibleCharactersAreShownByTheirCodePointsAndTheRestAsStored) {
    const struct {
        const char* label;
        QString stored;
        QString shown;
    } cases[] = {
        {"plain name", QStringLiteral("Front Door"), QStringLiteral("Front Door")},
        {"letters of other scripts, accents and emoji stay",
         QStringLiteral("Caf\u00e9 \u6771\u4eac \u05d3\u05dc\u05ea \U0001F6AA"),
         QStringLiteral("Caf\u00e9 \u6771\u4eac \u05d3\u05dc\u05ea \U0001F6AA")},
        {"right-to-left override turning a name around", QStringLiteral("Gar\u202Eegaר"),
         QStringLiteral("Gar[U+202E]egaר")},
        {"isolates", QStringLiteral("\u2066x\u2067y\u2068z\u2069"),
         QStringLiteral("[U+2066]x[U+2067]y[U+2068]z[U+2069]")},
        {"zero-width space, non-joiner and joiner", QStringLiteral("Do\u200Bor\u200C\u200D"),
         QStringLiteral("Do[U+200B]or[U+200C][U+200D]")},
        {"other formatting characters (soft hyphen, Arabic letter mark)",
         QStringLiteral("Yard\u00AD\u061C"), QStringLiteral("Yard[U+00AD][U+061C]")},
        {"a tag character beyond the first plane", QStringLiteral("Roof\U000E0041"),
         QStringLiteral("Roof[U+E0041]")},
        {"control characters and separators", QStringLiteral("a\tb\nc\u0085d\u2028e\u2029"),
         QStringLiteral("a[U+0009]b[U+000A]c[U+0085]d[U+2028]e[U+2029]")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(visibleName(c.stored).toStdString(), c.shown.toStdString());
    }
}

} // namespace
} // namespace rure
