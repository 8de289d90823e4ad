#include "EngineTestSupport.h"

#include "engine/MPVEventLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <thread>
#include <vector>

namespace rure {
namespace {

using test::eventLoopThreadCount;
using test::eventLoopThreadsGone;
using test::makeHeadlessEngine;
using test::processEventsUntil;

struct Delivery {
    PlaybackEngineEvent event;
    int64_t generation;
    QThread* thread;
};

// Records every handler call; the record outlives the loop so that late
// deliveries can still be checked.
struct DeliveryLog {
    std::vector<Delivery> deliveries;

    PlaybackEngineEventHandler handler() {
        return [this](PlaybackEngineEvent event, int64_t generation) {
            deliveries.push_back({event, generation, QThread::currentThread()});
        };
    }
    bool has(PlaybackEngineEvent::Kind kind) const {
        for (const auto& delivery : deliveries) {
            if (delivery.event.kind == kind) {
                return true;
            }
        }
        return false;
    }
};

QByteArray missingFileCommand(const QTemporaryDir& directory) {
    return "loadfile " + directory.filePath(QStringLiteral("absent.mkv")).toUtf8();
}

// Waits on `observer`, a second client of an engine, until the engine has queued
// the end of the current load. Every client sees the same events, so this tells
// when the loop's own queue holds them, without running the GUI thread's event
// queue. Then pauses briefly: the loop thread takes the events as soon as they
// are queued, the pause only covers the scheduler.
bool waitForEndOfLoad(mpv_handle* observer) {
    for (int wait = 0; wait < 40; ++wait) {
        if (mpv_wait_event(observer, 0.5)->event_id == MPV_EVENT_END_FILE) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return true;
        }
    }
    return false;
}

struct Observer {
    explicit Observer(mpv_handle* engine) : handle(mpv_create_client(engine, "observer")) {}
    ~Observer() {
        if (handle != nullptr) {
            mpv_destroy(handle);
        }
    }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;
    mpv_handle* handle;
};

TEST(MPVEventLoop, StopRightAfterStartEndsTheThread) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    ASSERT_TRUE(eventLoopThreadsGone());
    {
        DeliveryLog log;
        MPVEventLoop loop(engine.get(), 1, log.handler());
        loop.start();
        loop.start(); // a second start must not start a second thread
        EXPECT_EQ(eventLoopThreadCount(), 1);
        loop.stop();
        EXPECT_TRUE(eventLoopThreadsGone());
        loop.stop(); // a second stop finds nothing to wait for
        EXPECT_TRUE(eventLoopThreadsGone());
    }
    EXPECT_TRUE(eventLoopThreadsGone());
}

TEST(MPVEventLoop, StopsALoopThatNeverStartedWithoutWaiting) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    DeliveryLog log;
    {
        MPVEventLoop loop(engine.get(), 1, log.handler());
        // Waiting here for a loop that never ran would never end.
        loop.stop();
        loop.stop();
        EXPECT_TRUE(eventLoopThreadsGone());
        // Started after being stopped, the loop ends at once by itself.
        loop.start();
    }
    EXPECT_TRUE(eventLoopThreadsGone());
    EXPECT_TRUE(log.deliveries.empty());
}

TEST(MPVEventLoop, DeliversEventsOnTheGuiThreadWithItsGeneration) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    DeliveryLog log;
    MPVEventLoop loop(engine.get(), 42, log.handler());
    loop.start();

    ASSERT_GE(mpv_command_string(engine.get(), missingFileCommand(directory).constData()), 0);
    ASSERT_TRUE(processEventsUntil([&] { return log.has(PlaybackEngineEvent::Kind::endFile); }));
    loop.stop();

    ASSERT_GE(log.deliveries.size(), 2U);
    EXPECT_EQ(log.deliveries.front().event,
              PlaybackEngineEvent::of(PlaybackEngineEvent::Kind::startFile));
    const auto& last = log.deliveries.back();
    EXPECT_EQ(last.event,
              PlaybackEngineEvent::endFile(EndFileReason::error, MPV_ERROR_LOADING_FAILED));
    for (const auto& delivery : log.deliveries) {
        EXPECT_EQ(delivery.generation, 42);
        EXPECT_EQ(delivery.thread, QCoreApplication::instance()->thread());
    }
}

TEST(MPVEventLoop, EventsPostedBeforeStopArriveAfterTheLoopAndEngineAreGone) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    auto observer = std::make_unique<Observer>(engine.get());
    ASSERT_NE(observer->handle, nullptr);
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    DeliveryLog log;
    auto loop = std::make_unique<MPVEventLoop>(engine.get(), 7, log.handler());
    loop->start();

    ASSERT_GE(mpv_command_string(engine.get(), missingFileCommand(directory).constData()), 0);
    ASSERT_TRUE(waitForEndOfLoad(observer->handle));
    observer.reset();

    loop->stop();
    loop.reset();
    engine.reset();
    EXPECT_TRUE(log.deliveries.empty());

    ASSERT_TRUE(processEventsUntil([&] { return log.has(PlaybackEngineEvent::Kind::endFile); }));
    for (const auto& delivery : log.deliveries) {
        EXPECT_EQ(delivery.generation, 7);
    }
}

TEST(MPVEventLoop, DestroyingARunningLoopLeavesNoThread) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    DeliveryLog log;
    auto loop = std::make_unique<MPVEventLoop>(engine.get(), 1, log.handler());
    loop->start();
    ASSERT_EQ(eventLoopThreadCount(), 1);
    loop.reset();
    EXPECT_TRUE(eventLoopThreadsGone());
}

TEST(MPVEventLoop, DropsDeliveriesWhoseContextIsGone) {
    auto engine = makeHeadlessEngine();
    ASSERT_TRUE(engine);
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    DeliveryLog log;
    Observer observer(engine.get());
    ASSERT_NE(observer.handle, nullptr);
    auto context = std::make_unique<QObject>();
    {
        MPVEventLoop loop(engine.get(), 1, log.handler(), context.get());
        loop.start();
        ASSERT_GE(mpv_command_string(engine.get(), missingFileCommand(directory).constData()), 0);
        ASSERT_TRUE(waitForEndOfLoad(observer.handle));
        loop.stop();
    }
    context.reset();
    test::processEventsFor(std::chrono::milliseconds(500));
    EXPECT_TRUE(log.deliveries.empty());
}

} // namespace
} // namespace rure
