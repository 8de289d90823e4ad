#pragma once

#include "common/Result.h"
#include "platform/LaunchRequest.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QLocalSocket;

namespace rure {

// One running viewer per user. The first copy listens on a local socket in the
// user's runtime directory; a later launch hands its request to that copy
// instead of opening a second window, and ends. Lives on the GUI thread.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    struct Limits {
        // How long a peer may take to send its line before it is dropped.
        std::chrono::milliseconds peerTimeout{2000};
        // How long a later launch waits for the running copy's answer.
        std::chrono::milliseconds answerTimeout{5000};
        // Peers waiting for their line at once. A new peer beyond them takes
        // the place of the one that has waited longest: connections opened and
        // left silent (by a program gone wrong) never keep a launch out.
        int maximumPeers = 8;
    };

    enum class Role {
        first,      // no copy ran: this one listens for later launches
        handedOver, // a running copy took the request: this launch ends
    };

    // Why a claim failed.
    enum class Failure {
        cannotListen = 1, // no copy answers and none can listen here; run without
        noAnswer,         // a copy holds the socket but did not answer in time
        refused,          // the running copy refused the request
        unfitRequest,     // the request cannot be sent (an address with control characters)
    };

    // "$XDG_RUNTIME_DIR/rure/viewer.socket"; Qt's runtime location stands in
    // for the variable when it is unset.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    SingleInstance(QString socketPath, Limits limits, QObject* parent = nullptr);
    // Stops listening and removes the socket.
    ~SingleInstance() override;

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Hands `request` to the copy that listens at the socket, waiting for its
    // answer; or, when none does, removes a socket a crashed copy left behind
    // and listens. A lock next to the socket keeps two launches at the same
    // moment from both listening. Blocks for at most the answer timeout.
    // A request that cannot be written as one line goes nowhere: neither
    // handed over nor kept for this copy. Errors carry a Failure as their code.
    Result<Role> claim(const LaunchRequest& request);

    bool isListening() const { return server_.isListening(); }
    const QString& socketPath() const { return socketPath_; }

    // A well-formed request from a later launch of the same user.
    std::function<void(const LaunchRequest&)> requestReceived;

private:
    enum class HandOver { noCopy, accepted };
    Result<HandOver> handOver(const QByteArray& line);
    Result<void> listen();
    void acceptPeers();
    void servePeer(QLocalSocket* peer);
    void readPeer(QLocalSocket* peer);
    static void dropPeer(QLocalSocket* peer);

    QString socketPath_;
    Limits limits_;
    // The peers whose line has not come yet, the one that came first first.
    // Before the server: its peers leave this list as the server goes.
    QList<QLocalSocket*> waiting_;
    QLocalServer server_;
};

} // namespace rure
