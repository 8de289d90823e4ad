#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rure::rtsp {

// What an RTSP connection over TCP carries, one after the other: messages
// (requests and answers, a head and a body of Content-Length bytes) and
// interleaved binary frames ("$", a channel, a 16-bit length, the data).
enum class UnitKind { message, interleaved };

enum class SplitStatus {
    unit,       // a whole unit starts the data
    incomplete, // more bytes are needed
    unreadable, // not RTSP as this relay knows it (a head or body over the limits)
};

struct Split {
    SplitStatus status = SplitStatus::incomplete;
    UnitKind kind = UnitKind::message;
    std::size_t length = 0; // the whole unit's bytes when status is unit
};

// Limits far above what cameras send (an SDP of a few kilobytes); beyond them
// the relay stops reading the connection and passes its bytes on untouched.
constexpr std::size_t maximumHeadBytes = 64 * 1024;
constexpr std::size_t maximumBodyBytes = 1024 * 1024;

Split splitUnit(std::string_view data);

// A message's parts: its first line, its header lines (each ending in CRLF),
// and its body.
struct Message {
    std::string_view startLine;
    std::string_view headers;
    std::string_view body;
};

// `unit` is a whole message as splitUnit found it.
Message messageParts(std::string_view unit);

// The value of the first header named `name` (any letter case), without
// surrounding blanks.
std::optional<std::string_view> headerValue(std::string_view headers, std::string_view name);

// `headers` with the value of the first header named `name` replaced.
std::string withHeaderValue(std::string_view headers, std::string_view name,
                            std::string_view value);

bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace rure::rtsp
