#include "LocationTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>

namespace rure::test {

PrivateHome::PrivateHome() {
    const QList<QPair<QByteArray, QString>> variables = {
        {"HOME", home()},
        {"XDG_CONFIG_HOME", configHome()},
        {"XDG_DATA_HOME", dataHome()},
    };
    for (const auto& [name, value] : variables) {
        Saved saved{name, std::nullopt};
        if (qEnvironmentVariableIsSet(name.constData())) {
            saved.value = qgetenv(name.constData());
        }
        saved_.push_back(saved);
        qputenv(name.constData(), QFile::encodeName(value));
    }
    QDir().mkpath(home());
    QDir().mkpath(configHome());
}

PrivateHome::~PrivateHome() {
    for (const Saved& saved : saved_) {
        if (saved.value) {
            qputenv(saved.name.constData(), *saved.value);
        } else {
            qunsetenv(saved.name.constData());
        }
    }
}

QString PrivateHome::home() const {
    return root_.path() + QStringLiteral("/home");
}

QString PrivateHome::configHome() const {
    return root_.path() + QStringLiteral("/config");
}

QString PrivateHome::dataHome() const {
    return home() + QStringLiteral("/data");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

bool writeBundle(const QString& path, const QString& identifier, const QString& executable,
                 const QByteArray& executableBytes) {
    const QJsonObject information{{QStringLiteral("identifier"), identifier},
                                  {QStringLiteral("executable"), executable},
                                  {QStringLiteral("version"), QStringLiteral("0.1.0")},
                                  {QStringLiteral("build"), QStringLiteral("1")}};
    return writeFile(path + QStringLiteral("/Contents/Info.json"),
                     QJsonDocument(information).toJson()) &&
           writeFile(path + QStringLiteral("/Contents/bin/") + executable, executableBytes);
}

bool setModificationTime(const QString& path, const QDateTime& time) {
    const qint64 milliseconds = time.toMSecsSinceEpoch();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(milliseconds / 1000);
    times[1].tv_nsec = static_cast<long>((milliseconds % 1000) * 1000000);
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
    const QDeadlineTimer deadline(timeoutMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

} // namespace rure::test
