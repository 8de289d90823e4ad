#pragma once

#include "common/Result.h"

#include <QString>

#include <chrono>

namespace rure {

// Where running viewers are looked for and how long they get to quit. The
// product uses the defaults; tests point `processRoot` at a directory of their
// own processes and shorten the deadline.
struct StopRunningRureOptions {
    // A procfs-like directory: one entry per process id, each with an `exe` link.
    QString processRoot = QStringLiteral("/proc");
    std::chrono::milliseconds deadline{12000};
    std::chrono::milliseconds pollInterval{50};
};

namespace InstallerOperations {

// Asks every running viewer to quit and waits until they have. A viewer is a
// process whose executable is `<X>.app/Contents/bin/<name>` where
// `<X>.app/Contents/Info.json` has the identifier "com.didirezoror.rure" (and,
// when it names an executable, names this one). Each gets SIGTERM, the
// viewer's ordinary quit; the process is never killed. Polls every
// `pollInterval`, processing the calling thread's events in between, until
// `deadline` has passed; a viewer still running then fails with "Rure is still
// open. Close it, then choose Try Again.". Returns at once when no viewer runs.
// Blocking; meant for a worker thread.
Result<void> stopRunningRure(const StopRunningRureOptions& options = {});

} // namespace InstallerOperations

} // namespace rure
