#include "updates/UpdateDecision.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace rure::test {
namespace {

TEST(UpdateDecision, newerVersionOrSameVersionWithHigherBuildIsAvailable) {
    struct Row {
        const char* name;
        QString manifestVersion;
        qint64 manifestBuild;
        InstalledIdentity installed;
        bool available;
    };
    const std::vector<Row> rows = {
        {"1.10 is newer than 1.9", QStringLiteral("1.10"), 1,
         InstalledIdentity{QStringLiteral("1.9"), QStringLiteral("50")}, true},
        {"1.9 is older than 1.10", QStringLiteral("1.9"), 99,
         InstalledIdentity{QStringLiteral("1.10"), QStringLiteral("1")}, false},
        {"1.2 equals 1.2.0, equal builds", QStringLiteral("1.2"), 5,
         InstalledIdentity{QStringLiteral("1.2.0"), QStringLiteral("5")}, false},
        {"1.2 equals 1.2.0, higher build", QStringLiteral("1.2"), 6,
         InstalledIdentity{QStringLiteral("1.2.0"), QStringLiteral("5")}, true},
        {"1.2 equals 1.2.0, lower build", QStringLiteral("1.2"), 4,
         InstalledIdentity{QStringLiteral("1.2.0"), QStringLiteral("5")}, false},
        {"older version with a higher build", QStringLiteral("1.1"), 1000,
         InstalledIdentity{QStringLiteral("1.2"), QStringLiteral("3")}, false},
        {"missing installed build counts as 0", QStringLiteral("1.2"), 1,
         InstalledIdentity{QStringLiteral("1.2"), std::nullopt}, true},
        {"unreadable installed build counts as 0", QStringLiteral("1.2"), 1,
         InstalledIdentity{QStringLiteral("1.2"), QStringLiteral("12 ")}, true},
        {"missing installed version counts as 0", QStringLiteral("0.1"), 1,
         InstalledIdentity{std::nullopt, QStringLiteral("500")}, true},
        {"0.0 against a missing version, higher build", QStringLiteral("0.0"), 2,
         InstalledIdentity{std::nullopt, QStringLiteral("1")}, true},
        {"0.0 against a missing version, equal build", QStringLiteral("0.0"), 1,
         InstalledIdentity{std::nullopt, QStringLiteral("1")}, false},
        {"0.0 against a missing version and build", QStringLiteral("0.0"), 1,
         InstalledIdentity{std::nullopt, std::nullopt}, true},
        {"Arabic-Indic digits read as 0.0", QString::fromUtf8("١.٢"), 9,
         InstalledIdentity{QStringLiteral("0.1"), QStringLiteral("1")}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RureUpdateManifest manifest{row.manifestVersion, row.manifestBuild,
                                          QStringLiteral("https://didirezoror.com/rure")};
        const RureUpdateCheckResult result = decideUpdate(manifest, row.installed);
        EXPECT_EQ(result, row.available ? RureUpdateCheckResult::available(manifest)
                                        : RureUpdateCheckResult::current());
    }
}

TEST(RureUpdateCheckResult, availableResultsAreEqualWhenTheirManifestsAre) {
    const RureUpdateManifest a{QStringLiteral("1.2"), 3,
                               QStringLiteral("https://didirezoror.com/rure")};
    RureUpdateManifest b = a;
    EXPECT_EQ(RureUpdateCheckResult::available(a), RureUpdateCheckResult::available(b));
    b.build = 4;
    EXPECT_NE(RureUpdateCheckResult::available(a), RureUpdateCheckResult::available(b));
    EXPECT_NE(RureUpdateCheckResult::available(a), RureUpdateCheckResult::current());
    EXPECT_EQ(RureUpdateCheckResult::current(), RureUpdateCheckResult::current());
}

} // namespace
} // namespace rure::test
