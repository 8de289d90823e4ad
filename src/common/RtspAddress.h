#pragma once

#include <QString>

#include <optional>

namespace rure {

// True when `address` parses strictly as a URI whose scheme is "rtsp" in any
// letter case and which names a host. The address is taken as given: callers trim.
//
// The one rule for what Rure plays: the editor saves only such addresses, the
// viewer loads only them, and the engine refuses anything else, so that an
// address in a list written by hand can never make it open a file, a device or
// another protocol.
bool isRtspAddress(const QString& address);

// The address to play for a camera whose stored address is `address`: the
// address without surrounding white space, when that is an RTSP address;
// nothing otherwise.
std::optional<QString> playableAddress(const QString& address);

// `address` as shown outside editing: a password in it ("user:password@")
// as eight dots, whatever its length, so that a glance or a screenshot does
// not give it away. Anything else is shown as written.
QString addressWithPasswordHidden(const QString& address);

// Why a camera whose address is not an RTSP address is not played, in the
// user's words. Never names the address.
QString unplayableAddressText();

} // namespace rure
