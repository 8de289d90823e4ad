#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerOperations.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace rure {
namespace {

using InstallerOperations::run;
using InstallerOperations::shellQuoted;

TEST(InstallerOperationsError, IsAnInstallerErrorWithCodeOneCarryingTheMessage) {
    const Error error =
        InstallerOperations::error(QStringLiteral("The installer payload is missing."));
    EXPECT_EQ(error.domain, ErrorDomain::installer);
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.description, QStringLiteral("The installer payload is missing."));
}

TEST(InstallerOperationsRun, ReturnsTheExitStatusOrMinusOneWhenTheProgramCannotStart) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString notExecutable = directory.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(test::writeFile(notExecutable, "#!/bin/sh\nexit 0\n"));
    const QString sh = QStringLiteral("/bin/sh");
    const QString c = QStringLiteral("-c");
    struct Case {
        const char* label;
        QString executable;
        QStringList arguments;
        int expected;
    };
    const Case cases[] = {
        {"success", sh, {c, QStringLiteral("exit 0")}, 0},
        {"failure status", sh, {c, QStringLiteral("exit 3")}, 3},
        {"pkexec's dismissed status", sh, {c, QStringLiteral("exit 126")}, 126},
        {"killed by a signal", sh, {c, QStringLiteral("kill -KILL $$")}, 128 + 9},
        {"arguments passed exactly, without a shell",
         sh,
         {c,
          QStringLiteral("[ $# = 3 ] && [ \"$1\" = 'a b' ] && [ -z \"$2\" ] && [ \"$3\" = '*' ]"),
          QStringLiteral("sh"), QStringLiteral("a b"), QString(), QStringLiteral("*")},
         0},
        {"missing program", directory.filePath(QStringLiteral("missing")), {}, -1},
        {"a directory", directory.path(), {}, -1},
        {"a file without execute permission", notExecutable, {}, -1},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        EXPECT_EQ(run(testCase.executable, testCase.arguments), testCase.expected);
    }
}

TEST(InstallerOperationsRun, InheritsEnvironmentAndInputAndDiscardsOutput) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString input = directory.filePath(QStringLiteral("input"));
    const QString output = directory.filePath(QStringLiteral("output"));
    ASSERT_TRUE(test::writeFile(input, "first line\n"));
    ASSERT_EQ(::setenv("RURE_TRANSACTION_TEST_MARK", "it's here", 1), 0);
    int status = -2;
    {
        const test::ScopedDescriptorRedirect in(STDIN_FILENO, input, O_RDONLY);
        const test::ScopedDescriptorRedirect out(STDOUT_FILENO, output,
                                                 O_WRONLY | O_CREAT | O_TRUNC);
        const test::ScopedDescriptorRedirect err(STDERR_FILENO, output, O_WRONLY | O_APPEND);
        ASSERT_TRUE(in.ok() && out.ok() && err.ok());
        status = run(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("echo to-stdout; echo to-stderr >&2; read line; "
                                     "[ \"$line\" = 'first line' ] && "
                                     "[ \"$RURE_TRANSACTION_TEST_MARK\" = \"it's here\" ]")});
    }
    ::unsetenv("RURE_TRANSACTION_TEST_MARK");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::readFile(output), QByteArray());
}

TEST(InstallerOperationsShellQuoted, EveryTextSurvivesTheRealShellAsOneWord) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    EXPECT_EQ(shellQuoted(QStringLiteral("/opt/Rure.app")), QStringLiteral("'/opt/Rure.app'"));
    EXPECT_EQ(shellQuoted(QStringLiteral("it's")), QStringLiteral("'it'\\''s'"));
    const QString texts[] = {
        QString(),
        QStringLiteral("/opt/Rure.app"),
        QStringLiteral("it's"),
        QStringLiteral("''"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("line\nfeed\n"),
        QStringLiteral("  spaces  and\ttab"),
        QStringLiteral("-rf"),
        QStringLiteral("$(touch pwned) `touch pwned` $HOME ${HOME} * ? [a] ~ ; & | < > #"),
        QStringLiteral("Caf\u00e9 \U0001F3A5"),
    };
    const QString outputPath = directory.filePath(QStringLiteral("it's \"out\""));
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const QString script = QStringLiteral("printf '%s' ") + shellQuoted(text) +
                               QStringLiteral(" > ") + shellQuoted(outputPath);
        ASSERT_EQ(run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}), 0);
        EXPECT_EQ(test::readFile(outputPath), text.toUtf8());
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("pwned")));
}

} // namespace
} // namespace rure
