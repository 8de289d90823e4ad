// Save Snapshot with the real engine and the test camera: the file a user
// finds in the pictures folder, and the confirmation over the picture.
#include "LiveViewerFixture.h"

#include "window/OverlayNotice.h"
#include "window/ViewerMainMenu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>

#include <sys/stat.h>

namespace rure::test {
namespace {

using LiveSnapshot = LiveViewerTest;

QAction* menuCommand(ViewerWindow* window, const QString& title) {
    for (QAction* action : window->actions()) {
        if (withoutMnemonic(action->text()) == title) {
            return action;
        }
    }
    return nullptr;
}

QStringList snapshotFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

TEST_F(LiveSnapshot, experiment) {
    TestCamera::Options options;
    options.width = 1280;
    options.height = 720;
    ASSERT_TRUE(camera.start(options));
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().sourceVideoGeometry().has_value(); }));
    ViewerWindow* window = delegate->viewerWindow();
    window->setGeometry(QRect(100, 100, 960, 540));
    ASSERT_TRUE(waitFor([window] { return window->geometry() == QRect(100, 100, 960, 540); }));
    const QString folder = snapshotFolderIn(directory.path());
    delegate->saveSnapshot();
    ASSERT_TRUE(waitFor([&] { return snapshotFiles(folder).size() == 1; }))
        << alerts.join('\n').toStdString();
    QImage first(folder + u'/' + snapshotFiles(folder)[0]);
    std::cerr << "first " << first.width() << "x" << first.height() << "\n";

    DraggableContentView* view = delegate->interactionSurface();
    delegate->toggleFocusArea();
    const auto send = [view](QEvent::Type type, QPointF position) {
        QMouseEvent event(type, position, view->mapToGlobal(position), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, {850, 80});
    send(QEvent::MouseMove, {935, 220});
    send(QEvent::MouseButtonRelease, {935, 220});
    ASSERT_TRUE(waitFor([this] { return delegate->focusArea().focusCrop().has_value(); }));
    waitFor([] { return false; }, 1000);
    delegate->saveSnapshot();
    ASSERT_TRUE(waitFor([&] { return snapshotFiles(folder).size() == 2; }))
        << alerts.join('\n').toStdString();
    for (const QString& name : snapshotFiles(folder)) {
        QImage image(folder + u'/' + name);
        std::cerr << name.toStdString() << " " << image.width() << "x" << image.height() << "\n";
    }
}

} // namespace
} // namespace rure::test
