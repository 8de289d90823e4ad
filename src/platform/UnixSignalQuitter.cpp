#include "UnixSignalQuitter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rure {

namespace {

// [0] is written by the handler, [1] read on the GUI thread.
std::array<int, 2> signalSockets{-1, -1};

void handleSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

UnixSignalQuitter::UnixSignalQuitter(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets.data()) != 0) {
        return;
    }
    ::fcntl(signalSockets[0], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalQuitter::readSignal);
    for (const int signalNumber : signalNumbers) {
        struct sigaction action {};
        action.sa_handler = handleSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

UnixSignalQuitter::~UnixSignalQuitter() {
    delete notifier_;
    for (int& descriptor : signalSockets) {
        if (descriptor >= 0) {
            ::close(descriptor);
            descriptor = -1;
        }
    }
}

void UnixSignalQuitter::readSignal() {
    unsigned char byte = 0;
    if (::read(signalSockets[1], &byte, 1) != 1) {
        return;
    }
    emit signalReceived(byte);
    QCoreApplication::quit();
}

} // namespace rure
