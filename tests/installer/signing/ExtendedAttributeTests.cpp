#include "SigningTestSupport.h"
#include "installer/signing/ExtendedAttributes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/xattr.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace rure::test {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

bool setUserAttribute(const QString& path, const char* name) {
    return ::lsetxattr(native(path).constData(), name, "1", 1, 0) == 0;
}

// The user.* attributes of `path` itself (links are not followed).
QStringList userAttributes(const QString& path) {
    QByteArray names(4096, '\0');
    const ssize_t length = ::llistxattr(native(path).constData(), names.data(), names.size());
    QStringList found;
    if (length <= 0) {
        return found;
    }
    for (const QByteArray& name : names.left(length).split('\0')) {
        if (name.startsWith("user.")) {
            found << QString::fromUtf8(name);
        }
    }
    return found;
}

TEST(ExtendedAttributes, clearXattrsRemovesEveryAttributeBelowThePathWithoutFollowingLinks) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString root = scratch.filePath(QStringLiteral("Quarantined App.app"));
    const QString file = root + QStringLiteral("/Contents/Info.json");
    const QString deepFile = root + QStringLiteral("/Contents/Resources/deep/data\nfile");
    const QString outside = scratch.filePath(QStringLiteral("outside.txt"));
    const QString link = root + QStringLiteral("/Contents/Resources/outside");
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/Contents/Resources/deep")));
    ASSERT_TRUE(writeFile(file, "{}"));
    ASSERT_TRUE(writeFile(deepFile, "data"));
    ASSERT_TRUE(writeFile(outside, "outside"));
    ASSERT_TRUE(makeSymlink(native(outside), link));

    if (!setUserAttribute(outside, "user.rure.keep")) {
        if (errno == ENOTSUP || errno == EOPNOTSUPP) {
            GTEST_SKIP() << "the file system of " << scratch.path().toStdString()
                         << " does not support user extended attributes";
        }
        FAIL() << "lsetxattr: " << std::strerror(errno);
    }
    const QStringList marked = {root, root + QStringLiteral("/Contents"),
                                root + QStringLiteral("/Contents/Resources/deep"), file, deepFile};
    for (const QString& path : marked) {
        ASSERT_TRUE(setUserAttribute(path, "user.rure.quarantine")) << path.toStdString();
        ASSERT_TRUE(setUserAttribute(path, "user.xdg.origin.url")) << path.toStdString();
    }

    const ProgramRun run = runProgram(bundleToolPath(), {QStringLiteral("clear-xattrs"), root},
                                      QStringLiteral("/"), QProcessEnvironment());
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    for (const QString& path : marked) {
        EXPECT_EQ(userAttributes(path), QStringList()) << path.toStdString();
    }
    EXPECT_EQ(userAttributes(outside), QStringList{QStringLiteral("user.rure.keep")})
        << "the link's target lies outside and must keep its attributes";

    // A single file as the path.
    ASSERT_TRUE(setUserAttribute(outside, "user.rure.more"));
    EXPECT_EQ(runBundleTool({QStringLiteral("clear-xattrs"), outside}).exitCode, 0);
    EXPECT_EQ(userAttributes(outside), QStringList());
}

// A directory inside the tree and a link to one outside trade places over and
// over while the tree is cleared again and again: however the walk and the
// swaps interleave, it never reaches through the link.
TEST(ExtendedAttributes, aDirectorySwappedForALinkWhileTheWalkRunsIsNeverFollowed) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString root = scratch.filePath(QStringLiteral("Staged.app"));
    const QString directory = root + QStringLiteral("/Contents/Resources");
    const QString link = root + QStringLiteral("/Contents/Swapped");
    const QString outside = scratch.filePath(QStringLiteral("outside"));
    const QString outsideFile = outside + QStringLiteral("/kept.txt");
    ASSERT_TRUE(QDir().mkpath(directory));
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(writeFile(directory + QStringLiteral("/inside.txt"), "inside"));
    ASSERT_TRUE(writeFile(outsideFile, "outside"));
    ASSERT_TRUE(makeSymlink(native(outside), link));
    if (!setUserAttribute(outsideFile, "user.rure.keep")) {
        if (errno == ENOTSUP || errno == EOPNOTSUPP) {
            GTEST_SKIP() << "the file system of " << scratch.path().toStdString()
                         << " does not support user extended attributes";
        }
        FAIL() << "lsetxattr: " << std::strerror(errno);
    }
    ASSERT_TRUE(setUserAttribute(outside, "user.rure.keep"));

    std::atomic<bool> stop = false;
    std::atomic<int> swaps = 0;
    const QByteArray first = native(directory);
    const QByteArray second = native(link);
    std::thread swapper([&] {
        while (!stop) {
            if (::renameat2(AT_FDCWD, first.constData(), AT_FDCWD, second.constData(),
                            RENAME_EXCHANGE) == 0) {
                ++swaps;
            }
        }
    });
    int walks = 0;
    while (walks < 20'000 && userAttributes(outsideFile).size() == 1 &&
           userAttributes(outside).size() == 1) {
        // A walk that meets a swap half-way may fail; it must not go outside.
        static_cast<void>(ExtendedAttributes::clearRecursively(native(root).toStdString()));
        ++walks;
    }
    stop = true;
    swapper.join();

    EXPECT_GT(swaps.load(), 0) << "the entries never traded places";
    EXPECT_EQ(userAttributes(outsideFile), QStringList{QStringLiteral("user.rure.keep")})
        << "followed the link after " << walks << " walks";
    EXPECT_EQ(userAttributes(outside), QStringList{QStringLiteral("user.rure.keep")})
        << "followed the link after " << walks << " walks";
}

TEST(ExtendedAttributes, clearXattrsFailsForAPathThatIsNotThere) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    ASSERT_TRUE(writeFile(scratch.filePath(QStringLiteral("file")), "x"));
    // Below a regular file nothing can exist.
    const ProgramRun run = runBundleTool(
        {QStringLiteral("clear-xattrs"), scratch.filePath(QStringLiteral("file/Rure.app"))});
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("cannot examine"))) << run.errors.toStdString();
}

} // namespace
} // namespace rure::test
