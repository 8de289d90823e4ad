#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace rure {

// Turns SIGTERM and SIGINT into a normal quit of the Qt event loop, so that the
// termination sequence runs as it does when the window closes. The signal
// handler only writes a byte to a socket pair; everything else happens on the
// GUI thread. One instance per process.
class UnixSignalQuitter final : public QObject {
    Q_OBJECT

public:
    explicit UnixSignalQuitter(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalQuitter() override;

    UnixSignalQuitter(const UnixSignalQuitter&) = delete;
    UnixSignalQuitter& operator=(const UnixSignalQuitter&) = delete;

    bool isInstalled() const { return notifier_ != nullptr; }

signals:
    void signalReceived(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace rure
