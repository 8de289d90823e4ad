// The engine's "screenshot-raw" answers as the viewer reads them, and the
// requests that wait for them.
#include "engine/MPVSnapshotRequests.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rure::test {
namespace {

// A "screenshot-raw" answer built as the engine builds it.
class ScreenshotNode {
public:
    ScreenshotNode(int64_t width, int64_t height, int64_t stride, const char* format,
                   std::vector<unsigned char> data)
        : format_(format), data_(std::move(data)) {
        bytes_.data = data_.data();
        bytes_.size = data_.size();
        for (std::string& name : keyNames_) {
            keys_.push_back(name.data());
        }
        values_.resize(5);
        values_[0].format = MPV_FORMAT_INT64;
        values_[0].u.int64 = width;
        values_[1].format = MPV_FORMAT_INT64;
        values_[1].u.int64 = height;
        values_[2].format = MPV_FORMAT_INT64;
        values_[2].u.int64 = stride;
        values_[3].format = MPV_FORMAT_STRING;
        values_[3].u.string = format_.data();
        values_[4].format = MPV_FORMAT_BYTE_ARRAY;
        values_[4].u.ba = &bytes_;
        list_.num = 5;
        list_.values = values_.data();
        list_.keys = keys_.data();
        node_.format = MPV_FORMAT_NODE_MAP;
        node_.u.list = &list_;
    }
    ScreenshotNode(const ScreenshotNode&) = delete;
    ScreenshotNode& operator=(const ScreenshotNode&) = delete;

    const mpv_node& node() const { return node_; }
    mpv_node& value(int index) { return values_[index]; }

private:
    std::string format_;
    std::vector<unsigned char> data_;
    mpv_byte_array bytes_{};
    std::array<std::string, 5> keyNames_{"w", "h", "stride", "format", "data"};
    std::vector<char*> keys_;
    std::vector<mpv_node> values_;
    mpv_node_list list_{};
    mpv_node node_{};
};

// Blue, green, red and the unused byte: "bgr0".
std::vector<unsigned char> bgr0(std::initializer_list<std::initializer_list<unsigned char>> rows) {
    std::vector<unsigned char> data;
    for (const auto& row : rows) {
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

TEST(MPVSnapshot, readsTheEnginesPictureWithItsColoursAndRowPadding) {
    // 2 x 2 pixels, rows padded to 12 bytes: red, green / blue, white.
    const ScreenshotNode answer(2, 2, 12, "bgr0",
                                bgr0({{0, 0, 255, 0, 0, 255, 0, 0, 9, 9, 9, 9},
                                      {255, 0, 0, 0, 255, 255, 255, 0, 9, 9, 9, 9}}));
    const std::optional<QImage> picture = pictureFromScreenshotNode(answer.node());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->size(), QSize(2, 2));
    EXPECT_EQ(picture->pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(picture->pixelColor(1, 0), QColor(0, 255, 0));
    EXPECT_EQ(picture->pixelColor(0, 1), QColor(0, 0, 255));
    EXPECT_EQ(picture->pixelColor(1, 1), QColor(255, 255, 255));
    EXPECT_FALSE(picture->hasAlphaChannel());
}

TEST(MPVSnapshot, refusesAnswersThatAreNotAWholeBgr0Picture) {
    const std::vector<unsigned char> pixels(2 * 2 * 4, 0x80);
    {
        const ScreenshotNode otherFormat(2, 2, 8, "rgba", pixels);
        EXPECT_FALSE(pictureFromScreenshotNode(otherFormat.node()));
    }
    {
        const ScreenshotNode tooFewBytes(2, 3, 8, "bgr0", pixels);
        EXPECT_FALSE(pictureFromScreenshotNode(tooFewBytes.node()));
    }
    {
        const ScreenshotNode strideTooShort(2, 2, 4, "bgr0", pixels);
        EXPECT_FALSE(pictureFromScreenshotNode(strideTooShort.node()));
    }
    for (const int64_t side : {int64_t{0}, int64_t{-2}, int64_t{1} << 40}) {
        const ScreenshotNode badSize(side, 2, 8, "bgr0", pixels);
        EXPECT_FALSE(pictureFromScreenshotNode(badSize.node())) << side;
    }
    {
        ScreenshotNode widthAsText(2, 2, 8, "bgr0", pixels);
        widthAsText.value(0).format = MPV_FORMAT_DOUBLE;
        widthAsText.value(0).u.double_ = 2.0;
        EXPECT_FALSE(pictureFromScreenshotNode(widthAsText.node()));
    }
    mpv_node nothing{};
    nothing.format = MPV_FORMAT_NONE;
    EXPECT_FALSE(pictureFromScreenshotNode(nothing));
}

bool pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

TEST(MPVSnapshotRequests, eachRequestIsAnsweredOnceOnTheMainThreadEvenIfTheEngineNeverDoes) {
    std::vector<std::optional<QImage>> answers;
    const auto record = [&answers](std::optional<QImage> picture) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        answers.push_back(std::move(picture));
    };
    auto requests = std::make_unique<MPVSnapshotRequests>(QCoreApplication::instance());
    const uint64_t answered = requests->add(record);
    const uint64_t failed = requests->add(record);
    const uint64_t neverAnswered = requests->add(record);
    EXPECT_TRUE(requests->anyPending());

    // The engine's reply arrives on its event thread.
    const ScreenshotNode picture(1, 1, 4, "bgr0", bgr0({{0, 255, 0, 0}}));
    std::thread eventThread([&] {
        requests->answer(answered, 0, &picture.node());
        requests->answer(answered, 0, &picture.node()); // a repeat is not ours any more
        requests->answer(failed, MPV_ERROR_COMMAND, nullptr);
        requests->answer(12345, 0, &picture.node()); // not ours at all
    });
    eventThread.join();
    EXPECT_TRUE(requests->isPending(neverAnswered));
    EXPECT_FALSE(requests->isPending(answered));
    ASSERT_TRUE(pumpUntil([&answers] { return answers.size() == 2; }));
    ASSERT_TRUE(answers[0].has_value());
    EXPECT_EQ(answers[0]->pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_FALSE(answers[1].has_value());

    // The engine goes without answering the last one: it is answered with nothing.
    requests.reset();
    ASSERT_TRUE(pumpUntil([&answers] { return answers.size() == 3; }));
    EXPECT_FALSE(answers[2].has_value());
    QCoreApplication::processEvents();
    EXPECT_EQ(answers.size(), 3u);
}

} // namespace
} // namespace rure::test
