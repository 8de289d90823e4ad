#include "RtspUnits.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace rure::rtsp {

namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::string_view headEnd = "\r\n\r\n";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Calls `visit(line, offset)` for each header line until it returns true.
template <typename Visit> void forEachHeaderLine(std::string_view headers, Visit visit) {
    std::size_t at = 0;
    while (at < headers.size()) {
        const std::size_t end = headers.find(lineEnd, at);
        const std::size_t stop = end == std::string_view::npos ? headers.size() : end;
        if (visit(headers.substr(at, stop - at), at)) {
            return;
        }
        at = stop + lineEnd.size();
    }
}

bool isHeaderNamed(std::string_view line, std::string_view name) {
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos &&
           equalsIgnoringCase(trimmed(line.substr(0, colon)), name);
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

Split splitUnit(std::string_view data) {
    if (data.empty()) {
        return {};
    }
    if (data.front() == '$') {
        if (data.size() < 4) {
            return {};
        }
        const std::size_t length = (std::size_t(static_cast<unsigned char>(data[2])) << 8) |
                                   static_cast<unsigned char>(data[3]);
        if (data.size() < 4 + length) {
            return {};
        }
        return {SplitStatus::unit, UnitKind::interleaved, 4 + length};
    }
    const std::size_t end = data.find(headEnd);
    if (end == std::string_view::npos) {
        return {data.size() > maximumHeadBytes ? SplitStatus::unreadable : SplitStatus::incomplete};
    }
    const std::size_t headLength = end + headEnd.size();
    if (headLength > maximumHeadBytes) {
        return {SplitStatus::unreadable};
    }
    const Message parts = messageParts(data.substr(0, headLength));
    std::size_t body = 0;
    if (const auto value = headerValue(parts.headers, "Content-Length")) {
        const auto [rest, error] =
            std::from_chars(value->data(), value->data() + value->size(), body);
        if (error != std::errc{} || rest != value->data() + value->size() ||
            body > maximumBodyBytes) {
            return {SplitStatus::unreadable};
        }
    }
    if (data.size() < headLength + body) {
        return {};
    }
    return {SplitStatus::unit, UnitKind::message, headLength + body};
}

Message messageParts(std::string_view unit) {
    const std::size_t end = unit.find(headEnd);
    const std::size_t headLength = end == std::string_view::npos ? unit.size() : end + 2;
    const std::size_t firstLineEnd = unit.find(lineEnd);
    Message parts;
    parts.startLine = unit.substr(0, std::min(firstLineEnd, headLength));
    if (firstLineEnd != std::string_view::npos && firstLineEnd + 2 <= headLength) {
        parts.headers = unit.substr(firstLineEnd + 2, headLength - firstLineEnd - 2);
    }
    if (end != std::string_view::npos) {
        parts.body = unit.substr(end + headEnd.size());
    }
    return parts;
}

std::optional<std::string_view> headerValue(std::string_view headers, std::string_view name) {
    std::optional<std::string_view> value;
    forEachHeaderLine(headers, [&](std::string_view line, std::size_t) {
        if (!isHeaderNamed(line, name)) {
            return false;
        }
        value = trimmed(line.substr(line.find(':') + 1));
        return true;
    });
    return value;
}

std::string withHeaderValue(std::string_view headers, std::string_view name,
                            std::string_view value) {
    std::string result(headers);
    forEachHeaderLine(headers, [&](std::string_view line, std::size_t offset) {
        if (!isHeaderNamed(line, name)) {
            return false;
        }
        const std::size_t colon = line.find(':');
        std::string replaced(line.substr(0, colon + 1));
        replaced += ' ';
        replaced += value;
        result.replace(offset, line.size(), replaced);
        return true;
    });
    return result;
}

} // namespace rure::rtsp
