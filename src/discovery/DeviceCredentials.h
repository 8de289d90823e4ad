#pragma once

#include <QString>

namespace rure {

// What the user typed to sign in to one device. It goes to that device only as
// a WS-Security digest, and into the RTSP address of the rows made from it;
// it is never logged.
struct DeviceCredentials {
    QString userName;
    QString password;

    bool isEmpty() const { return userName.isEmpty() && password.isEmpty(); }
};

} // namespace rure
