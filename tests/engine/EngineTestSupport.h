#pragma once

#include "engine/MPVEngineFactory.h"
#include "engine/MPVHandle.h"
#include "support/GLDriverResidency.h"

#include <chrono>
#include <functional>
#include <span>

namespace rure::test {

// Processes GUI-thread events until `condition` holds or `timeout` has passed;
// returns the condition's final value. The timeouts are generous on purpose:
// they only bound a failing test.
bool processEventsUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Processes GUI-thread events for `duration`.
void processEventsFor(std::chrono::milliseconds duration);

// Threads of this process whose OS name is the event loop's (its label cut to
// the 15 characters the kernel keeps).
int eventLoopThreadCount();

// Whether the event loop's threads are all gone within a second. A joined
// thread can linger in /proc for a moment after the join has returned.
bool eventLoopThreadsGone();

// An initialised engine instance with `options` (in order) that needs no
// window whatever they say: no video output, no audio, no user configuration.
MPVHandle makeHeadlessEngine(std::span<const MPVOption> options = {});

} // namespace rure::test
