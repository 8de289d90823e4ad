#include "installer/location/ApplicationBundle.h"
#include "installer/location/InstallerSearch.h"

#include "LocationTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <vector>

namespace rure::test {
namespace {

TEST(ApplicationBundle, readsInfoJsonAndDerivesItsPaths) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("Rure.app"));
    ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/Info.json"),
                          R"({"identifier": "com.didirezoror.rure", "executable": "rure",
                              "version": "0.1.0", "build": "7"})"));

    for (const QString& spelling : {path, path + QStringLiteral("/")}) {
        SCOPED_TRACE(spelling.toStdString());
        const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(spelling);
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->path(), path);
        EXPECT_EQ(bundle->identifier(), QStringLiteral("com.didirezoror.rure"));
        EXPECT_EQ(bundle->executableName(), QStringLiteral("rure"));
        EXPECT_EQ(bundle->version(), QStringLiteral("0.1.0"));
        EXPECT_EQ(bundle->build(), QStringLiteral("7"));
        EXPECT_EQ(bundle->resourcesPath(), path + QStringLiteral("/Contents/Resources"));
        EXPECT_EQ(bundle->executablePath(), path + QStringLiteral("/Contents/bin/rure"));
        EXPECT_EQ(InstallerOperations::executableURL(spelling),
                  path + QStringLiteral("/Contents/bin/rure"));
    }
}

TEST(ApplicationBundle, informationThatIsNotAnObjectOpensNothing) {
    struct Row {
        const char* name;
        std::optional<QByteArray> information; // none: no Info.json at all
    };
    const std::vector<Row> rows = {
        {"missing", std::nullopt},
        {"empty", QByteArray()},
        {"broken", R"({"identifier": "com.didirezoror.rure", )"},
        {"array", R"(["com.didirezoror.rure", "rure"])"},
        {"string", R"("com.didirezoror.rure")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("Rure.app"));
        ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/bin/rure"), "#!/bin/sh\n"));
        if (row.information) {
            ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/Info.json"), *row.information));
        }
        EXPECT_FALSE(ApplicationBundle::open(path).has_value());
        EXPECT_FALSE(InstallerOperations::executableURL(path).has_value());
    }

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Info.json is a folder.
    ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("Rure.app/Contents/Info.json"))));
    EXPECT_FALSE(ApplicationBundle::open(folder.filePath(QStringLiteral("Rure.app"))).has_value());
}

TEST(ApplicationBundle, anExecutableThatIsNotTextNamesNoExecutable) {
    const std::vector<QByteArray> informations = {
        R"({"identifier": "com.didirezoror.rure"})",
        R"({"identifier": "com.didirezoror.rure", "executable": 7})",
        R"({"identifier": "com.didirezoror.rure", "executable": null})",
        R"({"identifier": "com.didirezoror.rure", "executable": ["rure"]})",
    };
    for (const QByteArray& information : informations) {
        SCOPED_TRACE(information.toStdString());
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("Rure.app"));
        ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/Info.json"), information));
        const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(path);
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->identifier(), QStringLiteral("com.didirezoror.rure"));
        EXPECT_FALSE(bundle->executableName().has_value());
        EXPECT_FALSE(bundle->executablePath().has_value());
        EXPECT_FALSE(InstallerOperations::executableURL(path).has_value());
    }

    // Names that would lead out of Contents/bin name no executable file.
    for (const char* name : {"", ".", "..", "../../Rizezad Aduz.app", "sub/rure", "/bin/sh"}) {
        SCOPED_TRACE(name);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("Rure.app"));
        const QJsonObject information{{QStringLiteral("identifier"), QStringLiteral("x")},
                                      {QStringLiteral("executable"), QString::fromUtf8(name)}};
        ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/Info.json"),
                              QJsonDocument(information).toJson()));
        const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(path);
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->executableName(), QString::fromUtf8(name));
        EXPECT_FALSE(bundle->executablePath().has_value());
        EXPECT_FALSE(InstallerOperations::executableURL(path).has_value());
    }

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("Odd.app"));
    ASSERT_TRUE(writeFile(path + QStringLiteral("/Contents/Info.json"),
                          R"({"identifier": 3, "executable": "odd", "version": 1})"));
    const std::optional<ApplicationBundle> bundle = ApplicationBundle::open(path);
    ASSERT_TRUE(bundle.has_value());
    EXPECT_TRUE(bundle->identifier().isEmpty());
    EXPECT_TRUE(bundle->version().isEmpty());
    EXPECT_EQ(bundle->executablePath(), path + QStringLiteral("/Contents/bin/odd"));
}

} // namespace
} // namespace rure::test
