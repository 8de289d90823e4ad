#include "InstallerDelegateFixture.h"

#include "installer/app/InstallerWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace rure::test {
namespace {

constexpr int waitMilliseconds = 20000;

} // namespace

InstallerDelegateTest::InstallerDelegateTest()
    : installerBundlePath(directory.filePath(QStringLiteral("Rizezad Aduz.app"))),
      scripted(installerBundlePath) {}

InstallerDelegateTest::~InstallerDelegateTest() {
    // A test that stopped half-way must not leave the worker waiting forever.
    if (scripted.install.started() > scripted.install.returned()) {
        scripted.install.release(Result<void>::success());
    }
    delegate.reset();
}

void InstallerDelegateTest::launch() {
    launch(scripted.actions());
}

void InstallerDelegateTest::launch(InstallerActions actions) {
    ASSERT_TRUE(directory.isValid());
    delegate = std::make_unique<InstallerDelegate>(std::move(actions));
    delegate->applicationDidFinishLaunching();
    ASSERT_NE(delegate->window(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(delegate->window(), waitMilliseconds));
}

void InstallerDelegateTest::clickButton() {
    QTest::mouseClick(delegate->installButton(), Qt::LeftButton);
}

void InstallerDelegateTest::pressReturn() {
    QTest::keyClick(delegate->window(), Qt::Key_Return);
}

void InstallerDelegateTest::waitForInstallStart(int count) {
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return scripted.install.started() >= count; }, waitMilliseconds));
    EXPECT_EQ(scripted.install.started(), count);
}

void InstallerDelegateTest::waitForButton(const QString& title) {
    QPushButton* button = delegate->installButton();
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->text() == title && button->isEnabled(); },
                                waitMilliseconds))
        << "the button reads " << button->text().toStdString();
}

void InstallerDelegateTest::installSuccessfully() {
    const int before = scripted.install.started();
    clickButton();
    waitForInstallStart(before + 1);
    scripted.install.release(Result<void>::success());
    waitForButton(QStringLiteral("Done"));
}

void InstallerDelegateTest::expectState(const WindowState& expected) const {
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(delegate->statusLabel()->text(), expected.status);
    if (expected.button) {
        EXPECT_EQ(delegate->installButton()->text(), *expected.button);
    }
    EXPECT_EQ(delegate->installButton()->isEnabled(), expected.buttonEnabled);
    EXPECT_EQ(delegate->trashCheckbox()->isVisible(), expected.boxVisible);
    if (expected.boxEnabled) {
        EXPECT_EQ(delegate->trashCheckbox()->isEnabled(), *expected.boxEnabled);
    }
    if (expected.boxChecked) {
        EXPECT_EQ(delegate->trashCheckbox()->isChecked(), *expected.boxChecked);
    }
}

Error InstallerDelegateTest::installerError(const QString& message) {
    return Error{ErrorDomain::installer, 1, message};
}

} // namespace rure::test
