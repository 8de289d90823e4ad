#pragma once

#include "common/FileDescriptor.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace rure {

// Whether the machine has a route to `host` now, through an interface that is
// up: a loopback address, a local subnet, or a default route. Asked of the
// kernel by connecting a datagram socket, which sends nothing. Only for an IP
// address; a name, which would have to be looked up first, is answered false.
bool hasRouteTo(const QString& host);

// Reports every change of the machine's interfaces, addresses and routes (the
// kernel's routing messages), posted and coalesced per event-loop turn. A
// route added to a camera's subnet changes nothing that the desktop's network
// information reports when there is still no default route.
class RouteChangeWatch final : public QObject {
public:
    explicit RouteChangeWatch(std::function<void()> changed, QObject* parent = nullptr);
    ~RouteChangeWatch() override;

    // False when the kernel's routing messages cannot be subscribed to.
    bool start();

private:
    void drain();

    std::function<void()> changed_;
    FileDescriptor socket_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool reportPosted_ = false;
};

} // namespace rure
