// How the editor looks: its titles as the desktop shows them, and its texts
// measured against their backgrounds under Qt's light and dark Fusion palettes.
#include "SettingsEditorFixture.h"
#include "common/ViewerIdentity.h"
#include "settings/CameraSettingsDialogs.h"
#include "settings/CameraTableModel.h"
#include "support/FusionAppearance.h"
#include "support/TextContrast.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace rure::test {
namespace {

constexpr Appearance appearances[] = {Appearance::light, Appearance::dark};

const QList<Camera> threeCameras{Camera{"X", "rtsp://x"}, Camera{"Y", "rtsp://y"},
                                 Camera{"Z", "rtsp://z"}};

class CameraSettingsLookTest : public SettingsEditorFixture {};

void expectReadable(const QImage& image, const QRect& box, const QString& what) {
    const TextContrast measured = measureTextContrast(image, box);
    EXPECT_GE(measured.ratio, readableTextContrast)
        << what.toStdString() << ": " << measured.describe().toStdString();
}

// The title the X server holds for `window` (_NET_WM_NAME): what the desktop
// shows, after Qt has formatted it.
QString shownTitle(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        return QStringLiteral("(not on X11)");
    }
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()),
                         atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024),
        nullptr);
    if (!reply) {
        return {};
    }
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    std::free(reply);
    return title;
}

// The application's names for the viewer, as at its launch, while alive.
class ViewerNames {
public:
    ViewerNames()
        : organization_(QCoreApplication::organizationName()),
          application_(QCoreApplication::applicationName()),
          desktopFile_(QGuiApplication::desktopFileName()) {
        nameViewerApplication();
    }
    ~ViewerNames() {
        QCoreApplication::setOrganizationName(organization_);
        QCoreApplication::setApplicationName(application_);
        QGuiApplication::setDesktopFileName(desktopFile_);
    }

private:
    QString organization_;
    QString application_;
    QString desktopFile_;
};

// Runs `modal` (which blocks in a dialog of its own) and hands the dialog to
// `inspect` once it is up; `inspect` must close it.
void whileModal(const std::function<void()>& modal, const std::function<void(QWidget&)>& inspect) {
    bool inspected = false;
    QTimer::singleShot(0, qApp, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        inspected = true;
        inspect(*dialog);
    });
    modal();
    EXPECT_TRUE(inspected);
}

TEST_F(CameraSettingsLookTest, TitlesAreTheWindowsOwnWithoutTheApplicationsName) {
    if (!qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        GTEST_SKIP() << "titles are read from the X server";
    }
    const ViewerNames viewer;
    open(threeCameras);
    editor().showAndActivate();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    EXPECT_EQ(shownTitle(window()).toStdString(), "Cameras");

    QStringList dialogTitles;
    const auto recordAndClose = [&dialogTitles](QWidget& dialog) {
        dialogTitles << shownTitle(dialog);
        dialog.close();
    };
    whileModal([this] { CameraSettingsDialogs::chooseImportPath(&window()); }, recordAndClose);
    whileModal([this] { CameraSettingsDialogs::chooseExportPath(&window()); }, recordAndClose);
    // The alert does not wait for its answer.
    QMessageBox* alert = CameraSettingsDialogs::showAlert(
        &window(), {QStringLiteral("Could not import cameras"), QStringLiteral("Unreadable.")});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(alert));
    recordAndClose(*alert);
    EXPECT_EQ(dialogTitles.join(QStringLiteral(" | ")).toStdString(),
              "Import Camera List | Export Camera List | Rure");
}

TEST_F(CameraSettingsLookTest, TheDescriptionNamesThisComputer) {
    open(threeCameras);
    QStringList texts;
    for (const QLabel* label : window().findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "Customize camera names and full RTSP addresses. Drag rows to change their order, or use "
        "the sorting shortcuts. Changes are stored only on this computer.")))
        << texts.join(QStringLiteral(" | ")).toStdString();
}

TEST_F(CameraSettingsLookTest, TheTextsSaveAndTheAlertsOkRead) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        open(threeCameras);
        editor().showAndActivate();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        // The description's grey and the link's accent.
        const QImage image = window().grab().toImage();
        for (const QLabel* label : window().findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("Customize")) ||
                label->objectName() == QStringLiteral("footer")) {
                expectReadable(image, label->geometry(), label->text().left(20));
            }
        }
        QPushButton& save = *window().saveButton();
        expectReadable(save.grab().toImage(), save.rect().adjusted(6, 4, -6, -4),
                       QStringLiteral("Save"));
        // With the keyboard's focus, a ring round it stands out from the window.
        const QImage plain = save.grab().toImage();
        save.setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
        const QImage focused = save.grab().toImage();
        const QPoint edge(save.width() / 2, 0);
        EXPECT_NE(plain.pixelColor(edge), focused.pixelColor(edge));
        EXPECT_GE(
            contrastRatio(focused.pixelColor(edge), window().palette().color(QPalette::Window)),
            3.0);

        QMessageBox* alert = CameraSettingsDialogs::showAlert(
            &window(), {QStringLiteral("Check Porch"), QStringLiteral("Enter a name.")});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(alert));
        EXPECT_EQ(QApplication::activeModalWidget(), alert);
        QAbstractButton* ok = alert->buttons().value(0);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        expectReadable(ok->grab().toImage(), ok->rect().adjusted(6, 4, -6, -4),
                       QStringLiteral("the alert's OK"));
        alert->accept();
        editor().cancel();
    }
}

TEST_F(CameraSettingsLookTest, EmptyCellsShowTheirPlaceholderGreyedButReadable) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        // As an imported list may hold them: cameras without a name or address.
        open({Camera{"Door", "rtsp://door"}, Camera{"", ""}, Camera{"", ""}});
        window().subStreamsToggle()->setChecked(true);
        editor().showAndActivate();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        QCoreApplication::processEvents();
        const QImage image = table().viewport()->grab().toImage();
        const auto cellBox = [this](int row, int column) {
            return table().visualRect(model().index(row, column)).adjusted(2, 4, -2, -4);
        };
        const TextContrast name = measureTextContrast(image, cellBox(0, 1));
        for (const int row : {1, 2}) {
            for (const int column : {CameraTableModel::nameColumn, CameraTableModel::addressColumn,
                                     CameraTableModel::subStreamColumn}) {
                const QString what =
                    QStringLiteral("placeholder of row %1, column %2").arg(row).arg(column);
                const TextContrast placeholder = measureTextContrast(image, cellBox(row, column));
                EXPECT_GE(placeholder.ratio, readableTextContrast)
                    << what.toStdString() << ": " << placeholder.describe().toStdString();
                // Greyed: fainter than a camera's own name.
                EXPECT_LT(placeholder.ratio, name.ratio - 1.0)
                    << what.toStdString() << ": " << placeholder.describe().toStdString()
                    << " against the name's " << name.describe().toStdString();
            }
        }
        EXPECT_EQ(cell(1, 1), "") << "the placeholder is shown, not stored";
        editor().cancel();
    }
}

} // namespace
} // namespace rure::test
