#include "NetworkPathMonitor.h"

#include "common/RureLog.h"

#include <utility>

namespace rure {

NetworkPathSignature networkPathSignatureFrom(QNetworkInformation::Reachability reachability,
                                              QNetworkInformation::TransportMedium medium) {
    using Reachability = QNetworkInformation::Reachability;
    using Medium = QNetworkInformation::TransportMedium;
    NetworkPathSignature signature;
    // Cameras live on the local network, so Local and Site are as good as
    // Online; Unknown means the backend cannot tell, which must not stop playback.
    signature.isSatisfied = reachability != Reachability::Disconnected;
    switch (medium) {
    case Medium::WiFi:
        signature.usesWiFi = true;
        break;
    case Medium::Ethernet:
        signature.usesEthernet = true;
        break;
    case Medium::Cellular:
    case Medium::Bluetooth:
        signature.usesOther = true;
        break;
    case Medium::Unknown:
        break;
    }
    return signature;
}

NetworkPathMonitor::NetworkPathMonitor(std::function<void(NetworkPathSignature)> pathChanged,
                                       QObject* parent)
    : QObject(parent), pathChanged_(std::move(pathChanged)) {}

bool NetworkPathMonitor::start() {
    if (information_ != nullptr || cancelled_) {
        return information_ != nullptr;
    }
    if (!QNetworkInformation::loadDefaultBackend()) {
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    information_ = QNetworkInformation::instance();
    if (information_ == nullptr) {
        RureLog::network().notice(
            QStringLiteral("No network information backend; the network path counts as usable."));
        return false;
    }
    RureLog::network().info(
        QStringLiteral("Network information backend: %1.").arg(information_->backendName()));
    connect(information_, &QNetworkInformation::reachabilityChanged, this,
            &NetworkPathMonitor::postReport);
    connect(information_, &QNetworkInformation::transportMediumChanged, this,
            &NetworkPathMonitor::postReport);
    if (!routes_.start()) {
        RureLog::network().notice(QStringLiteral(
            "Route changes are not observed; the network path follows the backend."));
    }
    postReport();
    return true;
}

void NetworkPathMonitor::cancel() {
    cancelled_ = true;
    if (information_ != nullptr) {
        disconnect(information_, nullptr, this, nullptr);
    }
}

QString NetworkPathMonitor::backendName() const {
    return information_ != nullptr ? information_->backendName() : QString();
}

void NetworkPathMonitor::postReport() {
    if (reportPosted_ || cancelled_) {
        return;
    }
    reportPosted_ = true;
    QMetaObject::invokeMethod(this, &NetworkPathMonitor::report, Qt::QueuedConnection);
}

void NetworkPathMonitor::report() {
    reportPosted_ = false;
    if (cancelled_ || information_ == nullptr || !pathChanged_) {
        return;
    }
    pathChanged_(
        networkPathSignatureFrom(information_->reachability(), information_->transportMedium()));
}

} // namespace rure
