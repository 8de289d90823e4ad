#include "updates/InstalledIdentity.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

namespace rure::test {
namespace {

TEST(InstalledIdentity, compiledInValuesAreTheBuildConfiguration) {
    const InstalledIdentity identity = InstalledIdentity::compiledIn();
    EXPECT_EQ(identity.version, QStringLiteral(RURE_EXPECTED_VERSION));
    EXPECT_EQ(identity.build, QStringLiteral(RURE_EXPECTED_BUILD_NUMBER));
}

TEST(InstalledIdentity, missingVersionCountsAsZero) {
    EXPECT_EQ(InstalledIdentity{}.installedVersion(), QStringLiteral("0"));
    EXPECT_EQ((InstalledIdentity{QStringLiteral("2.5.1"), std::nullopt}).installedVersion(),
              QStringLiteral("2.5.1"));
    EXPECT_EQ((InstalledIdentity{QString(), std::nullopt}).installedVersion(), QString());
}

TEST(InstalledIdentity, buildIsASignedDecimalInt64OrZero) {
    struct Row {
        std::optional<QString> build;
        qint64 value;
    };
    const std::vector<Row> rows = {
        {std::nullopt, 0},
        {QStringLiteral("42"), 42},
        {QStringLiteral("+42"), 42},
        {QStringLiteral("-42"), -42},
        {QStringLiteral("007"), 7},
        {QStringLiteral("-0"), 0},
        {QStringLiteral("9223372036854775807"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("-9223372036854775808"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("9223372036854775808"), 0},
        {QStringLiteral("-9223372036854775809"), 0},
        {QStringLiteral("99999999999999999999"), 0},
        {QString(), 0},
        {QStringLiteral("+"), 0},
        {QStringLiteral("-"), 0},
        {QStringLiteral("+-1"), 0},
        {QStringLiteral("--1"), 0},
        {QStringLiteral(" 42"), 0},
        {QStringLiteral("42 "), 0},
        {QStringLiteral("4 2"), 0},
        {QStringLiteral("42a"), 0},
        {QStringLiteral("0x10"), 0},
        {QStringLiteral("1e3"), 0},
        {QStringLiteral("4.2"), 0},
        {QString::fromUtf8("٤٢"), 0},
        {QString::fromUtf8("４２"), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.build ? row.build->toStdString() : std::string("(missing)"));
        EXPECT_EQ((InstalledIdentity{QStringLiteral("1.0"), row.build}).installedBuild(),
                  row.value);
    }
}

} // namespace
} // namespace rure::test
