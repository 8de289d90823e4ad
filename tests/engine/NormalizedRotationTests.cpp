#include "engine/NormalizedRotation.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

TEST(NormalizedRotation, BringsAnyRotationIntoZeroTo359) {
    const struct {
        int64_t degrees;
        int64_t expected;
    } cases[] = {
        {0, 0},     {90, 90},  {359, 359},  {360, 0},  {450, 90},   {720, 0},    {-1, 359},
        {-90, 270}, {-360, 0}, {-450, 270}, {-719, 1}, {1000, 280}, {-1000, 80},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.degrees);
        EXPECT_EQ(normalizedRotation(entry.degrees), entry.expected);
    }
}

} // namespace
} // namespace rure
