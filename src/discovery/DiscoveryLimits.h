#pragma once

#include <QtGlobal>

#include <chrono>

namespace rure::discovery {

// Everything a device sends is untrusted: these bound what discovery reads,
// keeps and waits for.

// A probe reply larger than this is dropped unread. Real ones are 1 to 3 KiB.
inline constexpr qsizetype datagramLimit = 16 * 1024;
// The body of one SOAP reply. A profile list of a busy recorder stays far below.
inline constexpr qsizetype replyBodyLimit = 512 * 1024;
// Elements in one XML document, and how deep they may nest.
inline constexpr qsizetype xmlElementLimit = 20000;
inline constexpr int xmlDepthLimit = 40;
// A name, model, token or scope longer than this makes its reply malformed.
inline constexpr qsizetype textFieldLimit = 256;
// An address (a service or stream address) longer than this does the same.
inline constexpr qsizetype addressFieldLimit = 2048;
// Devices listed in one search; later answers are ignored.
inline constexpr qsizetype deviceLimit = 64;
// Profiles of one device offered to the user.
inline constexpr qsizetype profileLimit = 32;
// Service addresses of one probe match that are examined.
inline constexpr qsizetype serviceAddressLimit = 8;

// How long a search listens for answers to its probes.
inline constexpr std::chrono::milliseconds defaultListenTime{4000};
// The longest one SOAP exchange may take, from request to the end of the reply.
inline constexpr std::chrono::milliseconds defaultExchangeTimeLimit{8000};

} // namespace rure::discovery
