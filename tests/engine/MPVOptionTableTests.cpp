#include "engine/MPVEngineFactory.h"

#include <gtest/gtest.h>

#include <string_view>

namespace rure {
namespace {

TEST(MPVOptionTable, HoldsTheFixedTableThenTheLatencyAndRtspOnlyOptionsInOrder) {
    const std::pair<std::string_view, std::string_view> expected[] = {
        {"config", "no"},
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"audio", "no"},
        {"hwdec", "auto-safe"},
        {"vo", "libmpv"},
        {"keepaspect", "yes"},
        {"panscan", "1.0"},
        {"keep-open", "yes"},
        {"rtsp-transport", "tcp"},
        {"cache", "no"},
        {"demuxer-lavf-probe-info", "no"},
        {"demuxer-lavf-analyzeduration", "0.2"},
        {"zimg-scaler", "bicubic"},
        {"cache-pause", "no"},
        {"vd-lavc-threads", "1"},
        {"video-latency-hacks", "yes"},
        {"untimed", "yes"},
        {"demuxer", "lavf"},
        {"demuxer-lavf-o", "format_whitelist=rtsp,protocol_whitelist=tcp"},
        {"stream-lavf-o", "protocol_whitelist=tcp"},
    };
    const auto& table = MPVEngineFactory::options;
    ASSERT_EQ(table.size(), std::size(expected));
    for (std::size_t index = 0; index < table.size(); ++index) {
        SCOPED_TRACE(index + 1);
        EXPECT_EQ(std::string_view(table[index].name), expected[index].first);
        EXPECT_EQ(std::string_view(table[index].value), expected[index].second);
    }
}

} // namespace
} // namespace rure
