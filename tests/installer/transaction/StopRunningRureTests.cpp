#include "TransactionTestSupport.h"
#include "ViewerProcessSupport.h"
#include "installer/transaction/InstallerOperations.h"
#include "installer/transaction/StopRunningRure.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace rure {
namespace {

using namespace std::chrono_literals;
using test::FakeProcessRoot;
using test::FakeViewerProcess;
using Quit = FakeViewerProcess::OnQuitRequest;

// Long enough that a stop that waits when it should not hangs the test.
constexpr std::chrono::milliseconds noRealDeadline = 1h;

struct ProgramCase {
    const char* label;
    QString bundle;     // relative to the test directory
    QString executable; // the program's name in Contents/bin
    QByteArray infoJson;
};

// Programs that look like the viewer in some way but are not it: none of them
// may be asked to quit.
std::vector<ProgramCase> lookalikes() {
    return {
        {"the installer's own bundle", QStringLiteral("Rizezad Aduz.app"),
         QStringLiteral("rizezad-aduz"),
         test::viewerInfoJson(QStringLiteral("com.didirezoror.rure.installer"),
                              QStringLiteral("rizezad-aduz"))},
        {"another program in the viewer's bundle", QStringLiteral("Tools/Rure.app"),
         QStringLiteral("rure-helper"), test::viewerInfoJson()},
        {"a viewer layout outside any .app", QStringLiteral("Loose/Rure"), QStringLiteral("rure"),
         test::viewerInfoJson()},
        {"Info.json that is not an object", QStringLiteral("Array/Rure.app"),
         QStringLiteral("rure"), "[\"com.didirezoror.rure\"]"},
        {"no Info.json", QStringLiteral("Bare/Rure.app"), QStringLiteral("rure"), QByteArray()},
    };
}

class StopRunningRureTest : public ::testing::Test {
protected:
    QTemporaryDir directory;
    FakeProcessRoot processes{directory.filePath(QStringLiteral("proc"))};
    std::vector<std::unique_ptr<FakeViewerProcess>> started;

    FakeViewerProcess* start(const ProgramCase& program, Quit onQuitRequest) {
        const QString executable = test::writeFakeViewerBundle(
            directory.filePath(program.bundle), program.executable, program.infoJson);
        auto process = std::make_unique<FakeViewerProcess>();
        if (executable.isEmpty() || !process->start(executable, onQuitRequest) ||
            !processes.add(process->pid())) {
            ADD_FAILURE() << "could not start " << program.label;
            return nullptr;
        }
        started.push_back(std::move(process));
        return started.back().get();
    }

    FakeViewerProcess* startViewer(const QString& bundle, Quit onQuitRequest) {
        return start({"viewer", bundle, QStringLiteral("rure"), test::viewerInfoJson()},
                     onQuitRequest);
    }

    StopRunningRureOptions options(std::chrono::milliseconds deadline) const {
        StopRunningRureOptions result;
        result.processRoot = processes.path();
        result.deadline = deadline;
        return result;
    }
};

TEST_F(StopRunningRureTest, WithoutARunningViewerReturnsAtOnceAndLeavesOtherProgramsAlone) {
    ASSERT_TRUE(directory.isValid());
    std::vector<FakeViewerProcess*> others;
    for (const ProgramCase& program : lookalikes()) {
        others.push_back(start(program, Quit::quit));
        ASSERT_NE(others.back(), nullptr);
    }
    ASSERT_TRUE(processes.addDirectory(QStringLiteral("self")));
    ASSERT_TRUE(processes.addDirectory(QStringLiteral("12ab")));
    ASSERT_TRUE(
        processes.addLink(QStringLiteral("2147483646"), QStringLiteral("/proc/2147483646")));

    const Result<void> result = InstallerOperations::stopRunningRure(options(noRealDeadline));

    EXPECT_TRUE(result.ok());
    const std::vector<ProgramCase> cases = lookalikes();
    for (size_t index = 0; index < others.size(); ++index) {
        SCOPED_TRACE(cases[index].label);
        EXPECT_TRUE(others[index]->answersPing());
    }
}

TEST_F(StopRunningRureTest, EveryRunningViewerIsAskedToQuitAndWaitedFor) {
    ASSERT_TRUE(directory.isValid());
    FakeViewerProcess* first = startViewer(QStringLiteral("opt/Rure.app"), Quit::quit);
    FakeViewerProcess* second = startViewer(QStringLiteral("Downloads/Rure.app"), Quit::quit);
    // A viewer still running from a copy that an earlier install replaced.
    FakeViewerProcess* replaced = startViewer(QStringLiteral("Old/Rure.app"), Quit::quit);
    FakeViewerProcess* installer = start(lookalikes().front(), Quit::quit);
    ASSERT_TRUE(first && second && replaced && installer);
    const QString replacedProgram =
        directory.filePath(QStringLiteral("Old/Rure.app/Contents/bin/rure"));
    ASSERT_TRUE(QFile::remove(replacedProgram));
    ASSERT_TRUE(test::writeFile(replacedProgram, "#!/bin/sh\n", true));

    const Result<void> result = InstallerOperations::stopRunningRure(options(noRealDeadline));

    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(first->endsBySigterm());
    EXPECT_TRUE(second->endsBySigterm());
    EXPECT_TRUE(replaced->endsBySigterm());
    EXPECT_TRUE(installer->answersPing());
}

TEST_F(StopRunningRureTest, AViewerThatStaysOpenPastTheDeadlineFailsWithoutBeingKilled) {
    ASSERT_TRUE(directory.isValid());
    FakeViewerProcess* stubborn = startViewer(QStringLiteral("A/Rure.app"), Quit::ignore);
    FakeViewerProcess* willing = startViewer(QStringLiteral("B/Rure.app"), Quit::quit);
    ASSERT_TRUE(stubborn && willing);

    const Result<void> result = InstallerOperations::stopRunningRure(options(300ms));

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), InstallerOperations::error(QStringLiteral(
                                  "Rure is still open. Close it, then choose Try Again.")));
    EXPECT_TRUE(stubborn->answersPing());
    EXPECT_TRUE(willing->endsBySigterm());
}

} // namespace
} // namespace rure
