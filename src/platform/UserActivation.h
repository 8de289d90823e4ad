#pragma once

class QWindow;

namespace rure {

// Brings `window` to the front with the keyboard because the user asked for it
// from outside the viewer: they started Rure again. Qt's own activation carries
// the time of the viewer's last input, and both the X server and window
// managers that prevent focus stealing ignore it when another window took the
// keyboard since; this request names the user as its source and carries no
// old time. On X11 only; elsewhere it does nothing. GUI thread.
void activateOnUserRequest(QWindow& window);

} // namespace rure
