#include "SettingsEditorFixture.h"

#include <QCoreApplication>
#include <QEvent>

namespace rure::test {

SettingsEditorFixture::~SettingsEditorFixture() {
    editor_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CameraSettingsController& SettingsEditorFixture::open(QList<Camera> cameras, bool staysOnTop) {
    editor_ = std::make_unique<CameraSettingsController>(
        std::move(cameras), staysOnTop,
        [this](const QList<Camera>& list) {
            saved.push_back(list);
            return saveResult(list);
        },
        [this] {
            ++closes;
            // As the viewer does: the editor is let go now and destroyed once
            // its close has returned.
            std::shared_ptr<CameraSettingsController> closed(editor_.release());
            QMetaObject::invokeMethod(
                &releases_, [closed] {}, Qt::QueuedConnection);
        },
        store_);
    editor_->setAlertPresenter([this](const CameraAlert& alert) { alerts.push_back(alert); });
    editor_->setImportPathChooser([this] { return importPath; });
    editor_->setExportPathChooser([this] {
        ++exportChoices;
        return exportPath;
    });
    return *editor_;
}

CameraSettingsWindow& SettingsEditorFixture::window() {
    return *static_cast<CameraSettingsWindow*>(editor_->window());
}

} // namespace rure::test
