#include "RelayRoute.h"

#include "engine/relay/DigestAuthorization.h"
#include "engine/relay/RtspUnits.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace rure::rtsp {

namespace {

constexpr std::uint16_t defaultRtspPort = 554;

// Replaces `prefix` at the start of `text`; false when it is not there.
bool replacePrefix(std::string& text, std::string_view prefix, std::string_view replacement) {
    if (!std::string_view(text).starts_with(prefix)) {
        return false;
    }
    text.replace(0, prefix.size(), replacement);
    return true;
}

bool isHostName(std::string_view host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    });
}

} // namespace

std::optional<RelayRoute> RelayRoute::forCamera(std::string_view cameraAddress,
                                                std::uint16_t relayPort) {
    const std::size_t schemeEnd = cameraAddress.find("://");
    if (schemeEnd == std::string_view::npos ||
        !equalsIgnoringCase(cameraAddress.substr(0, schemeEnd), "rtsp")) {
        return std::nullopt;
    }
    const std::string_view scheme = cameraAddress.substr(0, schemeEnd);
    const std::size_t authorityStart = schemeEnd + 3;
    const std::size_t authorityEnd =
        std::min(cameraAddress.find_first_of("/?#", authorityStart), cameraAddress.size());
    const std::string_view authority =
        cameraAddress.substr(authorityStart, authorityEnd - authorityStart);
    const std::size_t at = authority.rfind('@');
    const std::string_view userInfo =
        at == std::string_view::npos ? std::string_view() : authority.substr(0, at);
    const std::string_view hostPort =
        at == std::string_view::npos ? authority : authority.substr(at + 1);

    std::string_view host = hostPort;
    std::string_view portText;
    const bool bracketed = hostPort.starts_with('[');
    if (bracketed) {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = hostPort.substr(1, close - 1);
        const std::string_view rest = hostPort.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
        portText = rest.empty() ? rest : rest.substr(1);
    } else if (const std::size_t colon = hostPort.find(':'); colon != std::string_view::npos) {
        host = hostPort.substr(0, colon);
        portText = hostPort.substr(colon + 1);
    }
    unsigned port = defaultRtspPort;
    if (!portText.empty()) {
        const auto [rest, error] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc{} || rest != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            return std::nullopt;
        }
    }

    RelayRoute route;
    const std::string hostText(host);
    SocketAddress literal;
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&literal.address);
        !bracketed && ::inet_pton(AF_INET, hostText.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        literal.length = sizeof(sockaddr_in);
        route.address_ = literal;
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&literal.address);
               bracketed && ::inet_pton(AF_INET6, hostText.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        literal.length = sizeof(sockaddr_in6);
        route.address_ = literal;
    } else if (bracketed || !isHostName(host)) {
        return std::nullopt;
    }
    route.host_ = hostText;
    route.port_ = port;

    // The engine writes request URIs as scheme, host, port and the rest, the
    // port always written and an IPv6 host in brackets.
    const std::string schemeText(scheme);
    route.relayPrefix_ = schemeText + "://127.0.0.1:" + std::to_string(relayPort);
    route.cameraPrefix_ = schemeText + "://" + (bracketed ? "[" + hostText + "]" : hostText) + ':' +
                          std::to_string(port);
    route.playerAddress_ = std::string(cameraAddress.substr(0, authorityStart));
    if (!userInfo.empty()) {
        route.playerAddress_ += std::string(userInfo) + '@';
    }
    route.playerAddress_ += "127.0.0.1:" + std::to_string(relayPort);
    route.playerAddress_ += cameraAddress.substr(authorityEnd);

    // The engine may make a Digest response with the password as written in
    // the address or percent-decoded; the relay takes the one that made it.
    if (const std::size_t colon = userInfo.find(':'); colon != std::string_view::npos) {
        const std::string written(userInfo.substr(colon + 1));
        route.passwords_.push_back(written);
        const QByteArray decoded =
            QByteArray::fromPercentEncoding(QByteArray::fromStdString(written));
        if (decoded.toStdString() != written) {
            route.passwords_.push_back(decoded.toStdString());
        }
    }
    return route;
}

std::string RelayRoute::requestForCamera(std::string_view message) const {
    const Message parts = messageParts(message);
    const std::size_t methodEnd = parts.startLine.find(' ');
    const std::size_t uriEnd = parts.startLine.find(' ', methodEnd + 1);
    if (methodEnd == std::string_view::npos || uriEnd == std::string_view::npos) {
        return std::string(message);
    }
    const std::string_view method = parts.startLine.substr(0, methodEnd);
    std::string uri(parts.startLine.substr(methodEnd + 1, uriEnd - methodEnd - 1));
    if (!replacePrefix(uri, relayPrefix_, cameraPrefix_)) {
        return std::string(message);
    }
    std::string headers(parts.headers);
    if (const std::optional<std::string_view> authorization =
            headerValue(parts.headers, "Authorization")) {
        if (const std::optional<std::string> remade =
                digestForUri(*authorization, method, uri, passwords_)) {
            headers = withHeaderValue(parts.headers, "Authorization", *remade);
        }
    }
    std::string request(method);
    request += ' ';
    request += uri;
    request += parts.startLine.substr(uriEnd);
    request += "\r\n";
    request += headers;
    request += "\r\n";
    request += parts.body;
    return request;
}

} // namespace rure::rtsp
