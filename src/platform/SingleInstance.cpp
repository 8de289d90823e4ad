#include "SingleInstance.h"

#include "common/RureLog.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rure {

namespace {

Error instanceError(SingleInstance::Failure failure, const QString& description) {
    return Error{ErrorDomain::other, static_cast<int>(failure), description};
}

// Whether `path` is a socket, not following a symbolic link: what a copy that
// crashed leaves behind. Anything else there is not ours to remove.
bool isSocketFile(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISSOCK(status.st_mode);
}

// Whether the process at the other end of `descriptor` runs as this user.
bool peerIsThisUser(qintptr descriptor) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                        &length) == 0 &&
           credentials.uid == ::geteuid();
}

// The socket's folder, made private to the user when it does not exist yet.
bool makePrivateFolder(const QString& folder) {
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0;
}

qint64 remaining(const QDeadlineTimer& deadline) {
    return std::max<qint64>(deadline.remainingTime(), 0);
}

} // namespace

QString SingleInstance::defaultSocketPath() {
    // Qt reads XDG_RUNTIME_DIR, and makes a private folder of its own when the
    // variable is unset.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/rure/viewer.socket");
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : SingleInstance(std::move(socketPath), Limits{}, parent) {}

SingleInstance::SingleInstance(QString socketPath, Limits limits, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), limits_(limits) {
    server_.setMaxPendingConnections(limits_.maximumPeers);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptPeers);
}

SingleInstance::~SingleInstance() {
    // Removes the socket file, so that the next launch finds no copy at once.
    server_.close();
}

Result<SingleInstance::Role> SingleInstance::claim(const LaunchRequest& request) {
    const Result<QByteArray> line = launchRequestLine(request);
    if (!line.ok()) {
        return instanceError(
            Failure::unfitRequest,
            QStringLiteral("Rure cannot open an address that contains control characters."));
    }
    if (socketPath_.isEmpty()) {
        return instanceError(Failure::cannotListen,
                             QStringLiteral("There is no runtime folder for the launch socket."));
    }
    const QString folder = QFileInfo(socketPath_).absolutePath();
    if (!makePrivateFolder(folder)) {
        return instanceError(Failure::cannotListen,
                             QStringLiteral("The folder of the launch socket cannot be made."));
    }
    // Two launches at the same moment: the second waits until the first
    // listens, then hands its request over.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    // Only a lock whose process has ended is stale, however old it is.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(static_cast<int>(limits_.answerTimeout.count()))) {
        RureLog::lifecycle().error(
            QStringLiteral("The launch lock could not be taken; going on without it."));
    }
    const Result<HandOver> handed = handOver(line.value());
    if (!handed.ok()) {
        return handed.error();
    }
    if (handed.value() == HandOver::accepted) {
        return Role::handedOver;
    }
    const Result<void> listening = listen();
    if (!listening.ok()) {
        return listening.error();
    }
    return Role::first;
}

Result<SingleInstance::HandOver> SingleInstance::handOver(const QByteArray& line) {
    const QDeadlineTimer deadline(limits_.answerTimeout);
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(static_cast<int>(remaining(deadline)))) {
        // No socket, one that nobody listens on, or something else in its
        // place: no copy runs.
        return HandOver::noCopy;
    }
    socket.setReadBufferSize(maximumLaunchLineBytes);
    socket.write(line);
    const QString noAnswer = QStringLiteral("Rure is already running but does not answer.");
    if (!socket.waitForBytesWritten(static_cast<int>(remaining(deadline)))) {
        return instanceError(Failure::noAnswer, noAnswer);
    }
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() >= maximumLaunchLineBytes || deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(remaining(deadline)))) {
            return instanceError(Failure::noAnswer, noAnswer);
        }
    }
    QByteArray answer = socket.readLine();
    answer.chop(1);
    const Result<void> accepted = parseLaunchReplyLine(answer);
    if (!accepted.ok()) {
        return instanceError(Failure::refused,
                             QStringLiteral("Rure is already running but refused the request: %1")
                                 .arg(accepted.error().description));
    }
    return HandOver::accepted;
}

Result<void> SingleInstance::listen() {
    if (isSocketFile(socketPath_)) {
        RureLog::lifecycle().notice(
            QStringLiteral("Removing the launch socket an earlier copy of Rure left behind."));
        QFile::remove(socketPath_);
    }
    if (!server_.listen(socketPath_)) {
        return instanceError(
            Failure::cannotListen,
            QStringLiteral("Rure cannot listen for later launches: %1").arg(server_.errorString()));
    }
    return Result<void>::success();
}

void SingleInstance::dropPeer(QLocalSocket* peer) {
    peer->abort();
    peer->deleteLater();
}

void SingleInstance::acceptPeers() {
    while (server_.hasPendingConnections()) {
        QLocalSocket* peer = server_.nextPendingConnection();
        if (!peerIsThisUser(peer->socketDescriptor())) {
            dropPeer(peer);
            continue;
        }
        // A launch sends its line as soon as it is connected: the peer that has
        // waited longest is the least likely to be one.
        if (waiting_.size() >= std::max(limits_.maximumPeers, 1)) {
            dropPeer(waiting_.takeFirst());
        }
        servePeer(peer);
    }
}

void SingleInstance::servePeer(QLocalSocket* peer) {
    waiting_.append(peer);
    connect(peer, &QObject::destroyed, this, [this, peer] { waiting_.removeOne(peer); });
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    // A peer holds no more than one line, and no longer than the time limit.
    peer->setReadBufferSize(maximumLaunchLineBytes);
    QTimer::singleShot(limits_.peerTimeout, peer, [peer] { dropPeer(peer); });
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readPeer(peer); });
    if (peer->bytesAvailable() > 0) {
        readPeer(peer);
    }
}

void SingleInstance::readPeer(QLocalSocket* peer) {
    auto answer = [this, peer](const QByteArray& line) {
        // One request per connection: nothing after it is read.
        disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
        waiting_.removeOne(peer);
        peer->write(line);
        peer->disconnectFromServer();
    };
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() >= maximumLaunchLineBytes) {
            RureLog::lifecycle().error(QStringLiteral("Refused a launch request: too long."));
            answer(launchRefusedLine(QStringLiteral("request too long")));
        }
        return;
    }
    QByteArray line = peer->readLine();
    line.chop(1);
    // A launch writes its one line at once. More after it is a request that
    // was cut at a line feed (an address holding one): refused whole rather
    // than taken for what stands before the cut.
    if (peer->bytesAvailable() > 0) {
        RureLog::lifecycle().error(QStringLiteral("Refused a launch request: more than one line."));
        answer(launchRefusedLine(QStringLiteral("request has more than one line")));
        return;
    }
    const Result<LaunchRequest> request = parseLaunchRequestLine(line);
    if (!request.ok()) {
        RureLog::lifecycle().error(
            QStringLiteral("Refused a launch request: %1.").arg(request.error().description));
        answer(launchRefusedLine(request.error().description));
        return;
    }
    answer(launchAcceptedLine());
    switch (request.value().kind) {
    case LaunchRequest::Kind::activate:
        RureLog::lifecycle().notice(QStringLiteral("A later launch of Rure asked for its window."));
        break;
    case LaunchRequest::Kind::openAddress:
        // The address itself may carry a password and is never logged.
        RureLog::lifecycle().notice(
            QStringLiteral("A later launch of Rure asked it to open a camera address."));
        break;
    }
    if (requestReceived) {
        requestReceived(request.value());
    }
}

} // namespace rure
