#pragma once

#include "config/Camera.h"
#include "config/CameraConfigurationStore.h"
#include "support/LogCapture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <sys/types.h>
#include <vector>

// Lets GoogleTest show texts in failure messages.
void PrintTo(const QString& text, std::ostream* out);

namespace rure {

// Lets GoogleTest show cameras in failure messages.
void PrintTo(const Camera& camera, std::ostream* out);

} // namespace rure

namespace rure::test {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Permission bits (e.g. 0600) of what lies at `path`, without following links.
mode_t permissions(const QString& path);
// Every entry of `directory`, hidden ones included, sorted.
QStringList entriesIn(const QString& directory);

// Cameras whose names and addresses are distinctive enough to spot in log lines.
QList<Camera> sampleCameras();
QList<Camera> otherSampleCameras();

// Fails the current test when any captured line quotes a name or an address.
void expectNoCameraDetails(const LogCapture& capture, const QList<Camera>& cameras);

struct ExpectedLogEntry {
    RureLogLevel level;
    QString text;
};

// Fails unless the captured entries are exactly these, in this order, all in the
// configuration category.
void expectLogEntries(const LogCapture& capture, const std::vector<ExpectedLogEntry>& expected);

// A store in a fresh temporary directory ("<root>/store", not created), with the
// log captured. Checks after every test that no log line quoted a sample camera.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString root() const { return root_.path(); }
    QString storeDirectory() const { return root() + "/store"; }
    QString cameraListPath() const { return storeDirectory() + "/cameras.json"; }
    QString lastGoodPath() const { return storeDirectory() + "/cameras.last-good.json"; }
    CameraConfigurationStore store() const { return CameraConfigurationStore(storeDirectory()); }
    // The pretty bytes of a list.
    static QByteArray encoded(const QList<Camera>& cameras);

    QTemporaryDir root_;
    LogCapture log_;
};

} // namespace rure::test
