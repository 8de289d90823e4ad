#include <gtest/gtest.h>

#ifdef RURE_TEST_CORE_APPLICATION
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include "support/GLDriverResidency.h"

#include <QApplication>
using TestApplication = QApplication;
#endif

#ifdef RURE_TEST_PRIVATE_NETWORK
#include "support/PrivateNetwork.h"
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

bool namesResource(const std::string& types, const std::string& type) {
    std::istringstream list(types);
    for (std::string each; std::getline(list, each, ',');) {
        if (each == type) {
            return true;
        }
    }
    return false;
}

// CTest runs tests side by side; those that show windows or start viewers
// each take one of the displays that scripts/with-display.sh started: the
// test's resource group names its display by its position in
// RURE_TEST_DISPLAYS. Run any other way (no resource group), a test keeps
// DISPLAY as it is. False when the display is unknown.
bool useAllottedDisplay() {
    const int groups = std::atoi(environment("CTEST_RESOURCE_GROUP_COUNT").c_str());
    for (int group = 0; group < groups; ++group) {
        const std::string prefix = "CTEST_RESOURCE_GROUP_" + std::to_string(group);
        if (!namesResource(environment(prefix), "displays")) {
            continue;
        }
        // "id:<position>,slots:1"
        const std::string allotted = environment(prefix + "_DISPLAYS");
        std::vector<std::string> displays;
        std::istringstream list(environment("RURE_TEST_DISPLAYS"));
        for (std::string display; list >> display;) {
            displays.push_back(display);
        }
        std::size_t position = displays.size();
        if (allotted.starts_with("id:")) {
            const std::string id = allotted.substr(3, allotted.find(',') - 3);
            if (!id.empty() && id.size() < 6 &&
                id.find_first_not_of("0123456789") == std::string::npos) {
                position = std::stoul(id);
            }
        }
        if (position >= displays.size()) {
            std::fprintf(
                stderr,
                "TestMain: CTest allotted the display '%s', but RURE_TEST_DISPLAYS is '%s'\n",
                allotted.c_str(), environment("RURE_TEST_DISPLAYS").c_str());
            return false;
        }
        ::setenv("DISPLAY", displays[position].c_str(), 1);
    }
    return true;
}

// Each test process gets a runtime, data and configuration folder of its own,
// so that tests running side by side never share settings or a camera list,
// and viewers they start never find each other's one-instance channel. The
// cache stays shared: it is built for that, and filling it anew is slow.
bool usePrivateFolders(const QTemporaryDir& home) {
    if (!home.isValid()) {
        std::fprintf(stderr, "TestMain: no private folder: %s\n",
                     home.errorString().toLocal8Bit().constData());
        return false;
    }
    const struct {
        const char* variable;
        const char* folder;
    } places[] = {
        {"XDG_RUNTIME_DIR", "runtime"},
        {"XDG_DATA_HOME", "data"},
        {"XDG_CONFIG_HOME", "config"},
    };
    for (const auto& place : places) {
        const QString path = home.filePath(QString::fromLatin1(place.folder));
        if (!QDir().mkpath(path) ||
            !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            std::fprintf(stderr, "TestMain: cannot make %s\n", path.toLocal8Bit().constData());
            return false;
        }
        ::setenv(place.variable, path.toLocal8Bit().constData(), 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
#ifdef RURE_TEST_PRIVATE_NETWORK
    // First, while this is the only thread: every thread and process the test
    // starts shares the namespace.
    if (const std::optional<std::string> error = rure::test::enterPrivateNetwork()) {
        std::fprintf(stderr, "TestMain: %s\n", error->c_str());
        return 1;
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    if (!useAllottedDisplay()) {
        return 1;
    }
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/rure-test-XXXXXX"));
    if (!usePrivateFolders(home)) {
        return 1;
    }
    TestApplication app(argc, argv);
    // libmpv refuses to run under any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    TestApplication::setOrganizationName(QStringLiteral("didirezoror-tests"));
    TestApplication::setApplicationName(QStringLiteral("rure-tests"));
    const int result = RUN_ALL_TESTS();
#ifndef RURE_TEST_CORE_APPLICATION
    rure::test::keepGLDriversLoaded();
#endif
    // CTest reports a run of which every case was skipped as skipped
    // (SKIP_RETURN_CODE); a run with a failure fails.
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    constexpr int everyCaseSkipped = 77;
    if (result == 0 && run.successful_test_count() == 0 && run.skipped_test_count() > 0) {
        return everyCaseSkipped;
    }
    return result;
}
