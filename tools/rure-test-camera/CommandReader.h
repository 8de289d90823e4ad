#pragma once

#include <glib.h>

#include <functional>
#include <string>

namespace rure::camera {

// Hands each line read from a file descriptor (standard input) to a callback on
// the default main context. End of input only ends the reading: the camera is
// often started with standard input on /dev/null and must keep serving.
class CommandReader {
public:
    using LineHandler = std::function<void(const std::string& line)>;

    CommandReader(int fd, LineHandler handler);
    ~CommandReader();
    CommandReader(const CommandReader&) = delete;
    CommandReader& operator=(const CommandReader&) = delete;

private:
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);
    bool readAvailable();

    int fd_;
    LineHandler handler_;
    std::string pending_;
    guint sourceId_ = 0;
};

} // namespace rure::camera
