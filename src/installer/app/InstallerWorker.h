#pragma once

#include <functional>
#include <memory>

class QThread;

namespace rure {

// The installer's one background worker: runs one job at a time on its own
// thread of raised priority. Destruction waits for the running job, so a job
// may use whatever its owner keeps alive until then.
class InstallerWorker {
public:
    InstallerWorker();
    ~InstallerWorker();
    InstallerWorker(const InstallerWorker&) = delete;
    InstallerWorker& operator=(const InstallerWorker&) = delete;

    // Waits for the previous job's thread to end, then starts `job`.
    void start(std::function<void()> job);

private:
    void join();

    std::unique_ptr<QThread> thread_;
};

} // namespace rure
