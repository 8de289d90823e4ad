#include "CommandReader.h"

#include <glib-unix.h>

#include <cerrno>
#include <unistd.h>

namespace rure::camera {

CommandReader::CommandReader(int fd, LineHandler handler) : fd_(fd), handler_(std::move(handler)) {
    sourceId_ = g_unix_fd_add(fd_, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                              &CommandReader::onReadable, this);
}

CommandReader::~CommandReader() {
    if (sourceId_ != 0) {
        g_source_remove(sourceId_);
    }
}

gboolean CommandReader::onReadable(gint, GIOCondition condition, gpointer self) {
    auto* reader = static_cast<CommandReader*>(self);
    // A closed or invalid descriptor reports NVAL forever; reading would spin.
    const bool keep = (condition & G_IO_NVAL) == 0 && reader->readAvailable();
    if (!keep) {
        reader->sourceId_ = 0;
    }
    return keep ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool CommandReader::readAvailable() {
    // One read() per wake-up: poll() said data is there, so it does not block,
    // and the descriptor stays in blocking mode for whoever shares it.
    char buffer[4096];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0) {
        return errno == EINTR || errno == EAGAIN;
    }
    if (count == 0) {
        if (!pending_.empty()) {
            handler_(pending_);
            pending_.clear();
        }
        return false;
    }
    pending_.append(buffer, static_cast<std::size_t>(count));
    std::size_t newline;
    while ((newline = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        handler_(line);
    }
    return true;
}

} // namespace rure::camera
