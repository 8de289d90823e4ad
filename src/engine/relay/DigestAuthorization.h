#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rure::rtsp {

// `value`, an Authorization header's value in the Digest scheme (RFC 2617,
// MD5 or MD5-sess, with or without qop), made again for the request URI `uri`:
// the same fields in the same order, `uri` and the response replaced. The
// password is the one of `passwords` that the value was made with, found by
// making the value's own response again; nothing when none of them made it,
// or when `value` is not a Digest authorization this function can read.
std::optional<std::string> digestForUri(std::string_view value, std::string_view method,
                                        std::string_view uri,
                                        std::span<const std::string> passwords);

// The response field of a Digest authorization (lower-case hexadecimal MD5).
std::string digestResponse(std::string_view user, std::string_view realm, std::string_view password,
                           std::string_view nonce, std::string_view method, std::string_view uri,
                           std::string_view algorithm, std::string_view qop,
                           std::string_view nonceCount, std::string_view clientNonce);

} // namespace rure::rtsp
