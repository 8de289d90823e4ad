#pragma once

#include "platform/NetworkPathSignature.h"
#include "platform/RouteCheck.h"

#include <QNetworkInformation>
#include <QObject>

#include <functional>

namespace rure {

// Disconnected is unusable, every other reachability (Unknown included) usable;
// the medium names Wi-Fi, Ethernet or another kind of interface, an unknown
// medium none of them.
NetworkPathSignature networkPathSignatureFrom(QNetworkInformation::Reachability reachability,
                                              QNetworkInformation::TransportMedium medium);

// Reports the network path from Qt's network information backend: once after
// start(), then after every change, and again after every change of the
// machine's interfaces, addresses and routes (the backend's word may stay the
// same while a camera's subnet comes or goes). Reports are posted, never made from inside
// start(), and the changes of one event-loop turn (reachability and medium often
// change together) make a single report.
class NetworkPathMonitor final : public QObject {
    Q_OBJECT

public:
    explicit NetworkPathMonitor(std::function<void(NetworkPathSignature)> pathChanged,
                                QObject* parent = nullptr);

    NetworkPathMonitor(const NetworkPathMonitor&) = delete;
    NetworkPathMonitor& operator=(const NetworkPathMonitor&) = delete;

    // Loads the platform's default backend, else any that knows reachability.
    // False when none is available: the path then counts as usable and no
    // report ever comes.
    bool start();
    // No report is made after this, not even one already posted.
    void cancel();

    bool hasBackend() const { return information_ != nullptr; }
    QString backendName() const;

private:
    void postReport();
    void report();

    std::function<void(NetworkPathSignature)> pathChanged_;
    QNetworkInformation* information_ = nullptr;
    RouteChangeWatch routes_{[this] { postReport(); }};
    bool reportPosted_ = false;
    bool cancelled_ = false;
};

} // namespace rure
