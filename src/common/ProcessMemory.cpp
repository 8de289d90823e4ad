#include "ProcessMemory.h"

#include <malloc.h>

namespace rure {

void keepResidentMemoryFlat() {
    // - Two arenas: the engine's many threads (demuxer, decoder, renderer,
    //   event loop, the rebuilt engines' new ones) would otherwise each get an
    //   arena of their own, which keeps what it freed.
    // - A fixed threshold for mapping large blocks: by default it rises to the
    //   largest block freed so far, so after the first reload the picture
    //   buffers (a megabyte and more each) come from the arenas instead, and
    //   every reconnection left a few megabytes there that were never given
    //   back (a viewer whose camera dropped every half minute grew by 2 to 3 MiB
    //   a time). Mapped blocks go back to the system as soon as they are freed.
#ifdef M_ARENA_MAX
    mallopt(M_ARENA_MAX, 2);
#endif
#ifdef M_MMAP_THRESHOLD
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

} // namespace rure
