// rure-bundle: signs and verifies application bundles and clears their
// extended attributes; the installer's transaction runs it, also as root under
// pkexec with an empty environment.

#include "BundleTool.h"
#include "BundleTrustedKey.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return rure::BundleTool::run(arguments, rure::trustedBundlePublicKeyPem, std::cerr);
}
