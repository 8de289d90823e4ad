#include "PictureEnds.h"

#include "engine/relay/RtspUnits.h"

#include <charconv>

namespace rure::rtsp {

namespace {

constexpr std::size_t maximumPendingRequests = 64;

std::optional<int> leadingNumber(std::string_view text) {
    int value = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || rest == text.data()) {
        return std::nullopt;
    }
    return value;
}

std::string_view word(std::string_view line, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0;; ++i) {
        const std::size_t end = line.find(' ', at);
        if (i == index) {
            return line.substr(at, end == std::string_view::npos ? line.size() - at : end - at);
        }
        if (end == std::string_view::npos) {
            return {};
        }
        at = end + 1;
    }
}

std::optional<VideoCodec> codecNamed(std::string_view encoding) {
    const std::string_view name = encoding.substr(0, encoding.find('/'));
    if (equalsIgnoringCase(name, "H264")) {
        return VideoCodec::h264;
    }
    if (equalsIgnoringCase(name, "H265")) {
        return VideoCodec::h265;
    }
    return std::nullopt;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

std::vector<SdpVideo> videoMediaOf(std::string_view sdp) {
    std::vector<SdpVideo> media;
    bool inMedia = false;
    std::size_t at = 0;
    while (at < sdp.size()) {
        const std::size_t end = sdp.find('\n', at);
        std::string_view line =
            sdp.substr(at, end == std::string_view::npos ? sdp.size() - at : end - at);
        at = end == std::string_view::npos ? sdp.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.starts_with("m=")) {
            media.emplace_back();
            inMedia = true;
        } else if (inMedia && line.starts_with("a=rtpmap:")) {
            const std::string_view map = line.substr(9);
            const std::optional<int> type = leadingNumber(map);
            const std::optional<VideoCodec> codec = codecNamed(word(map, 1));
            if (type && codec) {
                media.back().payloadTypes[*type] = *codec;
            }
        } else if (inMedia && line.starts_with("a=control:")) {
            media.back().control = std::string(line.substr(10));
        }
    }
    return media;
}

const SdpVideo* PictureEnds::mediaForSetup(std::string_view url) const {
    for (const SdpVideo& media : media_) {
        const std::string& control = media.control;
        const bool named =
            !control.empty() && control != "*" && (url == control || endsWith(url, "/" + control));
        if (named || (media_.size() == 1 && (control.empty() || control == "*"))) {
            return &media;
        }
    }
    return nullptr;
}

void PictureEnds::request(std::string_view message) {
    const Message parts = messageParts(message);
    const std::optional<std::string_view> sequence = headerValue(parts.headers, "CSeq");
    if (!sequence) {
        return;
    }
    if (pending_.size() >= maximumPendingRequests) {
        pending_.clear();
    }
    pending_[std::string(*sequence)] = {std::string(word(parts.startLine, 0)),
                                        std::string(word(parts.startLine, 1))};
}

void PictureEnds::answer(std::string_view message) {
    const Message parts = messageParts(message);
    const std::optional<std::string_view> sequence = headerValue(parts.headers, "CSeq");
    if (!sequence || !parts.startLine.starts_with("RTSP/")) {
        return;
    }
    const auto found = pending_.find(std::string(*sequence));
    if (found == pending_.end()) {
        return;
    }
    const Pending request = found->second;
    pending_.erase(found);
    if (word(parts.startLine, 1) != "200") {
        return;
    }
    if (request.method == "DESCRIBE") {
        media_ = videoMediaOf(parts.body);
        return;
    }
    if (request.method != "SETUP") {
        return;
    }
    const SdpVideo* media = mediaForSetup(request.url);
    const std::optional<std::string_view> transport = headerValue(parts.headers, "Transport");
    if (!media || media->payloadTypes.empty() || !transport) {
        return;
    }
    constexpr std::string_view interleaved = "interleaved=";
    const std::size_t at = transport->find(interleaved);
    if (at == std::string_view::npos) {
        return;
    }
    if (const std::optional<int> channel =
            leadingNumber(transport->substr(at + interleaved.size()));
        channel && *channel >= 0 && *channel <= 255) {
        channels_[*channel] = {media->payloadTypes, std::nullopt};
    }
}

std::optional<std::string> PictureEnds::delimiterAfter(std::string_view frame) {
    if (stopped_ || frame.size() < 4 + 12) {
        return std::nullopt;
    }
    const auto channel = channels_.find(static_cast<unsigned char>(frame[1]));
    if (channel == channels_.end()) {
        return std::nullopt;
    }
    const auto* rtp = reinterpret_cast<const unsigned char*>(frame.data() + 4);
    const int payloadType = rtp[1] & 0x7f;
    const auto codec = channel->second.payloadTypes.find(payloadType);
    if ((rtp[0] >> 6) != 2 || codec == channel->second.payloadTypes.end()) {
        return std::nullopt;
    }
    const std::uint32_t timestamp = (std::uint32_t(rtp[4]) << 24) | (std::uint32_t(rtp[5]) << 16) |
                                    (std::uint32_t(rtp[6]) << 8) | rtp[7];
    std::optional<std::uint32_t>& closed = channel->second.closedTimestamp;
    if (closed && *closed == timestamp) {
        stopped_ = true;
        return std::nullopt;
    }
    if ((rtp[1] & 0x80) == 0) {
        return std::nullopt;
    }
    closed = timestamp;
    // H.264: NAL type 9 and primary_pic_type 7 (any); H.265: NAL type 35,
    // layer 0, temporal id 1, and pic_type 2 (any); each ends in its stop bit.
    const std::string_view delimiter = codec->second == VideoCodec::h264
                                           ? std::string_view("\x09\xf0", 2)
                                           : std::string_view("\x46\x01\x50", 3);
    const std::uint32_t after = timestamp + 1;
    std::string packet;
    packet.reserve(4 + 12 + delimiter.size());
    packet += '$';
    packet += frame[1];
    packet += '\0';
    packet += static_cast<char>(12 + delimiter.size());
    packet += static_cast<char>(0x80);
    packet += static_cast<char>(payloadType);
    packet.append(frame.data() + 4 + 2, 2); // sequence number
    packet += static_cast<char>(after >> 24);
    packet += static_cast<char>(after >> 16);
    packet += static_cast<char>(after >> 8);
    packet += static_cast<char>(after);
    packet.append(frame.data() + 4 + 8, 4); // SSRC
    packet += delimiter;
    return packet;
}

} // namespace rure::rtsp
