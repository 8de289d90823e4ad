#pragma once

#include "DeviceInformation.h"
#include "DiscoveredDevice.h"
#include "DiscoveryLimits.h"
#include "LocalNetwork.h"
#include "common/Result.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace rure {

class OnvifDeviceClient;
class ProbeChannel;

struct DiscoverySetup {
    std::chrono::milliseconds listenTime = discovery::defaultListenTime;
    std::chrono::milliseconds exchangeTimeLimit = discovery::defaultExchangeTimeLimit;
    // The networks to probe; searchableNetworks() when empty.
    std::function<QList<LocalNetwork>()> networks;
};

// One search for cameras: a WS-Discovery Probe multicast on every searchable
// network (IPv4, and IPv6 link-local where the interface has such an address),
// sent twice, then listening for the listen time. Each device that answers
// from, and names a service address on, the network that heard it is listed
// once, and its device information is asked for without a login, which also
// tells whether it needs one. Everything else is counted as ignored. The
// search has finished when it has stopped listening and every question has
// been answered or has timed out. GUI thread.
class DiscoverySession final : public QObject {
public:
    explicit DiscoverySession(DiscoverySetup setup = {}, QObject* parent = nullptr);
    ~DiscoverySession() override;

    // Probes and starts listening; noNetwork when no network could be probed.
    Result<void> start();
    // Stops listening and drops every open question; nothing is reported after it.
    void stop();

    bool isListening() const { return listening_; }
    bool isFinished() const { return finished_; }
    std::chrono::milliseconds listenTime() const { return setup_.listenTime; }
    const QList<DiscoveredDevice>& devices() const { return devices_; }
    // Answers that were not used: malformed, too large, not for this search,
    // or from or naming an address outside the network that heard them.
    int ignoredAnswers() const;

    // Run after a device was added or learnt more about itself.
    std::function<void()> devicesChanged;
    // Run once, when the search has finished.
    std::function<void()> finished;

private:
    void openChannels(const LocalNetwork& network);
    void probe();
    void handleDatagram(const ProbeChannel& channel, const QByteArray& datagram,
                        const QHostAddress& sender);
    void askDeviceInformation(const DiscoveredDevice& device);
    void learnDeviceInformation(const QString& endpoint, const Result<DeviceInformation>& answer);
    void stopListening();
    void finishIfDone();
    void notifyChanged();

    DiscoverySetup setup_;
    QString messageId_;
    std::vector<ProbeChannel*> channels_;
    QTimer listenTimer_{this};
    QTimer repeatTimer_{this};
    QList<DiscoveredDevice> devices_;
    // The clients of devices whose information is still being asked for.
    QHash<QString, OnvifDeviceClient*> questions_;
    int ignored_ = 0;
    bool listening_ = false;
    bool finished_ = false;
};

} // namespace rure
