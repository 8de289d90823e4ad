#include "UpdateTestSupport.h"
#include "common/RurePalette.h"
#include "support/FusionAppearance.h"
#include "support/TextContrast.h"
#include "updates/UpdateAlerts.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

// Stands in for the web browser: QDesktopServices hands it every https address.
class BrowserStandIn : public QObject {
    Q_OBJECT

public:
    BrowserStandIn() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~BrowserStandIn() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

QStringList buttonTexts(const QMessageBox& alert) {
    QStringList texts;
    for (QAbstractButton* button : alert.buttons()) {
        texts << button->text();
    }
    return texts;
}

QPushButton* buttonNamed(const QMessageBox& alert, const QString& text) {
    for (QAbstractButton* button : alert.buttons()) {
        if (button->text() == text) {
            return qobject_cast<QPushButton*>(button);
        }
    }
    return nullptr;
}

bool isTinted(const QPushButton* button) {
    return button && button->styleSheet().contains(RurePalette::cabinStrong().name());
}

const RureUpdateManifest newer{QStringLiteral("1.4.2"), 31,
                               QStringLiteral("https://didirezoror.com/rure/?from=app")};

TEST(UpdateAlerts, statusAlertWithoutAWindowIsApplicationModalWithOneTintedOkButton) {
    QPointer<QMessageBox> alert =
        presentUpdateStatus(QStringLiteral("Rure is up to date"), QStringLiteral("All good."));
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->parentWidget(), nullptr);
    EXPECT_EQ(alert->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->icon(), QMessageBox::Information);
    EXPECT_EQ(alert->text(), QStringLiteral("Rure is up to date"));
    EXPECT_EQ(alert->informativeText(), QStringLiteral("All good."));
    EXPECT_EQ(buttonTexts(*alert), QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(isTinted(buttonNamed(*alert, QStringLiteral("OK"))));

    buttonNamed(*alert, QStringLiteral("OK"))->click();
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); })) << "the alert outlives its answer";
}

TEST(UpdateAlerts, tintedButtonsReadWhiteOnTheAccentUnderLightAndDarkColours) {
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        QPointer<QMessageBox> status =
            presentUpdateStatus(QStringLiteral("Rure is up to date"), QStringLiteral("All good."));
        QPointer<QMessageBox> available = presentAvailableUpdate(newer);
        ASSERT_TRUE(status && available);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(status) &&
                    QTest::qWaitForWindowExposed(available));
        for (QPushButton* button : {buttonNamed(*status, QStringLiteral("OK")),
                                    buttonNamed(*available, QStringLiteral("Open Website"))}) {
            ASSERT_NE(button, nullptr);
            const TextContrast measured = measureTextContrast(
                button->grab().toImage(), button->rect().adjusted(6, 4, -6, -4));
            EXPECT_GE(measured.ratio, readableTextContrast)
                << button->text().toStdString() << ": " << measured.describe().toStdString();
        }
        status->close();
        available->close();
        EXPECT_TRUE(waitUntil([&] { return status.isNull() && available.isNull(); }));
    }
}

TEST(UpdateAlerts, alertsAttachToTheShownMainWindow) {
    QWidget mainWindow;
    mainWindow.resize(320, 200);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));

    QPointer<QMessageBox> status =
        presentUpdateStatus(QStringLiteral("Title"), QStringLiteral("Message"), &mainWindow);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->parentWidget(), &mainWindow);
    EXPECT_EQ(status->windowModality(), Qt::WindowModal);
    buttonNamed(*status, QStringLiteral("OK"))->click();

    QPointer<QMessageBox> offer = presentAvailableUpdate(newer, &mainWindow);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->parentWidget(), &mainWindow);
    EXPECT_EQ(offer->windowModality(), Qt::WindowModal);
    buttonNamed(*offer, QStringLiteral("Later"))->click();
    EXPECT_TRUE(waitUntil([&] { return status.isNull() && offer.isNull(); }));

    // A main window that is not shown is no place for an alert.
    mainWindow.hide();
    QPointer<QMessageBox> detached =
        presentUpdateStatus(QStringLiteral("Title"), QStringLiteral("Message"), &mainWindow);
    if (QApplication::activeWindow() == nullptr) {
        EXPECT_EQ(detached->parentWidget(), nullptr);
        EXPECT_EQ(detached->windowModality(), Qt::ApplicationModal);
    }
    detached->close();
}

TEST(UpdateAlerts, availableUpdateOpensTheDownloadPageOnlyWhenAsked) {
    BrowserStandIn browser;

    QPointer<QMessageBox> declined = presentAvailableUpdate(newer);
    ASSERT_TRUE(declined);
    EXPECT_EQ(declined->text(), QStringLiteral("Rure 1.4.2 is available"));
    EXPECT_EQ(
        declined->informativeText(),
        QString::fromUtf8("Download the newest version from the Rure website when you’re ready."));
    EXPECT_EQ(declined->icon(), QMessageBox::Information);
    EXPECT_EQ(declined->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(buttonTexts(*declined).size(), 2);
    QPushButton* open = buttonNamed(*declined, QStringLiteral("Open Website"));
    QPushButton* later = buttonNamed(*declined, QStringLiteral("Later"));
    ASSERT_TRUE(open && later);
    EXPECT_EQ(declined->defaultButton(), open);
    EXPECT_TRUE(isTinted(open));
    EXPECT_FALSE(isTinted(later));
    later->click();
    EXPECT_TRUE(waitUntil([&] { return declined.isNull(); }));
    EXPECT_TRUE(browser.opened.isEmpty());

    QPointer<QMessageBox> accepted = presentAvailableUpdate(newer);
    ASSERT_TRUE(accepted);
    buttonNamed(*accepted, QStringLiteral("Open Website"))->click();
    EXPECT_TRUE(waitUntil([&] { return accepted.isNull(); }));
    EXPECT_EQ(browser.opened,
              QList<QUrl>{QUrl(QStringLiteral("https://didirezoror.com/rure/?from=app"))});
}

TEST(UpdateAlerts, presentersForTheSchedulerShowTheAlerts) {
    const UpdateCheckPresenters presenters = updateAlertPresenters();
    presenters.presentUpdateStatus(QStringLiteral("Rure is up to date"), QStringLiteral("Fine."));
    presenters.presentAvailableUpdate(newer);
    QStringList shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* alert = qobject_cast<QMessageBox*>(widget); alert && alert->isVisible()) {
            shown << alert->text();
            alert->close();
        }
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Rure 1.4.2 is available"),
                                  QStringLiteral("Rure is up to date")}));
}

} // namespace
} // namespace rure::test

#include "UpdateAlertsTests.moc"
