// Steps of the install transaction that never end, as the user can make them
// with a FIFO in the way: the transaction, as the user and through the
// elevation program (root's here, as the tests run as root), ends at the
// step limit and leaves everything as it was.
#include "InstallScene.h"
#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerOperations.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rure {
namespace {

using InstallerOperations::shellQuoted;
using test::InstallScene;

const Error notInstalled =
    InstallerOperations::error(QStringLiteral("Rure could not be installed in /opt."));

// Should a step still hang on `fifos` long after any limit, this writes to them
// now and then, so that a broken limit fails the test instead of hanging it.
class FifoRescue {
public:
    explicit FifoRescue(QStringList fifos)
        : thread_([this, fifos = std::move(fifos)] {
              const QDeadlineTimer patience(std::chrono::seconds(30));
              while (!done_) {
                  QThread::msleep(100);
                  if (!patience.hasExpired()) {
                      continue;
                  }
                  for (const QString& fifo : fifos) {
                      // Opens only while a reader waits; closing it ends the read.
                      const int descriptor =
                          ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                      if (descriptor >= 0) {
                          rescued_ = true;
                          ::close(descriptor);
                      }
                  }
              }
          }) {}
    ~FifoRescue() {
        done_ = true;
        thread_.join();
    }
    FifoRescue(const FifoRescue&) = delete;
    FifoRescue& operator=(const FifoRescue&) = delete;

    bool rescued() const { return rescued_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> rescued_{false};
    std::thread thread_;
};

TEST(InstallTransaction, AStepThatNeverEndsFailsTheInstallAndLeavesEverythingAsItWas) {
    struct Case {
        const char* label;
        // Arranges the step that never ends, reading from the FIFO `never`.
        std::function<bool(InstallScene&, const QString& never)> arrange;
    };
    const Case cases[] = {
        {"a FIFO in place of the bundle tool once the installer has checked it",
         [](InstallScene& scene, const QString&) {
             return scene.wrapBundleTool(
                 QStringLiteral("case \"$1 $2\" in 'verify '*'/Rure Prepared '*)\n"
                                "    \"$real\" \"$@\" || exit 1\n"
                                "    /usr/bin/mkfifo \"$0.new\" && /bin/mv \"$0.new\" \"$0\"\n"
                                "    exit 0;;\n"
                                "esac"));
         }},
        {"a copy of the bundle that stops half-way",
         [](InstallScene& scene, const QString& never) {
             scene.tools.copy = scene.root + QStringLiteral("/tools/copy");
             return test::writeScript(
                 scene.tools.copy,
                 QStringLiteral("/bin/mkdir -p \"$3/Contents\"\n"
                                "/bin/cp \"$2/Contents/Info.json\" \"$3/Contents/\"\n"
                                "exec /bin/cat ") +
                     shellQuoted(never));
         }},
        {"a check of the new copy in place that never ends",
         [](InstallScene& scene, const QString& never) {
             return scene.wrapBundleTool(
                 QStringLiteral("[ \"$1 $2\" = \"verify $destination\" ] && exec /bin/cat ") +
                 shellQuoted(never));
         }},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        ASSERT_TRUE(scene.writeOldCopy());
        ASSERT_TRUE(scene.elevationRuns());
        const QString never = scene.root + QStringLiteral("/never");
        ASSERT_EQ(::mkfifo(QFile::encodeName(never).constData(), 0600), 0);
        ASSERT_TRUE(testCase.arrange(scene, never));
        // Far above what any other step of this small bundle takes.
        scene.tools.stepTimeLimit = std::chrono::seconds(1);
        const auto destinationBefore = test::snapshot(scene.destination);

        Result<void> result = Result<void>::success();
        bool rescued = false;
        {
            const FifoRescue rescue({never, scene.tools.bundleTool});
            result = scene.install();
            rescued = rescue.rescued();
        }

        EXPECT_FALSE(rescued) << "a step still hung half a minute on";
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), notInstalled);
        EXPECT_EQ(scene.elevationArguments(),
                  (QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c")}));
        EXPECT_EQ(test::snapshot(scene.destination), destinationBefore);
        EXPECT_EQ(test::entryNames(scene.applications), QStringList{QStringLiteral("Rure.app")});
        EXPECT_EQ(test::entryNames(scene.temporary), QStringList());
    }
}

} // namespace
} // namespace rure
