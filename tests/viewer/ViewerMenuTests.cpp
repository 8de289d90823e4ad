#include "ControllerTestFixture.h"

#include "settings/CameraSettingsController.h"
#include "updates/RureUpdateService.h"
#include "window/ViewerHelp.h"
#include "window/ViewerMainMenu.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

#include <climits>

namespace rure::test {
namespace {

// Receives the addresses the viewer asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder() {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

QStringList menuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions()) {
        titles << withoutMnemonic(action->text());
    }
    return titles;
}

QStringList itemsOf(QMenuBar* bar, const QString& menu) {
    QStringList items;
    for (QAction* action : bar->actions()) {
        if (withoutMnemonic(action->text()) == menu) {
            for (QAction* item : action->menu()->actions()) {
                items << (item->isSeparator() ? QStringLiteral("-")
                                              : withoutMnemonic(item->text()));
            }
        }
    }
    return items;
}

QMenuBar* menuBarOf(ViewerWindow* window) {
    return window->findChild<QMenuBar*>();
}

TEST_F(ControllerTest, theMainMenuHoldsItsCommandsAndShortcuts) {
    launch();
    QMenuBar* bar = menuBarOf(delegate->viewerWindow());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(menuTitles(bar), QStringList({"Rure", "Window", "Help"}));
    EXPECT_EQ(itemsOf(bar, QStringLiteral("Rure")),
              QStringList({QStringLiteral("Camera Addresses\u2026"), "Cameras", "Save Snapshot",
                           "-", "Start at Login", "-", "Quit Rure"}));
    EXPECT_EQ(itemsOf(bar, QStringLiteral("Window")),
              QStringList({"Close", "Enter Full Screen", "-", "Stay on Top", "Focus on an Area"}));
    EXPECT_EQ(itemsOf(bar, QStringLiteral("Help")),
              QStringList({"Rure Help", "Quick Help in Rure", "-",
                           QStringLiteral("Send Feedback\u2026"), "About Rure"}));

    // The first key is the one the menu shows.
    const struct {
        const char* title;
        QList<QKeySequence> shortcuts;
    } shortcuts[] = {
        {"Camera Addresses\u2026", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
        {"Save Snapshot", {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {"Quit Rure", {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {"Close", {QKeySequence(Qt::CTRL | Qt::Key_W)}},
        {"Enter Full Screen",
         {QKeySequence(Qt::Key_F11), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_F)}},
        {"Rure Help", {QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_Question)}},
        {"Stay on Top", {QKeySequence(Qt::CTRL | Qt::Key_T)}},
        {"Focus on an Area", {QKeySequence(Qt::CTRL | Qt::Key_F)}},
    };
    for (const auto& entry : shortcuts) {
        bool found = false;
        for (QAction* action : delegate->viewerWindow()->actions()) {
            if (withoutMnemonic(action->text()) == QString::fromUtf8(entry.title)) {
                found = true;
                EXPECT_EQ(action->shortcuts().mid(0, entry.shortcuts.size()), entry.shortcuts)
                    << entry.title;
            }
        }
        EXPECT_TRUE(found) << entry.title;
    }
}

TEST_F(ControllerTest, theMenuBarShowsOnlyWhileInUseAndPushesTheControlsBelowIt) {
    saveCameras(threeCameras());
    launch();
    ViewerWindow& window = *delegate->viewerWindow();
    QMenuBar* bar = menuBarOf(&window);
    ASSERT_NE(bar, nullptr);
    if (bar->isNativeMenuBar()) {
        GTEST_SKIP() << "the desktop shows the menus in a global menu bar";
    }
    const auto controlsTop = [this] {
        int top = INT_MAX;
        for (QWidget* control : delegate->overlay().viewerControls()) {
            top = std::min(top, control->y());
        }
        return top;
    };
    ASSERT_TRUE(bar->isHidden());
    EXPECT_EQ(controlsTop(), 12);

    // F10 opens the first menu; Alt shows the bar and Down opens it.
    for (const bool withAlt : {false, true}) {
        SCOPED_TRACE(withAlt ? "Alt, Down" : "F10");
        if (withAlt) {
            QTest::keyPress(&window, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(&window, Qt::Key_Alt);
            ASSERT_TRUE(bar->isVisible());
            QTest::keyClick(&window, Qt::Key_Down);
        } else {
            QTest::keyClick(&window, Qt::Key_F10);
        }
        QMenu* open = nullptr;
        ASSERT_TRUE(pumpUntil([&open] {
            open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return open != nullptr;
        }));
        EXPECT_EQ(open->title(), QStringLiteral("&Rure"));
        ASSERT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->geometry(), QRect(0, 0, window.width(), bar->height()));
        EXPECT_EQ(controlsTop(), bar->height() + 12);

        // Closing the menu takes the bar away from the picture.
        open->close();
        EXPECT_TRUE(pumpUntil([bar] { return bar->isHidden(); }));
        EXPECT_EQ(controlsTop(), 12);
    }
}

TEST_F(ControllerTest, theMenuListsTheCamerasAndFollowsTheControls) {
    QList<Camera> cameras = threeCameras();
    cameras[1].name = QStringLiteral("Gate & Yard");
    saveCameras(cameras);
    launch();
    QMenuBar* bar = menuBarOf(delegate->viewerWindow());
    ASSERT_NE(bar, nullptr);
    QMenu* camerasMenu = nullptr;
    for (QAction* item : bar->actions().constFirst()->menu()->actions()) {
        if (withoutMnemonic(item->text()) == QStringLiteral("Cameras")) {
            camerasMenu = item->menu();
        }
    }
    ASSERT_NE(camerasMenu, nullptr);
    const auto shown = [camerasMenu] {
        emit camerasMenu->aboutToShow();
        QStringList items;
        for (QAction* item : camerasMenu->actions()) {
            items << (item->isChecked() ? QStringLiteral("* ") : QString()) + item->text();
        }
        return items;
    };
    const QString ctrl = QKeySequence(Qt::CTRL).toString(QKeySequence::NativeText);
    EXPECT_EQ(shown(),
              QStringList({"* " + cameras[0].name + "\t" + ctrl + "1",
                           "Gate && Yard\t" + ctrl + "2", cameras[2].name + "\t" + ctrl + "3"}));

    // Choosing an item shows that camera and moves the mark; so does the picker.
    camerasMenu->actions()[2]->trigger();
    EXPECT_EQ(delegate->cameraSelection().selectedIndex(), 2);
    delegate->selectCamera(1);
    EXPECT_TRUE(shown()[1].startsWith(QStringLiteral("* Gate")));

    // A saved edit is what the menu lists next time it opens.
    ASSERT_TRUE(delegate->applyEditedCameraList({cameras[2]}).ok());
    EXPECT_EQ(shown(), QStringList({"* " + cameras[2].name + "\t" + ctrl + "1"}));
    ASSERT_TRUE(delegate->applyEditedCameraList({}).ok());
    EXPECT_EQ(shown(), QStringList({QStringLiteral("No Cameras")}));
}

TEST_F(ControllerTest, stayOnTopAndTheAreaCommandAreMenuItems) {
    saveCameras(threeCameras());
    launch();
    QMenuBar* bar = menuBarOf(delegate->viewerWindow());
    ASSERT_NE(bar, nullptr);
    QMenu* windowMenu = bar->actions()[1]->menu();
    const auto item = [windowMenu](const char* title) -> QAction* {
        emit windowMenu->aboutToShow();
        for (QAction* action : windowMenu->actions()) {
            if (withoutMnemonic(action->text()) == QString::fromUtf8(title)) {
                return action;
            }
        }
        return nullptr;
    };
    ASSERT_NE(item("Stay on Top"), nullptr);
    item("Stay on Top")->trigger();
    EXPECT_TRUE(delegate->viewerWindow()->staysOnTop());
    EXPECT_TRUE(delegate->overlay().staysOnTop());
    EXPECT_TRUE(item("Stay on Top")->isChecked());
    item("Stay on Top")->trigger();
    EXPECT_FALSE(delegate->viewerWindow()->staysOnTop());
    EXPECT_FALSE(item("Stay on Top")->isChecked());

    // The area command reads as the area button does.
    ASSERT_NE(item("Focus on an Area"), nullptr);
    item("Focus on an Area")->trigger();
    EXPECT_TRUE(delegate->focusArea().isSelectingFocusArea());
    ASSERT_NE(item("Cancel Area Selection"), nullptr);
    item("Cancel Area Selection")->trigger();
    EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
    ASSERT_TRUE(delegate->applyEditedCameraList({}).ok());
    EXPECT_FALSE(item("Focus on an Area")->isEnabled());
}

// The letter after the single "&" of a title; none without one.
QChar mnemonic(const QString& title) {
    const qsizetype at = title.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
    return at < 0 ? QChar() : title[at + 1].toLower();
}

TEST_F(ControllerTest, everyMenuAndCommandHasAMnemonicOfItsOwn) {
    launch();
    QMenuBar* bar = menuBarOf(delegate->viewerWindow());
    ASSERT_NE(bar, nullptr);
    QStringList menus;
    for (QAction* menu : bar->actions()) {
        menus << menu->text();
    }
    EXPECT_EQ(menus, QStringList({"&Rure", "&Window", "&Help"}));
    for (QAction* menu : bar->actions()) {
        SCOPED_TRACE(menu->text().toStdString());
        QSet<QChar> taken;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) {
                continue;
            }
            const QChar letter = mnemonic(item->text());
            EXPECT_FALSE(letter.isNull()) << item->text().toStdString();
            EXPECT_FALSE(taken.contains(letter)) << item->text().toStdString();
            taken.insert(letter);
        }
    }
}

class ActiveViewerMenus : public ControllerTest {
protected:
    void launchActive() {
        launch();
        delegate->viewerWindow()->activateWindow();
        if (!QTest::qWaitForWindowActive(delegate->viewerWindow(), 3000)) {
            GTEST_SKIP() << "the display gives the window no focus";
        }
    }
};

TEST_F(ActiveViewerMenus, f1OpensTheHelpPageAndAltWithAMnemonicOpensItsMenu) {
    launchActive();
    ViewerWindow* window = delegate->viewerWindow();
    UrlRecorder recorder;
    QTest::keyClick(window->windowHandle(), Qt::Key_F1);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened[0], rureHelpPageUrl());

    // The in-window bar lies hidden until Alt and a menu's letter open that menu.
    QMenuBar* bar = menuBarOf(window);
    ASSERT_NE(bar, nullptr);
    if (bar->isNativeMenuBar()) {
        GTEST_SKIP() << "the desktop shows the menu bar";
    }
    ASSERT_FALSE(bar->isVisible());
    QTest::keyClick(window->windowHandle(), Qt::Key_W, Qt::AltModifier);
    QMenu* open = nullptr;
    ASSERT_TRUE(pumpUntil([&open] {
        open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return open != nullptr;
    }));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(open->title(), QStringLiteral("&Window"));
    // Inside it, the item's letter runs the command.
    QTest::keyClick(open, Qt::Key_F);
    EXPECT_TRUE(pumpUntil([window] { return window->isFullScreen(); }));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ControllerTest, onlyABuildThatChecksForUpdatesOffersTheCommand) {
    // A server on the loopback that nothing answers on.
    const RureUpdateService updates(QUrl(QStringLiteral("https://127.0.0.1:9")));
    for (const RureUpdateService* service :
         {&updates, static_cast<const RureUpdateService*>(nullptr)}) {
        AppDelegateServices services = testViewerServices(store, settings, scheduler, engines,
                                                          alerts, sleepWakeBus, directory.path());
        services.updateService = service;
        services.updatePresenters = {[](const QString&, const QString&) {},
                                     [](const RureUpdateManifest&) {}};
        delegate = std::make_unique<AppDelegate>(std::move(services));
        delegate->applicationDidFinishLaunching();
        scheduler.runPosted();
        EXPECT_EQ(itemsOf(menuBarOf(delegate->viewerWindow()), QStringLiteral("Rure"))
                      .contains(QStringLiteral("Check for Updates\u2026")),
                  service != nullptr);
        delegate.reset();
    }
}

TEST_F(ControllerTest, withoutABrowserF1ShowsTheManualThatComesWithRure) {
    AppDelegateServices services = testViewerServices(store, settings, scheduler, engines, alerts,
                                                      sleepWakeBus, directory.path());
    QList<QUrl> tried;
    services.openUrl = [&tried](const QUrl& url) {
        tried << url;
        return false;
    };
    delegate = std::make_unique<AppDelegate>(std::move(services));
    delegate->applicationDidFinishLaunching();
    scheduler.runPosted();
    for (int press = 0; press < 2; ++press) {
        delegate->openRureHelp();
    }
    EXPECT_EQ(tried, QList<QUrl>({rureHelpPageUrl(), rureHelpPageUrl()}));
    // One window, however often F1 is pressed.
    const QList<QTextBrowser*> manuals = delegate->viewerWindow()->findChildren<QTextBrowser*>();
    ASSERT_EQ(manuals.size(), 1);
    EXPECT_TRUE(manuals[0]->isVisible());
    EXPECT_EQ(manuals[0]->windowTitle(), QStringLiteral("Rure Help"));
    const QString text = manuals[0]->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("viewer for a live RTSP network camera")));
    EXPECT_TRUE(text.contains(QStringLiteral("RURE_LOG_LEVEL")));
    EXPECT_FALSE(text.contains(QStringLiteral("\\f"))) << "font escapes left in the text";
}

TEST_F(ControllerTest, helpAndFeedbackOpenTheirAddresses) {
    launch();
    UrlRecorder recorder;
    delegate->openRureHelp();
    delegate->sendFeedback();
    ASSERT_EQ(recorder.opened.size(), 2);
    EXPECT_EQ(recorder.opened[0].toString(),
              QStringLiteral("https://didirezoror.com/rure/help.html"));
    EXPECT_EQ(recorder.opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(recorder.opened[1]
                    .toString(QUrl::FullyEncoded)
                    .endsWith(QStringLiteral("?subject=Rure%20Feedback")))
        << recorder.opened[1].toString(QUrl::FullyEncoded).toStdString();

    const QStringList paragraphs = quickHelpText().split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 4);
    EXPECT_TRUE(paragraphs[0].startsWith(QStringLiteral("Move the pointer over the camera")));
    EXPECT_TRUE(
        paragraphs[3].endsWith(QStringLiteral("to add, edit, remove, or reorder cameras.")));
}

TEST_F(ControllerTest, quickHelpAndAboutAppearOverTheViewer) {
    launch();
    delegate->showQuickHelp();
    delegate->showAbout();
    QStringList titles;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            titles << box->windowTitle();
            if (box->windowTitle() == QStringLiteral("Quick Help in Rure")) {
                EXPECT_EQ(box->informativeText(), quickHelpText());
            }
            if (box->windowTitle() == QStringLiteral("About Rure")) {
                EXPECT_TRUE(box->informativeText().contains(QStringLiteral("Build ")));
            }
            // Wide enough that the title bar does not cut its title.
            EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()) + 160)
                << box->windowTitle().toStdString();
            box->close();
        }
    }
    titles.sort();
    EXPECT_EQ(titles, QStringList({"About Rure", "Quick Help in Rure"}));
}

TEST_F(ControllerTest, theCameraEditorOpensOnTheSelectedCameraAndFollowsStayOnTop) {
    saveCameras(threeCameras());
    settings.setValue(QStringLiteral("selectedCameraIndex"), 2);
    launch();
    delegate->showCameraSettings();
    auto* editorWindow = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == QStringLiteral("Cameras") && widget->isVisible()) {
                return widget;
            }
        }
        return static_cast<QWidget*>(nullptr);
    }();
    ASSERT_NE(editorWindow, nullptr);
    // Opening it again brings the same editor forward.
    delegate->showCameraSettings();
    int editors = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        editors += widget->windowTitle() == QStringLiteral("Cameras") && widget->isVisible();
    }
    EXPECT_EQ(editors, 1);

    delegate->overlay().stayOnTopButton()->setChecked(true);
    delegate->toggleStayOnTop();
    EXPECT_TRUE(editorWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Closing the editor leaves the viewer running.
    editorWindow->close();
    QTest::qWait(50);
    EXPECT_FALSE(delegate->isClosingViewer());
    EXPECT_TRUE(delegate->viewerWindow()->isVisible());
}

} // namespace
} // namespace rure::test

#include "ViewerMenuTests.moc"
