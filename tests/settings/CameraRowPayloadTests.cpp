#include "settings/CameraRowPayload.h"

#include <gtest/gtest.h>

#include <limits>

namespace rure {
namespace {

TEST(CameraRowPayload, ReadsSignedDecimalIntegersWithinSixtyFourBits) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(parseCameraRowPayload("0"), 0);
    EXPECT_EQ(parseCameraRowPayload("+1"), 1);
    EXPECT_EQ(parseCameraRowPayload("-12"), -12);
    EXPECT_EQ(parseCameraRowPayload("007"), 7);
    EXPECT_EQ(parseCameraRowPayload("9223372036854775807"), max);
    EXPECT_EQ(parseCameraRowPayload("-9223372036854775808"), min);
    EXPECT_EQ(parseCameraRowPayload(cameraRowPayload(42)), 42);
}

TEST(CameraRowPayload, RefusesAnythingElse) {
    for (const char* payload :
         {"", "+", "-", "1a", "a1", " 1", "1 ", "+-1", "1.0", "0x1", "1e3", "9223372036854775808",
          "-9223372036854775809", "99999999999999999999999", "\xef\xbc\x91", "\xd9\xa1"}) {
        SCOPED_TRACE(payload);
        EXPECT_EQ(parseCameraRowPayload(QString::fromUtf8(payload)), std::nullopt);
    }
}

} // namespace
} // namespace rure
