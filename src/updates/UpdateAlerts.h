#pragma once

#include "RureUpdateManifest.h"
#include "UpdateCheckScheduler.h"

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace rure {

// The message boxes of update checking. Each is informational and opens
// without blocking: window-modal on the active window, or else on
// `mainWindow` when it is shown; application-modal when there is neither. The
// box deletes itself when closed; the returned pointer is for tests.

// Title as main text, message as informative text, one "OK" button in the
// accent colour.
QMessageBox* presentUpdateStatus(const QString& title, const QString& message,
                                 QWidget* mainWindow = nullptr);

// "Rure <version> is available", with "Open Website" (the default button, in
// the accent colour), which opens the download page in the web browser, and
// "Later", which does nothing.
QMessageBox* presentAvailableUpdate(const RureUpdateManifest& manifest,
                                    QWidget* mainWindow = nullptr);

// Presenters for UpdateCheckScheduler that show the boxes above; `mainWindow`
// is asked each time (it may return null).
UpdateCheckPresenters updateAlertPresenters(std::function<QWidget*()> mainWindow = {});

} // namespace rure
