#pragma once

namespace rure {

// Names the running viewer: organisation "didirezoror" and application "rure",
// which also place its settings (~/.config/didirezoror/rure.conf), and its
// desktop entry, from which the desktop takes the name it shows ("Rure"). No
// application display name is set: Qt would append it to the title of every
// window on X11 ("Cameras — Rure"). Call once the QGuiApplication exists.
void nameViewerApplication();

} // namespace rure
