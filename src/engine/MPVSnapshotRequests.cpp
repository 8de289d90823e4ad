#include "MPVSnapshotRequests.h"

#include <mpv/client.h>

#include <QMetaObject>

#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace rure {

namespace {

const mpv_node* mapEntry(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP || map.u.list == nullptr) {
        return nullptr;
    }
    const mpv_node_list& list = *map.u.list;
    for (int i = 0; i < list.num; ++i) {
        if (list.keys != nullptr && list.keys[i] != nullptr &&
            std::strcmp(list.keys[i], key) == 0) {
            return &list.values[i];
        }
    }
    return nullptr;
}

std::optional<int64_t> integerEntry(const mpv_node& map, const char* key) {
    const mpv_node* entry = mapEntry(map, key);
    if (entry == nullptr || entry->format != MPV_FORMAT_INT64) {
        return std::nullopt;
    }
    return entry->u.int64;
}

} // namespace

std::optional<QImage> pictureFromScreenshotNode(const mpv_node& node) {
    const std::optional<int64_t> width = integerEntry(node, "w");
    const std::optional<int64_t> height = integerEntry(node, "h");
    const std::optional<int64_t> stride = integerEntry(node, "stride");
    const mpv_node* format = mapEntry(node, "format");
    const mpv_node* data = mapEntry(node, "data");
    if (!width || !height || !stride || format == nullptr || data == nullptr ||
        format->format != MPV_FORMAT_STRING || format->u.string == nullptr ||
        std::strcmp(format->u.string, "bgr0") != 0 || data->format != MPV_FORMAT_BYTE_ARRAY ||
        data->u.ba == nullptr || data->u.ba->data == nullptr) {
        return std::nullopt;
    }
    constexpr int64_t largestSide = 1 << 15;
    if (*width < 1 || *height < 1 || *width > largestSide || *height > largestSide ||
        *stride < *width * 4 || *stride > std::numeric_limits<int>::max() / *height ||
        static_cast<int64_t>(data->u.ba->size) < *stride * *height) {
        return std::nullopt;
    }
    // "bgr0" keeps blue, green, red and an unused byte in that order: read as
    // one little-endian word, Qt's RGB32 but for the unused byte, which the
    // conversion ignores. The conversion copies the picture out of the
    // engine's buffer.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "bgr0 is read as little-endian words");
    const QImage view(static_cast<const uchar*>(data->u.ba->data), static_cast<int>(*width),
                      static_cast<int>(*height), static_cast<qsizetype>(*stride),
                      QImage::Format_RGB32);
    QImage picture = view.convertToFormat(QImage::Format_RGB888);
    if (picture.isNull()) {
        return std::nullopt;
    }
    return picture;
}

MPVSnapshotRequests::MPVSnapshotRequests(QObject* mainThreadContext)
    : mainThreadContext_(mainThreadContext) {}

MPVSnapshotRequests::~MPVSnapshotRequests() {
    abandonAll();
}

uint64_t MPVSnapshotRequests::add(SnapshotHandler done) {
    std::lock_guard guard(lock_);
    const uint64_t number = nextReplyNumber_++;
    pending_.emplace(number, std::move(done));
    return number;
}

bool MPVSnapshotRequests::isPending(uint64_t replyNumber) const {
    std::lock_guard guard(lock_);
    return pending_.contains(replyNumber);
}

bool MPVSnapshotRequests::anyPending() const {
    std::lock_guard guard(lock_);
    return !pending_.empty();
}

void MPVSnapshotRequests::answer(uint64_t replyNumber, int error, const mpv_node* result) {
    SnapshotHandler done;
    {
        std::lock_guard guard(lock_);
        const auto found = pending_.find(replyNumber);
        if (found == pending_.end()) {
            return;
        }
        done = std::move(found->second);
        pending_.erase(found);
    }
    std::optional<QImage> picture;
    if (error >= 0 && result != nullptr) {
        picture = pictureFromScreenshotNode(*result);
    }
    post(std::move(done), std::move(picture));
}

void MPVSnapshotRequests::abandonAll() {
    std::map<uint64_t, SnapshotHandler> abandoned;
    {
        std::lock_guard guard(lock_);
        abandoned.swap(pending_);
    }
    for (auto& [number, done] : abandoned) {
        post(std::move(done), std::nullopt);
    }
}

void MPVSnapshotRequests::post(SnapshotHandler done, std::optional<QImage> picture) {
    if (!done || mainThreadContext_ == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        mainThreadContext_,
        [done = std::move(done), picture = std::move(picture)] { done(picture); },
        Qt::QueuedConnection);
}

} // namespace rure
