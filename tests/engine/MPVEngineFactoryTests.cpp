#include "engine/MPVEngine.h"
#include "engine/MPVEngineFactory.h"
#include "engine/VideoView.h"
#include "engine/VideoViewChoice.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace rure {
namespace {

// Stands in for the video view: answers configureWithMPV with a chosen status
// and watches the engine it was given through a weak client, which receives the
// engine's shutdown once the instance is destroyed. The engine's destruction
// waits for every client to go, so the watch runs on a thread of its own.
class EngineProbeView final : public VideoView {
public:
    explicit EngineProbeView(int status) : status_(status) {}
    ~EngineProbeView() override {
        if (watcher_.joinable()) {
            watcher_.join();
        }
    }

    int configureWithMPV(mpv_handle* handle) override {
        ++configureCalls;
        configuredHandle = handle;
        if (watcher_.joinable()) {
            watcher_.join();
        }
        if (mpv_handle* weakClient = mpv_create_weak_client(handle, "view-probe")) {
            watcher_ = std::thread([this, weakClient] {
                for (int wait = 0; wait < 40 && !shutdownSeen_; ++wait) {
                    shutdownSeen_ = mpv_wait_event(weakClient, 0.5)->event_id == MPV_EVENT_SHUTDOWN;
                }
                mpv_destroy(weakClient);
            });
        }
        return status_;
    }
    void shutdownRenderContext() override {}
    bool isAttached() const override { return false; }
    void clearPicture() override {}
    void setPictureHidden(bool) override {}
    void holdPictureUntilNextFrame() override {}
    void setFrameRenderedHandler(std::function<void()> handler) override {
        handler_ = std::move(handler);
    }
    const std::function<void()>& frameRenderedHandler() const override { return handler_; }

    // Waits until the engine this view was given has shut down (true) or the
    // watch gave up (false).
    bool engineWasDestroyed() {
        if (watcher_.joinable()) {
            watcher_.join();
        }
        return shutdownSeen_;
    }

    int configureCalls = 0;
    mpv_handle* configuredHandle = nullptr;

private:
    int status_;
    std::thread watcher_;
    std::atomic<bool> shutdownSeen_ = false;
    std::function<void()> handler_;
};

template <typename Outcome> std::optional<EngineStartError> startError(const Outcome& outcome) {
    if (const auto* error = std::get_if<EngineStartError>(&outcome)) {
        return *error;
    }
    return std::nullopt;
}

// Makes mpv_create fail: the engine refuses numeric locales other than "C" (it
// lets "C.UTF-8" pass, but not the same locale under its other name "C.utf8").
class NumericLocaleOverride {
public:
    explicit NumericLocaleOverride(const char* locale)
        : previous_(std::setlocale(LC_NUMERIC, nullptr)),
          applied_(std::setlocale(LC_NUMERIC, locale) != nullptr) {}
    ~NumericLocaleOverride() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    NumericLocaleOverride(const NumericLocaleOverride&) = delete;
    NumericLocaleOverride& operator=(const NumericLocaleOverride&) = delete;
    bool applied() const { return applied_; }

private:
    std::string previous_;
    bool applied_;
};

TEST(MPVEngineFactory, AppliesEveryOptionOfTheTable) {
    EngineProbeView view(0);
    MPVEngineFactory factory;
    auto outcome = factory.createEngine(view);
    ASSERT_FALSE(startError(outcome));
    auto* engine = dynamic_cast<MPVEngine*>(std::get<0>(outcome).get());
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(view.configureCalls, 1);
    EXPECT_EQ(view.configuredHandle, engine->handle());

    // Without a graphics device (this machine, CI) no hardware decoder is probed.
    const bool softwareOnly = !hasGraphicsDevice();
    for (MPVOption option : MPVEngineFactory::options) {
        SCOPED_TRACE(option.name);
        if (softwareOnly &&
            std::string_view(option.name) == MPVEngineFactory::softwareDecodingOnly.name) {
            option = MPVEngineFactory::softwareDecodingOnly;
        }
        char* reported = mpv_get_property_string(engine->handle(), option.name);
        ASSERT_NE(reported, nullptr);
        const QString actual = QString::fromUtf8(reported);
        mpv_free(reported);
        // The engine prints numbers in its own format ("1.000000").
        bool actualIsNumber = false;
        bool expectedIsNumber = false;
        const double actualNumber = actual.toDouble(&actualIsNumber);
        const double expectedNumber = QString::fromUtf8(option.value).toDouble(&expectedIsNumber);
        if (actualIsNumber && expectedIsNumber) {
            EXPECT_DOUBLE_EQ(actualNumber, expectedNumber);
        } else {
            EXPECT_EQ(actual, QString::fromUtf8(option.value));
        }
    }

    // Before any picture the geometry cannot be read.
    EXPECT_FALSE(engine->integerProperty("video-params/w"));
    EXPECT_FALSE(engine->integerProperty("video-params/h"));
    EXPECT_EQ(engine->integerProperty("video-params/no-such-field"), std::nullopt);

    engine->setProperty(QStringLiteral("panscan"), QStringLiteral("0.5"));
    char* panscan = mpv_get_property_string(engine->handle(), "panscan");
    ASSERT_NE(panscan, nullptr);
    EXPECT_DOUBLE_EQ(QString::fromUtf8(panscan).toDouble(), 0.5);
    mpv_free(panscan);

    EXPECT_EQ(engine->integerProperty("volume-max"), 130); // an integer read that works

    std::get<0>(outcome).reset();
    EXPECT_TRUE(view.engineWasDestroyed());
}

TEST(MPVEngineFactory, AttachFailureDestroysTheEngine) {
    EngineProbeView view(-1);
    MPVEngineFactory factory;
    const auto outcome = factory.createEngine(view);
    EXPECT_EQ(startError(outcome), EngineStartError::attach);
    EXPECT_EQ(describe(EngineStartError::attach),
              QStringLiteral("Rure could not attach video to its window."));
    EXPECT_EQ(view.configureCalls, 1);
    EXPECT_NE(view.configuredHandle, nullptr);
    EXPECT_TRUE(view.engineWasDestroyed());
}

TEST(MPVEngineFactory, InitializeFailureNeverReachesTheView) {
    // "list-properties" makes the engine print its properties and refuse to
    // initialise, the way a command-line help option ends mpv.
    std::vector<MPVOption> table(MPVEngineFactory::options.begin(),
                                 MPVEngineFactory::options.end());
    table.push_back({"list-properties", "yes"});
    EngineProbeView view(0);
    MPVEngineFactory factory(table);
    const auto outcome = factory.createEngine(view);
    EXPECT_EQ(startError(outcome), EngineStartError::initialize);
    EXPECT_EQ(describe(EngineStartError::initialize),
              QStringLiteral("Rure could not initialize its video engine."));
    EXPECT_EQ(view.configureCalls, 0);
}

TEST(MPVEngineFactory, CreateFailureUnderAForeignNumericLocale) {
    EngineProbeView view(0);
    MPVEngineFactory factory;
    {
        NumericLocaleOverride locale("C.utf8");
        if (!locale.applied()) {
            GTEST_SKIP() << "the C.utf8 locale is not available";
        }
        const auto outcome = factory.createEngine(view);
        EXPECT_EQ(startError(outcome), EngineStartError::create);
    }
    EXPECT_EQ(describe(EngineStartError::create),
              QStringLiteral("Rure could not start its video engine."));
    EXPECT_EQ(view.configureCalls, 0);
    // With the locale restored the same factory works again.
    EngineProbeView laterView(0);
    EXPECT_FALSE(startError(factory.createEngine(laterView)));
}

} // namespace
} // namespace rure
