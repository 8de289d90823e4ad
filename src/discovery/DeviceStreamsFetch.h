#pragma once

#include "DeviceCredentials.h"
#include "DeviceStream.h"
#include "DiscoveredDevice.h"
#include "MediaProfiles.h"
#include "common/Result.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace rure {

class OnvifDeviceClient;

// Reads the RTSP addresses of one chosen device: its clock (so that the
// UsernameToken carries the device's time), the address of its Media service,
// its profiles and, for each, the address of its RTP-unicast stream over
// RTSP. With credentials, every request after the clock carries them as a
// digest. Services and streams must be on the device's own host. A profile
// the device will not stream is left out; any other failure ends the fetch
// with its error. The completion runs once, later, and never after the fetch
// is destroyed. GUI thread.
class DeviceStreamsFetch final : public QObject {
public:
    using Completion = std::function<void(Result<QList<DeviceStream>>)>;

    DeviceStreamsFetch(const DiscoveredDevice& device, DeviceCredentials credentials,
                       std::chrono::milliseconds exchangeTimeLimit, Completion completion,
                       QObject* parent = nullptr);
    ~DeviceStreamsFetch() override;

    void start();
    // Ends the fetch without its completion.
    void cancel();

private:
    void askCapabilities();
    void askProfiles();
    void askNextStream();
    void fail(const Error& error);
    void succeed();

    QUrl deviceAddress_;
    DeviceCredentials credentials_;
    Completion completion_;
    OnvifDeviceClient* client_;
    QUrl mediaAddress_;
    QList<MediaProfile> profiles_;
    qsizetype nextProfile_ = 0;
    QList<DeviceStream> streams_;
    std::optional<Error> firstStreamError_;
};

} // namespace rure
