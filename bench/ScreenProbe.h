#pragma once

#include <QRect>
#include <QRgb>
#include <QString>

#include <optional>
#include <sys/types.h>

namespace rure::bench {

// Reads single pixels straight off the X server's screen (the root window), so
// a benchmark sees exactly what any player put on the glass. One read is a
// round trip to the server of well under a millisecond, fast enough to poll
// every millisecond or two. The connection to the display closes with the
// object.
class ScreenProbe {
public:
    // Connects to $DISPLAY; nothing when there is no display.
    static std::optional<ScreenProbe> open();
    // The same for a benchmark's own screen: the root window blackened (see
    // blackenRootWindow), and a word on standard error when there is no display.
    static std::optional<ScreenProbe> openBlackened();

    ~ScreenProbe();
    ScreenProbe(ScreenProbe&& other) noexcept;
    ScreenProbe& operator=(ScreenProbe&& other) noexcept;
    ScreenProbe(const ScreenProbe&) = delete;
    ScreenProbe& operator=(const ScreenProbe&) = delete;

    // The colour at screen coordinates (x, y); nothing outside the screen or on a failed read.
    std::optional<QRgb> pixelAt(int x, int y);

    QRect screenRect() const;

    // Paints the root window black. A bare X server without a desktop (Xvfb)
    // shows a stipple of black and white pixels there, which a pixel read behind
    // or around a window would mistake for a picture.
    void blackenRootWindow();

    // The on-screen rectangle of the largest mapped window that belongs to process
    // `pid` (through its _NET_WM_PID property), or whose name contains `name` when
    // `name` is not empty; nothing while there is none.
    std::optional<QRect> windowRectOfProcess(pid_t pid);
    std::optional<QRect> windowRectByName(const QString& name);

private:
    struct Connection;
    explicit ScreenProbe(Connection* connection);
    void close();

    Connection* connection_ = nullptr;
};

// True when every channel of `colour` is at most `threshold`.
bool isDark(QRgb colour, int threshold = 40);
// True when every channel of `colour` is above `threshold`.
bool isBright(QRgb colour, int threshold = 200);
// True when the channels of `colour` lie at least `spread` apart: a coloured test
// picture, never black, white, grey or an empty window.
bool isColourful(QRgb colour, int spread = 80);

} // namespace rure::bench
