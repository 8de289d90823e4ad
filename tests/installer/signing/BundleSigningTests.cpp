#include "SigningTestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>

namespace rure::test {
namespace {

// A name that would break a manifest that wrote paths raw or half-escaped.
const QString hostileName = QStringLiteral("it's \"odd\" \\ name\nline two.txt");
const QString hostileNameEscaped =
    QStringLiteral("it's\\x20\"odd\"\\x20\\x5c\\x20name\\x0aline\\x20two.txt");

class BundleSigningTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.isValid()); }

    QString scratchPath(const QString& name) const { return scratch_.filePath(name); }

    // A bundle with a nested signed bundle, an executable, an empty folder, a
    // link inside the bundle, one to a file outside it, and a hostile file name;
    // signed with the build's key. Empty on failure (already reported).
    QString makeSignedSampleBundle(const QString& name = QStringLiteral("Sample Viewer.app")) {
        const QString bundle = scratchPath(name);
        const QString nested = bundle + QStringLiteral("/Contents/Resources/Nested.app");
        const QString outside = scratchPath(QStringLiteral("outside.txt"));
        const bool made =
            QDir().mkpath(bundle + QStringLiteral("/Contents/bin")) &&
            QDir().mkpath(bundle + QStringLiteral("/Contents/Resources/empty")) &&
            QDir().mkpath(nested + QStringLiteral("/Contents/bin")) &&
            writeFile(bundle + QStringLiteral("/Contents/Info.json"),
                      R"({"identifier": "com.example.sample", "executable": "sample"})") &&
            writeFile(bundle + QStringLiteral("/Contents/bin/sample"),
                      "#!/bin/sh\necho sample\n") &&
            QFile::setPermissions(bundle + QStringLiteral("/Contents/bin/sample"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadOther | QFile::ExeOther) &&
            writeFile(bundle + QStringLiteral("/Contents/Resources/data.txt"), "frames: 30\n") &&
            writeFile(bundle + QStringLiteral("/Contents/Resources/") + hostileName, "hostile\n") &&
            makeSymlink("../bin/sample", bundle + QStringLiteral("/Contents/Resources/link")) &&
            writeFile(outside, "outside the bundle\n") &&
            makeSymlink(QFile::encodeName(outside),
                        bundle + QStringLiteral("/Contents/Resources/outside")) &&
            writeFile(nested + QStringLiteral("/Contents/Info.json"),
                      R"({"executable": "nested"})") &&
            writeFile(nested + QStringLiteral("/Contents/bin/nested"), "nested program\n");
        if (!made) {
            ADD_FAILURE() << "could not lay out the sample bundle";
            return {};
        }
        for (const QString& signedBundle : {nested, bundle}) {
            const ProgramRun run =
                runBundleTool({QStringLiteral("sign"), signedBundle, signingKeyPath()});
            if (!run.started || run.exitCode != 0) {
                ADD_FAILURE() << "signing failed: " << run.errors.toStdString();
                return {};
            }
        }
        return bundle;
    }

    // An Ed25519 key pair of the test's own: {private, public}.
    std::pair<QString, QString> makeOtherKey() {
        const QString privateKey = scratchPath(QStringLiteral("other-key.pem"));
        const QString publicKey = scratchPath(QStringLiteral("other-key.pub.pem"));
        EXPECT_EQ(runProgram(QStringLiteral("openssl"),
                             {QStringLiteral("genpkey"), QStringLiteral("-algorithm"),
                              QStringLiteral("ed25519"), QStringLiteral("-out"), privateKey})
                      .exitCode,
                  0);
        EXPECT_EQ(runProgram(QStringLiteral("openssl"),
                             {QStringLiteral("pkey"), QStringLiteral("-in"), privateKey,
                              QStringLiteral("-pubout"), QStringLiteral("-out"), publicKey})
                      .exitCode,
                  0);
        return {privateKey, publicKey};
    }

    QTemporaryDir scratch_;
};

QByteArray sha256Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

TEST_F(BundleSigningTest, aSignedBundleVerifiesWhereverAndHoweverTheToolRuns) {
    const QString bundle = makeSignedSampleBundle();
    ASSERT_FALSE(bundle.isEmpty());

    const ProgramRun plain = runBundleTool({QStringLiteral("verify"), bundle});
    EXPECT_TRUE(plain.started);
    EXPECT_EQ(plain.exitCode, 0) << plain.errors.toStdString();

    // As under pkexec: no environment at all, another working directory, and a
    // path relative to it.
    ASSERT_TRUE(bundle.startsWith(u'/'));
    const ProgramRun bare = runProgram(bundleToolPath(), {QStringLiteral("verify"), bundle.mid(1)},
                                       QStringLiteral("/"), QProcessEnvironment());
    EXPECT_EQ(bare.exitCode, 0) << bare.errors.toStdString();

    // Links are recorded by their text, never followed: what lies outside the
    // bundle may change.
    ASSERT_TRUE(writeFile(scratchPath(QStringLiteral("outside.txt")), "changed outside\n"));
    const ProgramRun afterOutsideChange = runBundleTool({QStringLiteral("verify"), bundle});
    EXPECT_EQ(afterOutsideChange.exitCode, 0) << afterOutsideChange.errors.toStdString();
}

TEST_F(BundleSigningTest, theManifestNamesEveryEntryOnceInAStableOrder) {
    const QString bundle = makeSignedSampleBundle();
    ASSERT_FALSE(bundle.isEmpty());
    const QString manifestPath = bundle + QStringLiteral("/Contents/Signature/Manifest");
    const QByteArray manifest = readFile(manifestPath);

    const QByteArray outsideTarget = QFile::encodeName(scratchPath(QStringLiteral("outside.txt")));
    EXPECT_TRUE(manifest.contains("\nsymlink Contents/Resources/link ../bin/sample\n"));
    EXPECT_TRUE(manifest.contains("\nsymlink Contents/Resources/outside " + outsideTarget + "\n"))
        << "(the sample's scratch path holds no bytes that need escaping)";
    EXPECT_TRUE(manifest.contains("\nfile Contents/Resources/" + hostileNameEscaped.toUtf8() + " " +
                                  sha256Hex("hostile\n") + "\n"));
    EXPECT_TRUE(manifest.contains("\nexecutable Contents/bin/sample " +
                                  sha256Hex("#!/bin/sh\necho sample\n") + "\n"));
    EXPECT_TRUE(manifest.contains("\ndirectory Contents/Resources/empty\n"));
    // The nested bundle's own signature is part of the outer manifest.
    EXPECT_TRUE(
        manifest.contains("\nfile Contents/Resources/Nested.app/Contents/Signature/Manifest.sig "));
    EXPECT_FALSE(manifest.contains(" Contents/Signature"));

    // Signing again gives the same manifest byte for byte.
    const ProgramRun again = runBundleTool({QStringLiteral("sign"), bundle, signingKeyPath()});
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_EQ(readFile(manifestPath), manifest);
}

struct Tampering {
    const char* what;
    std::function<void(const QString& bundle)> change;
    QString expectedMessage;
};

TEST_F(BundleSigningTest, everyTamperingFailsVerification) {
    const QString resources = QStringLiteral("/Contents/Resources/");
    const QString otherKey = makeOtherKey().first;
    const std::vector<Tampering> cases = {
        {"one changed byte",
         [&](const QString& bundle) {
             ASSERT_TRUE(
                 writeFile(bundle + resources + QStringLiteral("data.txt"), "frames: 31\n"));
         },
         QStringLiteral("changed file Contents/Resources/data.txt")},
        {"a changed byte in the file with the hostile name",
         [&](const QString& bundle) {
             ASSERT_TRUE(writeFile(bundle + resources + hostileName, "hostilE\n"));
         },
         QStringLiteral("changed file Contents/Resources/") + hostileNameEscaped},
        {"a missing file",
         [&](const QString& bundle) {
             ASSERT_TRUE(QFile::remove(bundle + resources + QStringLiteral("data.txt")));
         },
         QStringLiteral("missing file Contents/Resources/data.txt")},
        {"an added file",
         [&](const QString& bundle) {
             ASSERT_TRUE(writeFile(bundle + QStringLiteral("/Contents/added.txt"), ""));
         },
         QStringLiteral("added file Contents/added.txt")},
        {"an added empty directory",
         [&](const QString& bundle) {
             ASSERT_TRUE(QDir().mkpath(bundle + resources + QStringLiteral("added")));
         },
         QStringLiteral("added directory Contents/Resources/added")},
        {"a removed empty directory",
         [&](const QString& bundle) {
             ASSERT_TRUE(QDir().rmdir(bundle + resources + QStringLiteral("empty")));
         },
         QStringLiteral("missing directory Contents/Resources/empty")},
        {"a retargeted symbolic link",
         [&](const QString& bundle) {
             ASSERT_TRUE(QFile::remove(bundle + resources + QStringLiteral("link")));
             ASSERT_TRUE(makeSymlink("../Info.json", bundle + resources + QStringLiteral("link")));
         },
         QStringLiteral("changed symlink Contents/Resources/link")},
        {"a file swapped for a link to the same bytes",
         [&](const QString& bundle) {
             const QString copy = scratchPath(QStringLiteral("data-copy.txt"));
             ASSERT_TRUE(writeFile(copy, "frames: 30\n"));
             ASSERT_TRUE(QFile::remove(bundle + resources + QStringLiteral("data.txt")));
             ASSERT_TRUE(makeSymlink(QFile::encodeName(copy),
                                     bundle + resources + QStringLiteral("data.txt")));
         },
         QStringLiteral("changed Contents/Resources/data.txt from file to symlink")},
        {"a lost execute permission",
         [&](const QString& bundle) {
             ASSERT_TRUE(QFile::setPermissions(bundle + QStringLiteral("/Contents/bin/sample"),
                                               QFile::ReadOwner | QFile::WriteOwner));
         },
         QStringLiteral("changed Contents/bin/sample from executable to file")},
        {"the hostile name spelled with a backslash and an n instead of a line feed",
         [&](const QString& bundle) {
             QString renamed = hostileName;
             renamed.replace(u'\n', QStringLiteral("\\n"));
             ASSERT_TRUE(
                 QFile::rename(bundle + resources + hostileName, bundle + resources + renamed));
         },
         QStringLiteral("missing file Contents/Resources/") + hostileNameEscaped},
        {"a fifo",
         [&](const QString& bundle) {
             ASSERT_EQ(
                 ::mkfifo(
                     QFile::encodeName(bundle + resources + QStringLiteral("pipe")).constData(),
                     0644),
                 0);
         },
         QStringLiteral("Contents/Resources/pipe is neither a regular file")},
        {"a manifest changed to match a changed file",
         [&](const QString& bundle) {
             const QString manifestPath = bundle + QStringLiteral("/Contents/Signature/Manifest");
             QByteArray manifest = readFile(manifestPath);
             ASSERT_TRUE(manifest.contains(sha256Hex("frames: 30\n")));
             manifest.replace(sha256Hex("frames: 30\n"), sha256Hex("frames: 99\n"));
             ASSERT_TRUE(writeFile(manifestPath, manifest));
             ASSERT_TRUE(
                 writeFile(bundle + resources + QStringLiteral("data.txt"), "frames: 99\n"));
         },
         QStringLiteral("signature is not valid for the trusted key")},
        {"a corrupted signature",
         [&](const QString& bundle) {
             const QString signaturePath =
                 bundle + QStringLiteral("/Contents/Signature/Manifest.sig");
             QByteArray signature = readFile(signaturePath);
             ASSERT_EQ(signature.size(), 64);
             signature[10] = static_cast<char>(signature[10] ^ 0x01);
             ASSERT_TRUE(writeFile(signaturePath, signature));
         },
         QStringLiteral("signature is not valid for the trusted key")},
        {"a signature by another key",
         [&](const QString& bundle) {
             ASSERT_EQ(runBundleTool({QStringLiteral("sign"), bundle, otherKey}).exitCode, 0);
         },
         QStringLiteral("signature is not valid for the trusted key")},
        {"a missing signature",
         [&](const QString& bundle) {
             ASSERT_TRUE(
                 QFile::remove(bundle + QStringLiteral("/Contents/Signature/Manifest.sig")));
         },
         QStringLiteral("is not signed: Contents/Signature/Manifest.sig is missing")},
        {"a stray file next to the signature",
         [&](const QString& bundle) {
             ASSERT_TRUE(writeFile(bundle + QStringLiteral("/Contents/Signature/Extra"), "x"));
         },
         QStringLiteral("unexpected entry Contents/Signature/Extra")},
        {"a tampered nested bundle under a fresh outer signature",
         [&](const QString& bundle) {
             ASSERT_TRUE(
                 writeFile(bundle + resources + QStringLiteral("Nested.app/Contents/bin/nested"),
                           "replaced program\n"));
             ASSERT_EQ(runBundleTool({QStringLiteral("sign"), bundle, signingKeyPath()}).exitCode,
                       0);
         },
         QStringLiteral("Nested.app was modified: changed file Contents/bin/nested")},
    };

    int index = 0;
    for (const Tampering& tampering : cases) {
        SCOPED_TRACE(tampering.what);
        const QString bundle = makeSignedSampleBundle(QStringLiteral("Case %1.app").arg(++index));
        ASSERT_FALSE(bundle.isEmpty());
        ASSERT_EQ(runBundleTool({QStringLiteral("verify"), bundle}).exitCode, 0);

        tampering.change(bundle);
        if (HasFatalFailure()) {
            return;
        }
        const ProgramRun run = runBundleTool({QStringLiteral("verify"), bundle});
        EXPECT_TRUE(run.started);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.errors.contains(tampering.expectedMessage)) << run.errors.toStdString();
    }
}

TEST_F(BundleSigningTest, entriesOthersMayWriteOrThatCarrySetIdBitsAreRefused) {
    struct Case {
        const char* what;
        QString entry; // relative to the bundle; empty for the bundle's root
        mode_t added;
        QString expectedMessage;
        bool signingRefuses; // the signature's own files are rewritten by signing
    };
    const QString writable = QStringLiteral(" is writable by its group or by others");
    const QString setId = QStringLiteral(" has the set-user-ID or set-group-ID bit");
    const std::vector<Case> cases = {
        {"a file anyone may write", QStringLiteral("Contents/Resources/data.txt"), S_IWOTH,
         QStringLiteral("Contents/Resources/data.txt") + writable, true},
        {"a directory its group may write", QStringLiteral("Contents/Resources"), S_IWGRP,
         QStringLiteral("Contents/Resources") + writable, true},
        {"the bundle's root open to its group", QString(), S_IWGRP,
         QStringLiteral(".app") + writable, true},
        {"a file in a nested bundle anyone may write",
         QStringLiteral("Contents/Resources/Nested.app/Contents/bin/nested"), S_IWOTH,
         QStringLiteral("Contents/Resources/Nested.app/Contents/bin/nested") + writable, true},
        {"a set-user-ID program", QStringLiteral("Contents/bin/sample"), S_ISUID,
         QStringLiteral("Contents/bin/sample") + setId, true},
        {"a set-group-ID directory", QStringLiteral("Contents/bin"), S_ISGID,
         QStringLiteral("Contents/bin") + setId, true},
        {"a signature anyone may replace", QStringLiteral("Contents/Signature/Manifest"), S_IWOTH,
         QStringLiteral("Contents/Signature/Manifest") + writable, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString bundle = makeSignedSampleBundle(QStringLiteral("Modes %1.app").arg(++index));
        ASSERT_FALSE(bundle.isEmpty());
        ASSERT_EQ(runBundleTool({QStringLiteral("verify"), bundle}).exitCode, 0);
        const QByteArray entry =
            QFile::encodeName(c.entry.isEmpty() ? bundle : bundle + u'/' + c.entry);
        struct stat status {};
        ASSERT_EQ(::lstat(entry.constData(), &status), 0);
        ASSERT_EQ(::chmod(entry.constData(), (status.st_mode & 07777) | c.added), 0);

        const ProgramRun verified = runBundleTool({QStringLiteral("verify"), bundle});
        EXPECT_TRUE(verified.started);
        EXPECT_EQ(verified.exitCode, 1);
        EXPECT_TRUE(verified.errors.contains(c.expectedMessage)) << verified.errors.toStdString();
        if (c.signingRefuses) {
            const ProgramRun signing =
                runBundleTool({QStringLiteral("sign"), bundle, signingKeyPath()});
            EXPECT_EQ(signing.exitCode, 1);
            EXPECT_TRUE(signing.errors.contains(c.expectedMessage)) << signing.errors.toStdString();
        }

        // Taking the bit away again is all it takes.
        ASSERT_EQ(::chmod(entry.constData(), status.st_mode & 07777), 0);
        const ProgramRun restored = runBundleTool({QStringLiteral("verify"), bundle});
        EXPECT_EQ(restored.exitCode, 0) << restored.errors.toStdString();
    }
}

TEST_F(BundleSigningTest, publicKeyOptionTrustsAnotherKeyInstead) {
    const auto [otherKey, otherPublicKey] = makeOtherKey();

    const QString bundle = scratchPath(QStringLiteral("Plain.app"));
    ASSERT_TRUE(QDir().mkpath(bundle + QStringLiteral("/Contents/bin")));
    ASSERT_TRUE(writeFile(bundle + QStringLiteral("/Contents/Info.json"), "{}"));
    ASSERT_EQ(runBundleTool({QStringLiteral("sign"), bundle, otherKey}).exitCode, 0);

    EXPECT_NE(runBundleTool({QStringLiteral("verify"), bundle}).exitCode, 0);
    const ProgramRun withOtherKey = runBundleTool(
        {QStringLiteral("verify"), QStringLiteral("--public-key"), otherPublicKey, bundle});
    EXPECT_EQ(withOtherKey.exitCode, 0) << withOtherKey.errors.toStdString();
    const ProgramRun optionAfterBundle = runBundleTool(
        {QStringLiteral("verify"), bundle, QStringLiteral("--public-key"), otherPublicKey});
    EXPECT_EQ(optionAfterBundle.exitCode, 0) << optionAfterBundle.errors.toStdString();
}

TEST_F(BundleSigningTest, signingRefusesWhatCannotBeSigned) {
    const QString bundle = makeSignedSampleBundle();
    ASSERT_FALSE(bundle.isEmpty());
    const QString otherPublicKey = makeOtherKey().second;
    const QString ecKey = scratchPath(QStringLiteral("ec-key.pem"));
    ASSERT_EQ(
        runProgram(QStringLiteral("openssl"),
                   {QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"),
                    QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                    QStringLiteral("-out"), ecKey})
            .exitCode,
        0);
    const QString ecPublicKey = scratchPath(QStringLiteral("ec-key.pub.pem"));
    ASSERT_EQ(runProgram(QStringLiteral("openssl"),
                         {QStringLiteral("pkey"), QStringLiteral("-in"), ecKey,
                          QStringLiteral("-pubout"), QStringLiteral("-out"), ecPublicKey})
                  .exitCode,
              0);
    const QString fifoBundle = makeSignedSampleBundle(QStringLiteral("Fifo.app"));
    ASSERT_FALSE(fifoBundle.isEmpty());
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoBundle + QStringLiteral("/Contents/pipe")).constData(),
                       0644),
              0);
    const QString notABundle = scratchPath(QStringLiteral("Empty.app"));
    ASSERT_TRUE(QDir().mkpath(notABundle));
    const QString missing = scratchPath(QStringLiteral("Missing.app"));

    struct Case {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    const std::vector<Case> cases = {
        {{}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("frobnicate"), bundle}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("sign"), bundle}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("verify")}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("verify"), bundle, bundle}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("verify"), bundle, QStringLiteral("--public-key")},
         2,
         QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("clear-xattrs")}, 2, QStringLiteral("usage: rure-bundle")},
        {{QStringLiteral("sign"), bundle, scratchPath(QStringLiteral("no-key.pem"))},
         1,
         QStringLiteral("cannot open the key file")},
        {{QStringLiteral("sign"), bundle, otherPublicKey}, 1, QStringLiteral("cannot read a key")},
        {{QStringLiteral("sign"), bundle, ecKey}, 1, QStringLiteral("is not an Ed25519 key")},
        {{QStringLiteral("sign"), fifoBundle, signingKeyPath()},
         1,
         QStringLiteral("Contents/pipe is neither a regular file")},
        {{QStringLiteral("sign"), notABundle, signingKeyPath()},
         1,
         QStringLiteral("has no Contents directory")},
        {{QStringLiteral("verify"), missing}, 1, QStringLiteral("is not a directory")},
        {{QStringLiteral("verify"), QStringLiteral("--public-key"), ecPublicKey, bundle},
         1,
         QStringLiteral("is not an Ed25519 key")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ProgramRun run = runBundleTool(c.arguments);
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
    }
    // A refused signing leaves the earlier signature in place, and that one
    // still fails, because of the fifo.
    EXPECT_TRUE(QFile::exists(fifoBundle + QStringLiteral("/Contents/Signature/Manifest.sig")));
    EXPECT_NE(runBundleTool({QStringLiteral("verify"), fifoBundle}).exitCode, 0);
}

} // namespace
} // namespace rure::test
