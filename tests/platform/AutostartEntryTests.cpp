// Start at Login's entry in a real autostart folder, checked by the desktop's
// own validator.
#include "platform/AutostartEntry.h"

#include "support/DesktopFileValidation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// Sets an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<QByteArray>& value)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const std::optional<QByteArray>& value) {
        if (value) {
            qputenv(name_, *value);
        } else {
            qunsetenv(name_);
        }
    }
    const char* name_;
    std::optional<QByteArray> old_;
};

TEST(AutostartEntry, livesInTheConfigFolderThatXdgConfigHomeNamesWhenItIsAbsolute) {
    const QString home = QDir::homePath();
    {
        const ScopedVariable configuration("XDG_CONFIG_HOME", QByteArray("/tmp/elsewhere"));
        EXPECT_EQ(AutostartEntry::defaultPath(),
                  QStringLiteral("/tmp/elsewhere/autostart/rure.desktop"));
    }
    for (const std::optional<QByteArray>& ignored :
         {std::optional<QByteArray>(), std::optional(QByteArray()),
          std::optional(QByteArray("relative/config"))}) {
        const ScopedVariable configuration("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(AutostartEntry::defaultPath(),
                  home + QStringLiteral("/.config/autostart/rure.desktop"))
            << ignored.value_or("(unset)").toStdString();
    }
}

TEST(AutostartEntry, turningItOnWritesAnEntryTheDesktopTakesAndTurningItOffRemovesIt) {
    QTemporaryDir configuration;
    const QString path = configuration.path() + QStringLiteral("/autostart/rure.desktop");
    // A program whose path needs every kind of quoting a desktop entry has.
    const QString program =
        configuration.path() + QStringLiteral("/My Apps/$HOME \"100%\" back\\slash/rure");
    const AutostartEntry entry(path, program);
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(entry.disable().ok()) << "nothing to remove is no error";

    ASSERT_TRUE(entry.enable().ok());
    EXPECT_TRUE(entry.isEnabled());
    const DesktopFileValidation validation = validateDesktopFile(path);
    EXPECT_TRUE(validation.accepted()) << validation.status << "\n"
                                       << validation.complaints.join(u'\n').toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.contains(
        QStringLiteral("\nExec=\"%1/My Apps/\\\\$HOME \\\\\"100%%\\\\\" back\\\\\\\\slash/rure\"\n")
            .arg(configuration.path())))
        << text.toStdString();
    EXPECT_EQ(desktopExecArgument(QStringLiteral("/usr/lib/rure/Rure.app/Contents/bin/rure")),
              QStringLiteral("/usr/lib/rure/Rure.app/Contents/bin/rure"));

    ASSERT_TRUE(entry.disable().ok());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(entry.isEnabled());

    // An entry the desktop would skip does not count.
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        writeFile(path, QByteArray("[Desktop Entry]\nType=Application\nName=Rure\nExec=rure\n") +
                            off + '\n');
        EXPECT_FALSE(entry.isEnabled()) << off;
    }
}

TEST(AutostartEntry, aFileOrFolderInTheWayIsAClearErrorAndTheStateStaysTrue) {
    QTemporaryDir configuration;
    // A file where the autostart folder belongs.
    writeFile(configuration.path() + QStringLiteral("/autostart"), "not a folder");
    const AutostartEntry blockedFolder(configuration.path() +
                                           QStringLiteral("/autostart/rure.desktop"),
                                       QStringLiteral("/bin/rure"));
    const Result<void> enabled = blockedFolder.enable();
    ASSERT_FALSE(enabled.ok());
    EXPECT_TRUE(enabled.error().description.contains(QStringLiteral("Could not create the folder")))
        << enabled.error().description.toStdString();
    EXPECT_FALSE(blockedFolder.isEnabled());

    // A folder where the entry belongs.
    const QString folderPath = configuration.path() + QStringLiteral("/other/rure.desktop");
    ASSERT_TRUE(QDir().mkpath(folderPath + QStringLiteral("/inside")));
    const AutostartEntry blockedEntry(folderPath, QStringLiteral("/bin/rure"));
    EXPECT_FALSE(blockedEntry.enable().ok());
    EXPECT_FALSE(blockedEntry.isEnabled());
    const Result<void> disabled = blockedEntry.disable();
    ASSERT_FALSE(disabled.ok());
    EXPECT_TRUE(disabled.error().description.startsWith(QStringLiteral("Could not remove ")))
        << disabled.error().description.toStdString();
    EXPECT_TRUE(QFileInfo(folderPath + QStringLiteral("/inside")).isDir());
}

} // namespace
} // namespace rure::test
