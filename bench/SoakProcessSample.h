#pragma once

namespace rure::bench {

// The footprint of this process (the viewer runs in it): resident memory,
// threads and open file descriptors, from /proc. The soak's own share (two
// threads, the cameras' pipes, the screen connection) stays the same all run.
struct SoakProcessSample {
    double seconds = 0; // on the soak's time line
    long residentKiB = 0;
    int threads = 0;
    int descriptors = 0;

    static SoakProcessSample take();
};

} // namespace rure::bench
