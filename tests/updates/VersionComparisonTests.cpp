#include "updates/VersionComparison.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace rure::test {
namespace {

constexpr qint64 maxInt64 = std::numeric_limits<qint64>::max();

TEST(NumericVersionParts, readsTheLeadingDigitsOfEveryNonEmptyPiece) {
    struct Row {
        QString version;
        QList<qint64> parts;
    };
    const std::vector<Row> rows = {
        {QStringLiteral("1.2.3"), {1, 2, 3}},
        {QStringLiteral("2.0beta"), {2, 0}},
        {QStringLiteral("1.x.3"), {1, 0, 3}},
        {QStringLiteral("007.010"), {7, 10}},
        {QString(), {}},
        {QStringLiteral("..."), {}},
        {QStringLiteral(".1..2."), {1, 2}},
        {QStringLiteral("1.2\n"), {1, 2}},
        // Signs and spaces are not numeric, so the piece has no leading number.
        {QStringLiteral("-1.+2. 3"), {0, 0, 0}},
        {QStringLiteral("9223372036854775807"), {maxInt64}},
        // Overflow.
        {QStringLiteral("9223372036854775808.1"), {0, 1}},
        // Numeric characters other than ASCII digits make the run unreadable.
        {QString::fromUtf8("١.٢"), {0, 0}}, // Arabic-Indic digits (Nd)
        {QString::fromUtf8("1.٢"), {1, 0}},
        {QString::fromUtf8("１.2"), {0, 2}},   // fullwidth digit (Nd)
        {QString::fromUtf8("𝟙.2"), {0, 2}},    // mathematical digit outside the BMP
        {QString::fromUtf8("2½.3"), {0, 3}},   // vulgar fraction (No) joins the run
        {QString::fromUtf8("1².3"), {0, 3}},   // superscript (No)
        {QString::fromUtf8("4Ⅻ"), {0}},        // Roman numeral (Nl)
        {QString::fromUtf8("12é.3"), {12, 3}}, // a letter ends the run
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version.toStdString());
        EXPECT_EQ(numericVersionParts(row.version), row.parts);
    }
}

TEST(CompareVersions, comparesPartByPartWithMissingPartsAsZero) {
    using std::strong_ordering;
    struct Row {
        QString a;
        QString b;
        strong_ordering order;
    };
    const std::vector<Row> rows = {
        {QStringLiteral("1.10"), QStringLiteral("1.9"), strong_ordering::greater},
        {QStringLiteral("1.2"), QStringLiteral("1.2.0"), strong_ordering::equal},
        {QStringLiteral("1.2"), QStringLiteral("1.2.0.0"), strong_ordering::equal},
        {QStringLiteral("1.2.0.1"), QStringLiteral("1.2"), strong_ordering::greater},
        {QStringLiteral("0.1.0"), QStringLiteral("0.0.9"), strong_ordering::greater},
        {QStringLiteral("2"), QStringLiteral("10"), strong_ordering::less},
        {QStringLiteral("2.0beta"), QStringLiteral("2.0"), strong_ordering::equal},
        {QStringLiteral("1.x.3"), QStringLiteral("1.0.3"), strong_ordering::equal},
        {QString(), QStringLiteral("0"), strong_ordering::equal},
        {QString(), QStringLiteral("..."), strong_ordering::equal},
        {QString(), QStringLiteral("0.0.1"), strong_ordering::less},
        {QString::fromUtf8("١.٢"), QStringLiteral("0.0"), strong_ordering::equal},
        {QStringLiteral("9223372036854775807"), QStringLiteral("9223372036854775806"),
         strong_ordering::greater},
        // The first difference decides, not the longer list.
        {QStringLiteral("1.3"), QStringLiteral("1.2.9.9"), strong_ordering::greater},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE((row.a + QStringLiteral(" vs ") + row.b).toStdString());
        EXPECT_EQ(compareVersions(row.a, row.b), row.order);
        EXPECT_EQ(compareVersions(row.b, row.a), 0 <=> row.order);
    }
}

} // namespace
} // namespace rure::test
