#include "ConfigTestSupport.h"
#include "config/Camera.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

struct EqualityCase {
    const char* label;
    Camera a;
    Camera b;
    bool equal;
};

TEST(ConfigCameraEquality, ExactCaseSensitiveButCanonicallyEquivalent) {
    const QString precomposed = QStringLiteral("Caf\u00e9");
    const QString decomposed = QStringLiteral("Cafe\u0301");
    const QString url = QStringLiteral("rtsp://192.0.2.1/");
    const EqualityCase cases[] = {
        {"identical", {"Office", url}, {"Office", url}, true},
        {"name case differs", {"Office", url}, {"office", url}, false},
        {"url case differs", {"Office", "rtsp://cam/Main"}, {"Office", "rtsp://cam/main"}, false},
        {"trailing space", {"Office", url}, {"Office ", url}, false},
        {"different url", {"Office", url}, {"Office", "rtsp://192.0.2.2/"}, false},
        {"name NFC vs NFD", {precomposed, url}, {decomposed, url}, true},
        {"url NFC vs NFD",
         {"Office", "rtsp://" + precomposed},
         {"Office", "rtsp://" + decomposed},
         true},
        // Compatibility forms are different texts; only canonical equivalence counts.
        {"ligature vs letters", {QStringLiteral("\ufb01sh"), url}, {"fish", url}, false},
        {"empty vs space", {"", ""}, {" ", ""}, false},
        {"both empty", {"", ""}, {"", ""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
}

TEST(ConfigCameraEquality, ListsCompareInOrderWithDuplicates) {
    const Camera first{"A", "rtsp://a"};
    const Camera second{"B", "rtsp://b"};
    EXPECT_EQ((QList<Camera>{first, second, first}), (QList<Camera>{first, second, first}));
    EXPECT_NE((QList<Camera>{first, second}), (QList<Camera>{second, first}));
    EXPECT_NE((QList<Camera>{first}), (QList<Camera>{first, first}));
    const Camera decomposed{QStringLiteral("Cafe\u0301"), "rtsp://a"};
    EXPECT_EQ((QList<Camera>{Camera{QStringLiteral("Caf\u00e9"), "rtsp://a"}}),
              (QList<Camera>{decomposed}));
}

} // namespace
} // namespace rure
