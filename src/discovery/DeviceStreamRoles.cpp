#include "DeviceStreamRoles.h"

#include <algorithm>

namespace rure {

namespace {

qint64 streamPixels(const DeviceStream& stream) {
    return qint64{stream.profile.width} * stream.profile.height;
}

} // namespace

DeviceStreamRoles deviceStreamRoles(const QList<DeviceStream>& streams) {
    if (streams.size() < 2) {
        return {};
    }
    DeviceStreamRoles roles{0, streams.size() - 1};
    const bool sizesKnown =
        std::all_of(streams.cbegin(), streams.cend(),
                    [](const DeviceStream& stream) { return streamPixels(stream) > 0; });
    if (sizesKnown) {
        qsizetype small = 0;
        for (qsizetype i = 1; i < streams.size(); ++i) {
            if (streamPixels(streams.at(i)) > streamPixels(streams.at(roles.main))) {
                roles.main = i;
            }
            if (streamPixels(streams.at(i)) <= streamPixels(streams.at(small))) {
                small = i;
            }
        }
        roles.small = small;
        if (streamPixels(streams.at(small)) == streamPixels(streams.at(roles.main))) {
            roles.small.reset();
        }
    }
    if (roles.small && streams.at(*roles.small).address == streams.at(roles.main).address) {
        roles.small.reset();
    }
    return roles;
}

} // namespace rure
