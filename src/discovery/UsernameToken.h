#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace rure {

// The WS-Security UsernameToken with a password digest, as ONVIF devices
// check it: Base64(SHA-1(nonce + created + password)). The password itself
// never appears in what these return.

// The digest of `password` for one nonce (raw bytes) and creation time (its
// text exactly as sent).
QString passwordDigest(const QByteArray& nonce, const QString& created, const QString& password);

// The creation time as the token carries it: UTC, whole seconds, "…Z".
QString usernameTokenTime(const QDateTime& created);

// The Security header element for one request.
QString usernameTokenHeader(const QString& userName, const QString& password,
                            const QByteArray& nonce, const QDateTime& created);

} // namespace rure
