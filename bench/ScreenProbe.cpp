#include "ScreenProbe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace rure::bench {

namespace {

// Windows come and go under a benchmark's feet; a read of one that has just gone
// must fail quietly instead of ending the process (Xlib's default handler exits).
int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

std::optional<unsigned long> cardinalProperty(Display* display, Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &remaining, &data) != Success) {
        return std::nullopt;
    }
    std::optional<unsigned long> value;
    if (data != nullptr && format == 32 && count == 1) {
        value = *reinterpret_cast<unsigned long*>(data);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return value;
}

QString windowName(Display* display, Window window, Atom netWmName, Atom utf8) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    QString name;
    if (XGetWindowProperty(display, window, netWmName, 0, 256, False, utf8, &type, &format, &count,
                           &remaining, &data) == Success &&
        data != nullptr && format == 8) {
        name =
            QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (name.isEmpty()) {
        char* legacy = nullptr;
        if (XFetchName(display, window, &legacy) && legacy != nullptr) {
            name = QString::fromLocal8Bit(legacy);
            XFree(legacy);
        }
    }
    return name;
}

} // namespace

struct ScreenProbe::Connection {
    Display* display = nullptr;
    Window root = 0;
    int width = 0;
    int height = 0;
    Atom pidAtom = None;
    Atom nameAtom = None;
    Atom utf8Atom = None;
};

std::optional<ScreenProbe> ScreenProbe::openBlackened() {
    std::optional<ScreenProbe> probe = open();
    if (!probe) {
        std::fprintf(stderr, "cannot open the X display (run under scripts/with-display.sh)\n");
        return std::nullopt;
    }
    probe->blackenRootWindow();
    return probe;
}

std::optional<ScreenProbe> ScreenProbe::open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return std::nullopt;
    }
    XSetErrorHandler(ignoreError);
    auto* connection = new Connection;
    connection->display = display;
    const int screen = DefaultScreen(display);
    connection->root = RootWindow(display, screen);
    connection->width = DisplayWidth(display, screen);
    connection->height = DisplayHeight(display, screen);
    connection->pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    connection->nameAtom = XInternAtom(display, "_NET_WM_NAME", False);
    connection->utf8Atom = XInternAtom(display, "UTF8_STRING", False);
    return ScreenProbe(connection);
}

ScreenProbe::ScreenProbe(Connection* connection) : connection_(connection) {}

ScreenProbe::~ScreenProbe() {
    close();
}

ScreenProbe::ScreenProbe(ScreenProbe&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)) {}

ScreenProbe& ScreenProbe::operator=(ScreenProbe&& other) noexcept {
    if (this != &other) {
        close();
        connection_ = std::exchange(other.connection_, nullptr);
    }
    return *this;
}

void ScreenProbe::close() {
    if (connection_ != nullptr) {
        XCloseDisplay(connection_->display);
        delete connection_;
        connection_ = nullptr;
    }
}

QRect ScreenProbe::screenRect() const {
    return connection_ ? QRect(0, 0, connection_->width, connection_->height) : QRect();
}

void ScreenProbe::blackenRootWindow() {
    if (connection_ == nullptr) {
        return;
    }
    Display* display = connection_->display;
    XSetWindowBackground(display, connection_->root, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, connection_->root);
    XSync(display, False);
}

std::optional<QRgb> ScreenProbe::pixelAt(int x, int y) {
    if (connection_ == nullptr || !screenRect().contains(x, y)) {
        return std::nullopt;
    }
    XImage* image =
        XGetImage(connection_->display, connection_->root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return std::nullopt;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    // A 24-bit TrueColor screen (Xvfb's and every desktop's) keeps red, green and
    // blue in the masks the image reports.
    auto channel = [pixel](unsigned long mask) {
        if (mask == 0) {
            return 0;
        }
        int shift = 0;
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        return static_cast<int>(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    const QRgb colour =
        qRgb(channel(image->red_mask), channel(image->green_mask), channel(image->blue_mask));
    XDestroyImage(image);
    return colour;
}

std::optional<QRect> ScreenProbe::windowRectOfProcess(pid_t pid) {
    if (connection_ == nullptr) {
        return std::nullopt;
    }
    Display* display = connection_->display;
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, connection_->root, &rootReturn, &parent, &children, &count)) {
        return std::nullopt;
    }
    std::optional<QRect> best;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable || attributes.c_class != InputOutput) {
            continue;
        }
        const std::optional<unsigned long> owner =
            cardinalProperty(display, children[i], connection_->pidAtom);
        if (!owner || static_cast<pid_t>(*owner) != pid) {
            continue;
        }
        const QRect rect(attributes.x, attributes.y, attributes.width, attributes.height);
        if (!best || rect.width() * rect.height() > best->width() * best->height()) {
            best = rect;
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return best;
}

std::optional<QRect> ScreenProbe::windowRectByName(const QString& name) {
    if (connection_ == nullptr || name.isEmpty()) {
        return std::nullopt;
    }
    Display* display = connection_->display;
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, connection_->root, &rootReturn, &parent, &children, &count)) {
        return std::nullopt;
    }
    std::optional<QRect> best;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        if (!windowName(display, children[i], connection_->nameAtom, connection_->utf8Atom)
                 .contains(name)) {
            continue;
        }
        const QRect rect(attributes.x, attributes.y, attributes.width, attributes.height);
        if (!best || rect.width() * rect.height() > best->width() * best->height()) {
            best = rect;
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return best;
}

bool isDark(QRgb colour, int threshold) {
    return qRed(colour) <= threshold && qGreen(colour) <= threshold && qBlue(colour) <= threshold;
}

bool isBright(QRgb colour, int threshold) {
    return qRed(colour) > threshold && qGreen(colour) > threshold && qBlue(colour) > threshold;
}

bool isColourful(QRgb colour, int spread) {
    const int high = std::max({qRed(colour), qGreen(colour), qBlue(colour)});
    const int low = std::min({qRed(colour), qGreen(colour), qBlue(colour)});
    return high - low >= spread;
}

} // namespace rure::bench
