#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace rure::BundleTool {

// The command line of "rure-bundle" (arguments after the program's name):
//
//   sign <bundle> <private-key.pem>
//   verify [--public-key <public-key.pem>] <bundle>
//   clear-xattrs <path>
//
// `trustedPublicKeyPem` is the key that verify trusts unless --public-key names
// another. Errors go to `errors`, one line each. Returns the exit status: 0 on
// success, 1 when the operation fails, 2 for a malformed command line.
//
// Nothing here reads the environment or the working directory beyond what a
// relative path means, so the tool behaves the same under pkexec.
int run(const std::vector<std::string>& arguments, std::string_view trustedPublicKeyPem,
        std::ostream& errors);

} // namespace rure::BundleTool
