#pragma once

namespace rure {

// Tells the C allocator to keep the viewer's resident memory flat over days.
// Call first thing in main, before any thread exists.
void keepResidentMemoryFlat();

} // namespace rure
