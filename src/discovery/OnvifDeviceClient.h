#pragma once

#include "DeviceCredentials.h"
#include "SoapEnvelope.h"
#include "SoapExchange.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <vector>

class QNetworkAccessManager;

namespace rure {

// The SOAP client of one device: its own network client (no proxy, no cache,
// no cookies), a time limit for every exchange, and, once given, the user's
// credentials, sent with every request as a UsernameToken digest dated by the
// device's clock. It talks to the host of the device's own address only: a
// service address on another host is refused before anything is sent.
// Exchanges still running when it is destroyed end without their completions.
// GUI thread.
class OnvifDeviceClient final : public QObject {
public:
    OnvifDeviceClient(QUrl deviceAddress, std::chrono::milliseconds timeLimit,
                      QObject* parent = nullptr);
    ~OnvifDeviceClient() override;

    const QUrl& deviceAddress() const { return deviceAddress_; }

    void setCredentials(DeviceCredentials credentials) { credentials_ = std::move(credentials); }
    bool hasCredentials() const { return !credentials_.isEmpty(); }
    // The device's clock minus this computer's, in seconds.
    void setClockOffset(qint64 seconds) { clockOffsetSeconds_ = seconds; }

    // Sends `request` to `serviceAddress` (the device address when empty). The
    // completion runs later, once, from the event loop: it may destroy this client.
    void call(const SoapRequest& request, SoapExchange::Completion completion,
              const QUrl& serviceAddress = {});

    // Ends every running exchange without its completion.
    void cancelAll();

private:
    QUrl deviceAddress_;
    std::chrono::milliseconds timeLimit_;
    QNetworkAccessManager* manager_;
    DeviceCredentials credentials_;
    qint64 clockOffsetSeconds_ = 0;
    // Refusals waiting in the event loop run only while this is unchanged.
    quint64 cancellations_ = 0;
    std::vector<QPointer<SoapExchange>> exchanges_;
};

// True when `address` names the same host as `deviceAddress` (any scheme and port).
bool isSameHost(const QUrl& address, const QUrl& deviceAddress);

// `address` with the interface of `deviceAddress` when both are the same
// link-local IPv6 host and `address` names no interface itself: a device
// names its addresses without the interface, which only this computer knows.
QUrl withScopeOfDevice(QUrl address, const QUrl& deviceAddress);

} // namespace rure
