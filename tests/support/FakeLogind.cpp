#include "FakeLogind.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace rure::test {

namespace {

const QString loginService = QStringLiteral("org.freedesktop.login1");
const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString loginManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");

// No service directories: nothing on this bus is ever started on demand.
QByteArray busConfiguration(const QString& socketDirectory) {
    return QByteArrayLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                             "Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig>\n"
                             "  <type>session</type>\n"
                             "  <listen>unix:dir=") +
           socketDirectory.toUtf8() +
           QByteArrayLiteral("</listen>\n"
                             "  <auth>EXTERNAL</auth>\n"
                             "  <policy context=\"default\">\n"
                             "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n"
                             "    <allow own=\"*\"/>\n"
                             "  </policy>\n"
                             "</busconfig>\n");
}

// True when the peer of `descriptor` (one end of a stream socket pair) is still
// open anywhere: nothing is ever written, so a read finds either nothing yet
// (peer open) or the end of the stream (peer closed).
bool peerIsOpen(int descriptor) {
    char byte = 0;
    const ssize_t got = ::recv(descriptor, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

} // namespace

PrivateBus::PrivateBus() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        errorText_ = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    if (!directory_.isValid()) {
        errorText_ = QStringLiteral("no temporary directory: %1").arg(directory_.errorString());
        return;
    }
    const QString configurationPath = directory_.filePath(QStringLiteral("bus.conf"));
    QFile configuration(configurationPath);
    if (!configuration.open(QIODevice::WriteOnly) ||
        configuration.write(busConfiguration(directory_.path())) < 0) {
        errorText_ = QStringLiteral("cannot write the bus configuration");
        return;
    }
    configuration.close();

    daemon_.setProgram(program);
    daemon_.setArguments({QStringLiteral("--config-file=%1").arg(configurationPath),
                          QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    daemon_.start();
    if (!daemon_.waitForStarted(10000)) {
        errorText_ = QStringLiteral("dbus-daemon did not start: %1").arg(daemon_.errorString());
        return;
    }
    QByteArray output;
    const QDeadlineTimer deadline(15000);
    while (!output.contains('\n') && !deadline.hasExpired() &&
           daemon_.state() == QProcess::Running) {
        daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        output += daemon_.readAllStandardOutput();
    }
    if (!output.contains('\n')) {
        errorText_ = QStringLiteral("dbus-daemon printed no address: %1")
                         .arg(QString::fromLocal8Bit(daemon_.readAllStandardError()));
        stop();
        return;
    }
    address_ = QString::fromUtf8(output.left(output.indexOf('\n')).trimmed());
}

PrivateBus::~PrivateBus() {
    stop();
}

QDBusConnection PrivateBus::connect() {
    static std::atomic<int> nextNumber{0};
    const QString name = QStringLiteral("rure-test-private-bus-%1").arg(++nextNumber);
    connectionNames_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

void PrivateBus::stop() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }
    for (const QString& name : std::as_const(connectionNames_)) {
        QDBusConnection::disconnectFromBus(name);
    }
    connectionNames_.clear();
    address_.clear();
}

FakeLogind::FakeLogind(QDBusConnection connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {
    registered_ =
        connection_.registerObject(loginPath, this, QDBusConnection::ExportScriptableSlots) &&
        connection_.registerService(loginService);
}

FakeLogind::~FakeLogind() {
    if (connection_.isConnected()) {
        connection_.unregisterService(loginService);
        connection_.unregisterObject(loginPath);
    }
    for (const int descriptor : keptEnds_) {
        ::close(descriptor);
    }
}

bool FakeLogind::lastLockIsHeld() const {
    return !keptEnds_.empty() && peerIsOpen(keptEnds_.back());
}

int FakeLogind::heldLockCount() const {
    int held = 0;
    for (const int descriptor : keptEnds_) {
        held += peerIsOpen(descriptor) ? 1 : 0;
    }
    return held;
}

void FakeLogind::answerHeldCalls() {
    for (const QDBusMessage& call : heldCalls_) {
        connection_.send(call.createReply(QVariant::fromValue(handOutLock())));
    }
    heldCalls_.clear();
}

bool FakeLogind::emitPrepareForSleep(bool start) {
    QDBusMessage signal = QDBusMessage::createSignal(loginPath, loginManagerInterface,
                                                     QStringLiteral("PrepareForSleep"));
    signal << start;
    return connection_.send(signal);
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString& what, const QString& who,
                                            const QString& why, const QString& mode) {
    ++inhibitCallCount_;
    lastInhibitArguments_ = {what, who, why, mode};
    if (refusesLocks_) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Inhibiting is not allowed"));
        return {};
    }
    if (holdsCalls_) {
        setDelayedReply(true);
        heldCalls_.push_back(message());
        return {};
    }
    return handOutLock();
}

QDBusUnixFileDescriptor FakeLogind::handOutLock() {
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return {};
    }
    keptEnds_.push_back(ends[0]);
    // The wrapper keeps a copy of its own; ours must not keep the lock alive.
    QDBusUnixFileDescriptor handedOut(ends[1]);
    ::close(ends[1]);
    return handedOut;
}

} // namespace rure::test
