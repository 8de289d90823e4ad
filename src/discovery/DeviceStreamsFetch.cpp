#include "DeviceStreamsFetch.h"

#include "DiscoveryError.h"
#include "MediaServiceAddress.h"
#include "OnvifDeviceClient.h"
#include "OnvifRequests.h"
#include "StreamUri.h"
#include "SystemDateAndTime.h"
#include "common/RureLog.h"

#include <QDateTime>

namespace rure {

namespace {

bool isFailureOfTheDevice(const Error& error) {
    const std::optional<DiscoveryError> kind = discoveryErrorOf(error);
    return kind != DiscoveryError::deviceFault && kind != DiscoveryError::notAuthorized;
}

} // namespace

DeviceStreamsFetch::DeviceStreamsFetch(const DiscoveredDevice& device,
                                       DeviceCredentials credentials,
                                       std::chrono::milliseconds exchangeTimeLimit,
                                       Completion completion, QObject* parent)
    : QObject(parent), deviceAddress_(device.serviceAddress), credentials_(std::move(credentials)),
      completion_(std::move(completion)),
      client_(new OnvifDeviceClient(device.serviceAddress, exchangeTimeLimit, this)),
      mediaAddress_(device.serviceAddress) {}

DeviceStreamsFetch::~DeviceStreamsFetch() {
    cancel();
}

void DeviceStreamsFetch::cancel() {
    completion_ = nullptr;
    client_->cancelAll();
}

void DeviceStreamsFetch::start() {
    // Asked without a login: the token's time comes from the answer.
    client_->call(onvif::getSystemDateAndTime(), [this](const Result<SoapReply>& reply) {
        const Result<std::optional<QDateTime>> clock =
            reply ? readSystemDateAndTime(reply.value())
                  : Result<std::optional<QDateTime>>(reply.error());
        if (!clock && isFailureOfTheDevice(clock.error())) {
            fail(clock.error());
            return;
        }
        if (clock && clock.value()) {
            client_->setClockOffset(QDateTime::currentDateTimeUtc().secsTo(*clock.value()));
        }
        client_->setCredentials(credentials_);
        askCapabilities();
    });
}

void DeviceStreamsFetch::askCapabilities() {
    client_->call(onvif::getCapabilities(), [this](const Result<SoapReply>& reply) {
        const Result<std::optional<QUrl>> address =
            reply ? readMediaServiceAddress(reply.value())
                  : Result<std::optional<QUrl>>(reply.error());
        if (!address) {
            // A device that will not tell serves Media at its device address.
            if (discoveryErrorOf(address.error()) != DiscoveryError::deviceFault) {
                fail(address.error());
                return;
            }
        } else if (address.value()) {
            if (!isSameHost(*address.value(), deviceAddress_)) {
                fail(toError(DiscoveryError::otherHost));
                return;
            }
            mediaAddress_ = withScopeOfDevice(*address.value(), deviceAddress_);
        }
        askProfiles();
    });
}

void DeviceStreamsFetch::askProfiles() {
    client_->call(
        onvif::getProfiles(),
        [this](const Result<SoapReply>& reply) {
            Result<QList<MediaProfile>> profiles = reply
                                                       ? readMediaProfiles(reply.value())
                                                       : Result<QList<MediaProfile>>(reply.error());
            if (!profiles) {
                fail(profiles.error());
                return;
            }
            profiles_ = std::move(profiles).value();
            if (profiles_.isEmpty()) {
                fail(toError(DiscoveryError::noStreams));
                return;
            }
            askNextStream();
        },
        mediaAddress_);
}

void DeviceStreamsFetch::askNextStream() {
    if (nextProfile_ == profiles_.size()) {
        succeed();
        return;
    }
    const MediaProfile profile = profiles_.at(nextProfile_++);
    client_->call(
        onvif::getStreamUri(profile.token),
        [this, profile](const Result<SoapReply>& reply) {
            const Result<QUrl> address =
                reply ? readStreamUri(reply.value()) : Result<QUrl>(reply.error());
            if (!address) {
                const std::optional<DiscoveryError> kind = discoveryErrorOf(address.error());
                if (kind != DiscoveryError::deviceFault) {
                    fail(address.error());
                    return;
                }
                // This profile does not stream (over RTSP); the others may.
                if (!firstStreamError_) {
                    firstStreamError_ = address.error();
                }
            } else if (!isSameHost(address.value(), deviceAddress_)) {
                if (!firstStreamError_) {
                    firstStreamError_ = toError(DiscoveryError::otherHost);
                }
            } else {
                streams_.append(
                    DeviceStream{profile, withScopeOfDevice(address.value(), deviceAddress_)});
            }
            askNextStream();
        },
        mediaAddress_);
}

void DeviceStreamsFetch::fail(const Error& error) {
    client_->cancelAll();
    RureLog::network().error(
        QStringLiteral("Could not read a camera's stream addresses (code %1).").arg(error.code));
    const Completion completion = std::exchange(completion_, nullptr);
    if (completion) {
        completion(error);
    }
}

void DeviceStreamsFetch::succeed() {
    if (streams_.isEmpty()) {
        fail(firstStreamError_.value_or(toError(DiscoveryError::noStreams)));
        return;
    }
    RureLog::network().info(
        QStringLiteral("Read %1 stream addresses of a camera.").arg(streams_.size()));
    const Completion completion = std::exchange(completion_, nullptr);
    if (completion) {
        completion(streams_);
    }
}

} // namespace rure
