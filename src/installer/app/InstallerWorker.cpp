#include "InstallerWorker.h"

#include <QThread>

namespace rure {

InstallerWorker::InstallerWorker() = default;

InstallerWorker::~InstallerWorker() {
    join();
}

void InstallerWorker::start(std::function<void()> job) {
    join();
    thread_.reset(QThread::create(std::move(job)));
    thread_->setObjectName(QStringLiteral("InstallerWorker"));
    // The user is waiting on this job with nothing else to do.
    thread_->start(QThread::HighPriority);
}

void InstallerWorker::join() {
    if (thread_) {
        thread_->wait();
        thread_.reset();
    }
}

} // namespace rure
