#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace rure::bench {

// A relay on the loopback between players and a camera that notes when each
// video picture's RTP packets pass on their way to the player (RTSP over TCP,
// interleaved): the moment a picture's last packet, the one with the marker
// bit, reached the player's socket. Everything else passes unchanged.
class RtspTap {
public:
    // Relays 127.0.0.1:<port()> to 127.0.0.1:`cameraPort`, whose video is
    // H.265 when `h265`, H.264 otherwise.
    explicit RtspTap(quint16 cameraPort, bool h265 = false);
    ~RtspTap();
    RtspTap(const RtspTap&) = delete;
    RtspTap& operator=(const RtspTap&) = delete;

    bool isListening() const { return listener_ >= 0; }
    quint16 port() const { return port_; }
    // `cameraUrl` with the relay's port in place of the camera's.
    QString relayed(const QString& cameraUrl) const;

    // The arrival of the last packet of the first picture whose first packet
    // passed after `instant` (CLOCK_MONOTONIC nanoseconds), that carried at
    // least `minimumBytes` and that is no key frame: a picture that changed,
    // not a still one repeated or coded afresh. A change that falls on
    // a key frame finds none.
    std::optional<std::int64_t> lastPacketOfPictureAfter(std::int64_t instant,
                                                         std::size_t minimumBytes) const;

private:
    struct Picture {
        std::uint32_t timestamp = 0;
        std::int64_t firstPacketAt = 0;
        std::int64_t lastPacketAt = 0;
        std::size_t bytes = 0;
        bool complete = false;
        bool keyFrame = false;
    };

    void accept();
    void relay(int player);
    // Reads the camera's side of one connection: RTSP answers and `$` frames.
    void notePackets(std::vector<unsigned char>& pending);
    void notePacket(const unsigned char* rtp, std::size_t size);

    quint16 cameraPort_;
    bool h265_;
    quint16 port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex connectionsMutex_;
    std::vector<std::thread> connections_;
    mutable std::mutex picturesMutex_;
    std::deque<Picture> pictures_;
};

} // namespace rure::bench
