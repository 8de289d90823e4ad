#include "DiscoverySession.h"

#include "DeviceInformation.h"
#include "DiscoveryError.h"
#include "OnvifDeviceClient.h"
#include "OnvifRequests.h"
#include "ProbeChannel.h"
#include "ProbeMatch.h"
#include "ProbeMessage.h"
#include "common/RureLog.h"

#include <algorithm>

namespace rure {

namespace {

// A link-local IPv6 address means nothing without its interface: the one that
// heard the device is the one to reach it through.
QUrl withInterfaceScope(QUrl address, const LocalNetwork& network) {
    std::optional<QHostAddress> host = hostAddressOf(address);
    if (host && host->protocol() == QAbstractSocket::IPv6Protocol && host->isLinkLocal()) {
        host->setScopeId(network.interfaceName);
        address.setHost(host->toString());
    }
    return address;
}

} // namespace

DiscoverySession::DiscoverySession(DiscoverySetup setup, QObject* parent)
    : QObject(parent), setup_(std::move(setup)) {
    listenTimer_.setSingleShot(true);
    repeatTimer_.setSingleShot(true);
    connect(&listenTimer_, &QTimer::timeout, this, &DiscoverySession::stopListening);
    connect(&repeatTimer_, &QTimer::timeout, this, &DiscoverySession::probe);
}

DiscoverySession::~DiscoverySession() {
    stop();
}

Result<void> DiscoverySession::start() {
    const QList<LocalNetwork> networks = setup_.networks ? setup_.networks() : searchableNetworks();
    for (const LocalNetwork& network : networks) {
        openChannels(network);
    }
    RureLog::network().info(QStringLiteral("Searching for cameras on %1 networks (%2 sockets).")
                                .arg(networks.size())
                                .arg(channels_.size()));
    if (channels_.empty()) {
        finished_ = true;
        return toError(DiscoveryError::noNetwork);
    }
    messageId_ = newMessageId();
    listening_ = true;
    probe();
    // UDP may lose a probe; a second one, a moment later, is what WS-Discovery does.
    repeatTimer_.start(std::min(setup_.listenTime / 3, std::chrono::milliseconds(1000)));
    listenTimer_.start(setup_.listenTime);
    return {};
}

void DiscoverySession::openChannels(const LocalNetwork& network) {
    QList<QHostAddress> locals;
    if (!network.ipv4.isEmpty()) {
        locals.append(network.ipv4.first().ip());
    }
    for (const QNetworkAddressEntry& entry : network.ipv6) {
        if (entry.ip().isLinkLocal()) {
            QHostAddress local = entry.ip();
            local.setScopeId(network.interfaceName);
            locals.append(local);
            break;
        }
    }
    for (const QHostAddress& local : locals) {
        auto* channel = new ProbeChannel(network, local, this);
        if (!channel->open()) {
            delete channel;
            continue;
        }
        channel->datagramReceived = [this, channel](const QByteArray& datagram,
                                                    const QHostAddress& sender) {
            handleDatagram(*channel, datagram, sender);
        };
        channels_.push_back(channel);
    }
}

void DiscoverySession::probe() {
    const QByteArray message = probeMessage(messageId_);
    for (ProbeChannel* channel : channels_) {
        channel->sendProbe(message);
    }
}

int DiscoverySession::ignoredAnswers() const {
    int oversized = 0;
    for (const ProbeChannel* channel : channels_) {
        oversized += channel->oversizedDatagrams();
    }
    return ignored_ + oversized;
}

void DiscoverySession::handleDatagram(const ProbeChannel& channel, const QByteArray& datagram,
                                      const QHostAddress& sender) {
    if (!listening_) {
        return;
    }
    if (!channel.network().contains(sender)) {
        ++ignored_;
        return;
    }
    const Result<QList<ProbeMatch>> matches = parseProbeMatches(datagram, messageId_);
    if (!matches) {
        ++ignored_;
        return;
    }
    bool added = false;
    for (const ProbeMatch& match : matches.value()) {
        const bool known = std::any_of(
            devices_.cbegin(), devices_.cend(),
            [&match](const DiscoveredDevice& device) { return device.endpoint == match.endpoint; });
        if (known) {
            continue;
        }
        const auto onNetwork =
            std::find_if(match.serviceAddresses.cbegin(), match.serviceAddresses.cend(),
                         [&channel](const QUrl& address) {
                             const std::optional<QHostAddress> host = hostAddressOf(address);
                             return host && channel.network().contains(*host);
                         });
        if (onNetwork == match.serviceAddresses.cend()) {
            ++ignored_;
            continue;
        }
        if (devices_.size() >= discovery::deviceLimit) {
            ++ignored_;
            continue;
        }
        DiscoveredDevice device;
        device.endpoint = match.endpoint;
        device.serviceAddress = withInterfaceScope(*onNetwork, channel.network());
        device.interfaceName = channel.network().interfaceName;
        device.name = match.name;
        device.model = match.hardware;
        devices_.append(device);
        added = true;
        askDeviceInformation(device);
    }
    if (added) {
        RureLog::network().info(
            QStringLiteral("Camera search: %1 devices answered.").arg(devices_.size()));
        notifyChanged();
    }
}

void DiscoverySession::askDeviceInformation(const DiscoveredDevice& device) {
    auto* client = new OnvifDeviceClient(device.serviceAddress, setup_.exchangeTimeLimit, this);
    questions_.insert(device.endpoint, client);
    client->call(onvif::getDeviceInformation(), [this, endpoint = device.endpoint](
                                                    const Result<SoapReply>& reply) {
        learnDeviceInformation(endpoint, reply ? readDeviceInformation(reply.value())
                                               : Result<DeviceInformation>(reply.error()));
    });
}

void DiscoverySession::learnDeviceInformation(const QString& endpoint,
                                              const Result<DeviceInformation>& information) {
    OnvifDeviceClient* client = questions_.take(endpoint);
    if (client) {
        client->deleteLater();
    }
    const auto device =
        std::find_if(devices_.begin(), devices_.end(),
                     [&endpoint](const DiscoveredDevice& d) { return d.endpoint == endpoint; });
    if (device == devices_.end()) {
        return;
    }
    if (information) {
        device->login = DeviceLogin::notNeeded;
        device->manufacturer = information.value().manufacturer;
        if (!information.value().model.isEmpty()) {
            device->model = information.value().model;
        }
    } else if (discoveryErrorOf(information.error()) == DiscoveryError::notAuthorized) {
        device->login = DeviceLogin::needed;
    } else {
        device->login = DeviceLogin::unknown;
    }
    notifyChanged();
    finishIfDone();
}

void DiscoverySession::stopListening() {
    listening_ = false;
    repeatTimer_.stop();
    RureLog::network().info(
        QStringLiteral("Camera search: listened; %1 devices answered, %2 answers ignored.")
            .arg(devices_.size())
            .arg(ignoredAnswers()));
    finishIfDone();
}

void DiscoverySession::stop() {
    listening_ = false;
    finished_ = true;
    listenTimer_.stop();
    repeatTimer_.stop();
    for (OnvifDeviceClient* client : std::as_const(questions_)) {
        client->cancelAll();
        client->deleteLater();
    }
    questions_.clear();
}

void DiscoverySession::finishIfDone() {
    if (finished_ || listening_ || !questions_.isEmpty()) {
        return;
    }
    finished_ = true;
    if (finished) {
        finished();
    }
}

void DiscoverySession::notifyChanged() {
    if (devicesChanged) {
        devicesChanged();
    }
}

} // namespace rure
