#include "InstallerDelegateFixture.h"

#include "installer/app/InstallerPalette.h"
#include "installer/app/InstallerWindow.h"
#include "support/FusionAppearance.h"
#include "support/TextContrast.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace rure::test {
namespace {

int horizontalCentre(const QWidget* widget) {
    return widget->x() + widget->width() / 2;
}
int bottom(const QWidget* widget) {
    return widget->y() + widget->height();
}

// Runs the application's event loop after `trigger`; returns its exit code, or
// -1 when nothing ended it within a generous bound.
int runEventLoopAfter(const std::function<void()>& trigger) {
    QTimer::singleShot(0, qApp, trigger);
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, qApp, [] { QCoreApplication::exit(-1); });
    bound.start(30000);
    return QApplication::exec();
}

TEST_F(InstallerDelegateTest, theWindowIsAFixedCentredDialogWithOnlyACloseButton) {
    launch();
    EXPECT_EQ(log.count(RureLogLevel::standard, QStringLiteral("Rizezad Aduz launched.")), 1);
    QWidget* window = delegate->window();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Rizezad Aduz"));
    EXPECT_EQ(window->size(), QSize(480, 310));
    EXPECT_EQ(window->minimumSize(), QSize(480, 310));
    EXPECT_EQ(window->maximumSize(), QSize(480, 310));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->isActiveWindow());

    const QPoint screenCentre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - screenCentre).manhattanLength(), 2)
        << window->geometry().x() << "," << window->geometry().y();
}

TEST_F(InstallerDelegateTest, theContentLiesInOneCentredColumn) {
    launch();
    QWidget* window = delegate->window();
    auto* icon = window->findChild<QLabel*>(QStringLiteral("icon"));
    auto* title = window->findChild<QLabel*>(QStringLiteral("title"));
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(title, nullptr);
    QLabel* status = delegate->statusLabel();
    QCheckBox* box = delegate->trashCheckbox();
    QPushButton* button = delegate->installButton();

    EXPECT_EQ(icon->geometry(), QRect(204, 24, 72, 72));
    EXPECT_EQ(title->text(), QStringLiteral("Rure"));
    EXPECT_EQ(title->font().pixelSize(), 27);
    EXPECT_EQ(title->font().weight(), QFont::DemiBold);
    EXPECT_EQ(title->y(), bottom(icon) + 8);
    EXPECT_NEAR(horizontalCentre(title), 240, 1);
    EXPECT_EQ(status->y(), bottom(title) + 10);
    EXPECT_EQ(status->x(), 46);
    EXPECT_EQ(status->width(), 480 - 2 * 46);
    EXPECT_TRUE(status->wordWrap());
    EXPECT_TRUE(status->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_EQ(status->palette().color(QPalette::WindowText),
              window->palette().color(QPalette::PlaceholderText));
    const auto expectColumnBelowStatus = [&] {
        // The hidden box keeps its place, so the button does not move when it appears.
        EXPECT_EQ(box->y(), bottom(status) + 14);
        EXPECT_NEAR(horizontalCentre(box), 240, 1);
        EXPECT_EQ(button->y(), bottom(box) + 14);
        EXPECT_EQ(button->width(), 120);
        EXPECT_NEAR(horizontalCentre(button), 240, 1);
        EXPECT_LE(bottom(button), 310);
    };
    expectColumnBelowStatus();
    EXPECT_EQ(box->text(), QStringLiteral("Move the installer to Trash after opening Rure"));
    EXPECT_TRUE(button->isDefault());

    const QColor cabinRed = QColor::fromRgb(203, 93, 82);
    EXPECT_EQ(InstallerPalette::cabinRed().toRgb(), cabinRed);
    EXPECT_TRUE(button->styleSheet().contains(InstallerPalette::cabinRedStrong().name()));
    EXPECT_EQ(box->palette().color(QPalette::Active, QPalette::Text).toRgb(), cabinRed);

    // The longest text is shown whole, with the box and the button below it.
    installSuccessfully();
    delegate->showTrashFailure();
    QCoreApplication::processEvents();
    EXPECT_GE(status->height(), status->heightForWidth(status->width()));
    expectColumnBelowStatus();
}

TEST_F(InstallerDelegateTest, theButtonReadsWhiteOnTheAccentUnderLightAndDarkColours) {
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        launch();
        QPushButton* button = delegate->installButton();
        const TextContrast measured =
            measureTextContrast(button->grab().toImage(), button->rect().adjusted(6, 4, -6, -4));
        EXPECT_GE(measured.ratio, readableTextContrast) << measured.describe().toStdString();
        delegate.reset();
    }
}

TEST_F(InstallerDelegateTest, theIconIsTheBundlesImageScaledToFitOrARedCircle) {
    const QString resources = installerBundlePath + QStringLiteral("/Contents/Resources");
    const struct {
        const char* name;
        QByteArray svg; // empty: no image in the bundle
        QSize size;
        QColor centre;
    } cases[] = {
        {"square image",
         R"(<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512">)"
         R"(<rect width="512" height="512" fill="#0000ff"/></svg>)",
         QSize(72, 72), QColor(0, 0, 255)},
        {"wide image",
         R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10">)"
         R"(<rect width="20" height="10" fill="#00ff00"/></svg>)",
         QSize(72, 36), QColor(0, 255, 0)},
        {"no image", {}, QSize(72, 72), QColor::fromRgb(203, 93, 82)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        QDir(resources).removeRecursively();
        if (!row.svg.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(resources));
            QFile image(resources + QStringLiteral("/AppIcon.svg"));
            ASSERT_TRUE(image.open(QIODevice::WriteOnly));
            image.write(row.svg);
        }
        launch();
        auto* icon = delegate->window()->findChild<QLabel*>(QStringLiteral("icon"));
        ASSERT_NE(icon, nullptr);
        const QPixmap pixmap = icon->pixmap();
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), row.size);
        const QImage image = pixmap.toImage();
        EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2).toRgb(), row.centre);
        if (row.svg.isEmpty()) {
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "a circle leaves the corners clear";
        }
        delegate.reset();
    }
}

TEST_F(InstallerDelegateTest, theMenuHoldsQuitWhichCtrlQAlsoChooses) {
    launch();
    QMenuBar* bar = delegate->menuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* menu = bar->actions().front()->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* quit = menu->actions().front();
    EXPECT_EQ(quit->text(), QStringLiteral("Quit Rizezad Aduz"));
    EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The bar never takes room from the content.
    EXPECT_TRUE(bar->isNativeMenuBar() || !bar->isVisible());
    EXPECT_EQ(delegate->window()->size(), QSize(480, 310));

    QTest::keyClick(delegate->window(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(scripted.calls, QStringList({QStringLiteral("terminate")}));
    quit->trigger();
    EXPECT_EQ(scripted.count(QStringLiteral("terminate")), 2);
}

TEST_F(InstallerDelegateTest, closingTheWindowOrChoosingQuitEndsTheApplicationInAnyState) {
    const struct {
        const char* name;
        bool installing;
        bool closeWindow; // otherwise Ctrl+Q
    } cases[] = {
        {"close when ready", false, true},
        {"close while installing", true, true},
        {"Ctrl+Q when ready", false, false},
        {"Ctrl+Q while installing", true, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        QApplication::setQuitOnLastWindowClosed(false);
        launch(scripted.actionsQuittingTheApplication());
        EXPECT_TRUE(delegate->applicationShouldTerminateAfterLastWindowClosed());
        EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
        if (row.installing) {
            clickButton();
            waitForInstallStart(scripted.install.returned() + 1);
        }
        QWidget* window = delegate->window();
        const int exitCode = runEventLoopAfter([&] {
            if (row.closeWindow) {
                window->close();
            } else {
                QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
            }
        });
        EXPECT_EQ(exitCode, 0);
        if (row.installing) {
            scripted.install.release(Result<void>::success());
        }
        delegate.reset();
    }
}

} // namespace
} // namespace rure::test
