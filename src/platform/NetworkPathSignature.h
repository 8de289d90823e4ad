#pragma once

namespace rure {

// What matters of the network path for playback: whether it is usable and which
// kinds of interface carry it. Compared field by field.
struct NetworkPathSignature {
    bool isSatisfied = false;
    bool usesWiFi = false;
    bool usesEthernet = false;
    bool usesOther = false;

    friend bool operator==(const NetworkPathSignature&, const NetworkPathSignature&) = default;
};

} // namespace rure
