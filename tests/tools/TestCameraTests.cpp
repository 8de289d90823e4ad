#include "RtspProbe.h"
#include "support/TestCamera.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

#include "support/TestEnvironment.h"

using rure::test::Rgb;
using rure::test::RtspProbe;
using rure::test::TestCamera;

namespace {

constexpr int decodeTimeoutMs = 10000;
// Frames already on their way when a stall begins still arrive.
constexpr int inFlightMs = 400;

bool isBarsCentre(const Rgb& c) {
    return c.green > 150 && c.red < 70 && c.blue < 70;
}
// The solid colour of the second path, 0x2050d0, after a trip through H.264.
bool isSecondPathColour(const Rgb& c) {
    return std::abs(c.red - 0x20) < 30 && std::abs(c.green - 0x50) < 30 &&
           std::abs(c.blue - 0xd0) < 30;
}
bool isWhite(const Rgb& c) {
    return c.red > 220 && c.green > 220 && c.blue > 220;
}
bool isBlack(const Rgb& c) {
    return c.red < 35 && c.green < 35 && c.blue < 35;
}

qint64 monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Established TCP connections whose local end is 127.0.0.1:port, that is the
// camera's side of its client connections.
int establishedConnections(int port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QString local =
        QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    int count = 0;
    table.readLine(); // header
    while (!table.atEnd()) {
        const QStringList fields =
            QString::fromLatin1(table.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() > 3 && fields[1] == local && fields[3] == QStringLiteral("01")) {
            ++count;
        }
    }
    return count;
}

bool waitForConnections(int port, int expected, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (establishedConnections(port) != expected) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

std::unique_ptr<RtspProbe> decodingProbe(const QString& url, const QString& user = {},
                                         const QString& password = {}) {
    auto probe = std::make_unique<RtspProbe>(url, user, password);
    EXPECT_TRUE(probe->start());
    EXPECT_TRUE(probe->waitForFrames(3, decodeTimeoutMs))
        << url.toStdString() << ": " << probe->endReason().toStdString();
    return probe;
}

QString pathUrl(int port, const QString& path) {
    return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(path);
}

// One RTSP connection spoken by hand, with RTP interleaved over it, for what a
// player hides: the SDP, the Session header, which requests are sent and the
// RTP timestamps.
class RtspConversation {
public:
    struct Answer {
        int status = 0; // 0: none came
        QByteArray head;
        QByteArray body;

        QByteArray header(const QByteArray& name) const {
            for (const QByteArray& line : head.split('\n')) {
                const qsizetype colon = line.indexOf(':');
                if (colon > 0 &&
                    line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
                    return line.mid(colon + 1).trimmed();
                }
            }
            return {};
        }
    };
    struct Packet {
        int channel = 0;
        quint32 timestamp = 0;
        qint64 arrivalNs = 0;
        QByteArray payload;
    };

    explicit RtspConversation(const QString& url) : url_(url.toUtf8()) {
        const QUrl parsed(url);
        socket_.connectToHost(parsed.host(), static_cast<quint16>(parsed.port()));
        socket_.waitForConnected(5000);
    }

    void send(const QByteArray& method, const QByteArray& url = {},
              const QByteArray& extraHeaders = {}) {
        QByteArray message = method + ' ' + (url.isEmpty() ? url_ : url) +
                             " RTSP/1.0\r\nCSeq: " + QByteArray::number(++cseq_) + "\r\n";
        if (!session_.isEmpty()) {
            message += "Session: " + session_ + "\r\n";
        }
        socket_.write(message + extraHeaders + "\r\n");
        socket_.waitForBytesWritten(5000);
    }

    // Waits for the next answer, keeping the packets that come before it.
    Answer awaitAnswer(int timeoutMs = 10000) {
        const QDeadlineTimer deadline(timeoutMs);
        while (true) {
            if (auto answer = takeAnswer()) {
                return *answer;
            }
            if (deadline.hasExpired() || !readMore(deadline.remainingTime())) {
                return {};
            }
        }
    }

    Answer request(const QByteArray& method, const QByteArray& url = {},
                   const QByteArray& extraHeaders = {}) {
        send(method, url, extraHeaders);
        return awaitAnswer();
    }

    // DESCRIBE, SETUP of every stream over this connection, and PLAY with
    // `playHeaders`.
    bool play(const QByteArray& playHeaders = {}) {
        const Answer description = request("DESCRIBE", {}, "Accept: application/sdp\r\n");
        sdp_ = description.body;
        int channel = 0;
        for (const QByteArray& control : mediaControls(sdp_)) {
            const Answer setup = request(
                "SETUP", description.header("Content-Base") + control,
                "Transport: RTP/AVP/TCP;unicast;interleaved=" + QByteArray::number(channel) + "-" +
                    QByteArray::number(channel + 1) + "\r\n");
            if (setup.status != 200) {
                return false;
            }
            sessionHeader_ = setup.header("Session");
            session_ = sessionHeader_.split(';').first();
            channel += 2;
        }
        return channel > 0 && request("PLAY", {}, playHeaders).status == 200;
    }

    // Reads what arrives for the time given; false once the camera has closed
    // the connection.
    bool receive(int ms) {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (!readMore(deadline.remainingTime())) {
                return false;
            }
            takeAnswer();
        }
        return true;
    }

    const std::vector<Packet>& packets() const { return packets_; }
    const QByteArray& sdp() const { return sdp_; }
    const QByteArray& sessionHeader() const { return sessionHeader_; }

private:
    static std::vector<QByteArray> mediaControls(const QByteArray& sdp) {
        std::vector<QByteArray> controls;
        bool inMedia = false;
        for (const QByteArray& line : sdp.split('\n')) {
            inMedia = inMedia || line.startsWith("m=");
            if (inMedia && line.startsWith("a=control:")) {
                controls.push_back(line.mid(10).trimmed());
            }
        }
        return controls;
    }

    bool readMore(qint64 waitMs) {
        if (socket_.bytesAvailable() == 0 &&
            !socket_.waitForReadyRead(static_cast<int>(qMax<qint64>(1, waitMs))) &&
            socket_.state() != QAbstractSocket::ConnectedState) {
            return false;
        }
        buffer_ += socket_.readAll();
        return true;
    }

    // Moves the RTP packets at the front of the buffer to packets_, then takes
    // an answer when a whole one follows.
    std::optional<Answer> takeAnswer() {
        while (buffer_.startsWith('$')) {
            if (buffer_.size() < 4) {
                return std::nullopt;
            }
            const int length =
                (static_cast<quint8>(buffer_[2]) << 8) | static_cast<quint8>(buffer_[3]);
            if (buffer_.size() < 4 + length) {
                return std::nullopt;
            }
            const QByteArray packet = buffer_.mid(4, length);
            const int channel = static_cast<quint8>(buffer_[1]);
            buffer_.remove(0, 4 + length);
            if (channel % 2 == 0 && packet.size() > 12) {
                const auto* bytes = reinterpret_cast<const quint8*>(packet.constData());
                const quint32 timestamp = (quint32(bytes[4]) << 24) | (quint32(bytes[5]) << 16) |
                                          (quint32(bytes[6]) << 8) | quint32(bytes[7]);
                const int headerSize = 12 + 4 * (bytes[0] & 0x0f);
                packets_.push_back(
                    {channel, timestamp, monotonicNanoseconds(), packet.mid(headerSize)});
            }
        }
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) {
            return std::nullopt;
        }
        Answer answer;
        answer.head = buffer_.left(end);
        const qsizetype bodySize = answer.header("Content-Length").toInt();
        if (buffer_.size() < end + 4 + bodySize) {
            return std::nullopt;
        }
        answer.body = buffer_.mid(end + 4, bodySize);
        buffer_.remove(0, end + 4 + bodySize);
        answer.status = answer.head.split(' ').value(1).toInt();
        return answer;
    }

    QTcpSocket socket_;
    QByteArray url_;
    QByteArray buffer_;
    int cseq_ = 0;
    QByteArray session_;
    QByteArray sessionHeader_;
    QByteArray sdp_;
    std::vector<Packet> packets_;
};

// One picture of the video stream (channel 0) as it arrived.
struct SentPicture {
    quint32 timestamp = 0;
    qint64 arrivalNs = 0;
    bool key = false; // an IDR picture
};

// Whether an RTP payload of H.264 or H.265 carries (the start of) an IDR slice.
bool isIdrPayload(const QByteArray& payload, const QString& codec) {
    if (payload.size() < 3) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const quint8*>(payload.constData());
    if (codec == QStringLiteral("h265")) {
        int type = (bytes[0] >> 1) & 0x3f;
        if (type == 49) { // a fragment: its own header holds the type
            type = bytes[2] & 0x3f;
        }
        return type == 19 || type == 20;
    }
    int type = bytes[0] & 0x1f;
    if (type == 28) {
        type = bytes[1] & 0x1f;
    }
    return type == 5;
}

std::vector<SentPicture> videoPictures(const std::vector<RtspConversation::Packet>& packets,
                                       const QString& codec) {
    std::vector<SentPicture> pictures;
    for (const auto& packet : packets) {
        if (packet.channel != 0) {
            continue;
        }
        if (pictures.empty() || pictures.back().timestamp != packet.timestamp) {
            pictures.push_back({packet.timestamp, packet.arrivalNs, false});
        }
        pictures.back().key = pictures.back().key || isIdrPayload(packet.payload, codec);
    }
    return pictures;
}

// RTP clock ticks from one timestamp to the next, negative when it went back.
qint64 ticksBetween(quint32 earlier, quint32 later) {
    return static_cast<qint32>(later - earlier);
}

// The RTP time between consecutive pictures that both arrived within [from, to).
std::vector<qint64> pictureSteps(const std::vector<SentPicture>& pictures, qint64 fromNs,
                                 qint64 toNs) {
    std::vector<qint64> steps;
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        if (pictures[i - 1].arrivalNs >= fromNs && pictures[i].arrivalNs < toNs) {
            steps.push_back(ticksBetween(pictures[i - 1].timestamp, pictures[i].timestamp));
        }
    }
    return steps;
}

int packetsOnChannel(const std::vector<RtspConversation::Packet>& packets, int channel) {
    return static_cast<int>(std::count_if(
        packets.begin(), packets.end(), [channel](const auto& p) { return p.channel == channel; }));
}

// Decodes a camera's video of either codec in-process over interleaved TCP,
// and counts the pictures and their size (RtspProbe decodes H.264 only).
class VideoDecoder {
public:
    VideoDecoder(const QString& url, const QString& codec) {
        gst_init(nullptr, nullptr);
        const QString description =
            QStringLiteral("rtspsrc location=%1 protocols=tcp latency=0 ! rtp%2depay ! %2parse"
                           " ! avdec_%2 ! fakesink name=sink sync=false")
                .arg(url, codec);
        pipeline_ = gst_parse_launch(description.toUtf8().constData(), nullptr);
        if (!pipeline_) {
            return;
        }
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &VideoDecoder::onPicture, this, nullptr);
        gst_object_unref(pad);
        gst_object_unref(sink);
    }
    ~VideoDecoder() {
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            gst_object_unref(pipeline_);
        }
    }
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    bool start() {
        return pipeline_ &&
               gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    }

    int frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    QSize size() const {
        std::lock_guard lock(mutex_);
        return size_;
    }
    // An error or the end of the stream: the session is over.
    bool hasEnded() {
        GstBus* bus = gst_element_get_bus(pipeline_);
        GstMessage* message = gst_bus_pop_filtered(
            bus, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        gst_object_unref(bus);
        if (message) {
            gst_message_unref(message);
            ended_ = true;
        }
        return ended_;
    }

    bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!condition()) {
            if (deadline.hasExpired() || hasEnded()) {
                return false;
            }
            QThread::msleep(10);
        }
        return true;
    }
    bool waitForFrames(int count, int timeoutMs) {
        return waitFor([this, count] { return frames() >= count; }, timeoutMs);
    }
    bool waitForSize(QSize size, int timeoutMs) {
        return waitFor([this, size] { return this->size() == size; }, timeoutMs);
    }

private:
    static GstPadProbeReturn onPicture(GstPad* pad, GstPadProbeInfo*, gpointer self) {
        auto* decoder = static_cast<VideoDecoder*>(self);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        gint width = 0;
        gint height = 0;
        if (caps) {
            const GstStructure* structure = gst_caps_get_structure(caps, 0);
            gst_structure_get_int(structure, "width", &width);
            gst_structure_get_int(structure, "height", &height);
            gst_caps_unref(caps);
        }
        std::lock_guard lock(decoder->mutex_);
        ++decoder->frames_;
        decoder->size_ = QSize(width, height);
        return GST_PAD_PROBE_OK;
    }

    GstElement* pipeline_ = nullptr;
    bool ended_ = false;
    mutable std::mutex mutex_; // the fields below are written by a streaming thread
    int frames_ = 0;
    QSize size_;
};

TestCamera::Options smallCamera(const QStringList& extraArguments) {
    TestCamera::Options options;
    options.width = 320;
    options.height = 180;
    options.fps = 10;
    options.secondPath.clear();
    options.extraArguments = extraArguments;
    return options;
}

} // namespace

TEST(TestCameraTest, ServesBothPathsOnAFreePortAtTheRequestedSize) {
    TestCamera camera;
    TestCamera::Options options;
    options.width = 480;
    options.height = 272;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    const auto match = QRegularExpression(QStringLiteral(R"(^rtsp://127\.0\.0\.1:(\d+)/camera$)"))
                           .match(camera.url());
    ASSERT_TRUE(match.hasMatch()) << camera.url().toStdString();
    EXPECT_EQ(match.captured(1).toInt(), camera.port());
    EXPECT_GT(camera.port(), 0);
    EXPECT_EQ(camera.secondUrl(), pathUrl(camera.port(), QStringLiteral("/camera2")));

    auto bars = decodingProbe(camera.url());
    auto solid = decodingProbe(camera.secondUrl());
    EXPECT_EQ(bars->frameSize(), QSize(480, 272));
    EXPECT_EQ(solid->frameSize(), QSize(480, 272));

    // A live stream: frames keep coming.
    const int seen = bars->frames();
    EXPECT_TRUE(bars->waitForFrames(seen + 15, decodeTimeoutMs));

    EXPECT_TRUE(bars->waitForCentre(isBarsCentre, decodeTimeoutMs));
    EXPECT_TRUE(solid->waitForCentre(isSecondPathColour, decodeTimeoutMs));
    EXPECT_FALSE(isSecondPathColour(bars->centre().value_or(Rgb{})));
}

TEST(TestCameraTest, ServesTheConfiguredPathsOnly) {
    struct Case {
        QString path;
        QString secondPath;
        QString smallPath;
    };
    const Case cases[] = {
        {QStringLiteral("/front"), QStringLiteral("/back"), QString()},
        {QStringLiteral("/front"), QString(), QStringLiteral("/front-small")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.secondPath.toStdString());
        TestCamera camera;
        TestCamera::Options options;
        options.path = c.path;
        options.secondPath = c.secondPath;
        options.smallPath = c.smallPath;
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
        EXPECT_EQ(camera.url(), pathUrl(camera.port(), c.path));

        auto primary = decodingProbe(camera.url());
        EXPECT_TRUE(primary->waitForCentre(isBarsCentre, decodeTimeoutMs));

        if (c.secondPath.isEmpty()) {
            EXPECT_TRUE(camera.secondUrl().isEmpty());
            RtspProbe absent(pathUrl(camera.port(), QStringLiteral("/camera2")));
            ASSERT_TRUE(absent.start());
            EXPECT_TRUE(absent.waitForEnd(decodeTimeoutMs));
            EXPECT_EQ(absent.frames(), 0);
        } else {
            EXPECT_EQ(camera.secondUrl(), pathUrl(camera.port(), c.secondPath));
            auto second = decodingProbe(camera.secondUrl());
            EXPECT_TRUE(second->waitForCentre(isSecondPathColour, decodeTimeoutMs));
        }
        // The small stream: the first path's picture, smaller.
        EXPECT_EQ(camera.smallUrl().isEmpty(), c.smallPath.isEmpty());
        if (!c.smallPath.isEmpty()) {
            EXPECT_EQ(camera.smallUrl(), pathUrl(camera.port(), c.smallPath));
            auto small = decodingProbe(camera.smallUrl());
            EXPECT_TRUE(small->waitForCentre(isBarsCentre, decodeTimeoutMs));
            EXPECT_EQ(small->frameSize(), QSize(320, 180));
        }
    }
}

TEST(TestCameraTest, KeyFramesFollowTheConfiguredInterval) {
    TestCamera camera;
    TestCamera::Options options;
    options.width = 320;
    options.height = 180;
    options.fps = 30;
    options.keyframeInterval = 0.5;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    auto probe = decodingProbe(camera.url());
    ASSERT_TRUE(probe->waitForFrames(70, decodeTimeoutMs));
    EXPECT_GE(probe->keyFrames(), 3);
    EXPECT_EQ(probe->longestKeyFrameDistance(), 15);
}

TEST(TestCameraTest, StallKeepsClientsConnectedAndResumeStartsWithAKeyFrame) {
    TestCamera camera;
    TestCamera::Options options;
    // So long that a client joining during the stall can only start decoding
    // from the key frame forced by the resume.
    options.keyframeInterval = 60.0;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    auto early = decodingProbe(camera.url());
    const int keyFramesBeforeStall = early->keyFrames();
    ASSERT_TRUE(camera.stall());
    QThread::msleep(inFlightMs);
    const int stalledAt = early->frames();

    RtspProbe late(camera.url());
    ASSERT_TRUE(late.start());
    QThread::msleep(2000);
    EXPECT_EQ(early->frames(), stalledAt);
    EXPECT_EQ(late.frames(), 0);
    EXPECT_FALSE(early->hasEnded()) << early->endReason().toStdString();
    EXPECT_FALSE(late.hasEnded()) << late.endReason().toStdString();
    EXPECT_EQ(establishedConnections(camera.port()), 2);

    ASSERT_TRUE(camera.resume());
    EXPECT_TRUE(early->waitForFrames(stalledAt + 5, 5000));
    EXPECT_TRUE(late.waitForFrames(3, 5000));
    EXPECT_EQ(early->keyFrames(), keyFramesBeforeStall + 1);
    EXPECT_GE(late.keyFrames(), 1);

    // The same through signals.
    ASSERT_TRUE(camera.sendSignal(SIGUSR1));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok stall")));
    QThread::msleep(inFlightMs);
    const int signalledAt = late.frames();
    QThread::msleep(1000);
    EXPECT_EQ(late.frames(), signalledAt);
    ASSERT_TRUE(camera.sendSignal(SIGUSR2));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok resume")));
    EXPECT_TRUE(late.waitForFrames(signalledAt + 5, 5000));
    EXPECT_FALSE(late.hasEnded());
}

TEST(TestCameraTest, DropDisconnectsClientsAndKeepsListening) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();

    auto first = decodingProbe(camera.url());
    auto second = decodingProbe(camera.secondUrl());
    ASSERT_TRUE(camera.dropClients());
    EXPECT_TRUE(first->waitForEnd(5000));
    EXPECT_TRUE(second->waitForEnd(5000));
    EXPECT_TRUE(waitForConnections(camera.port(), 0, 5000));

    auto again = decodingProbe(camera.url());
    ASSERT_TRUE(camera.sendSignal(SIGHUP));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok drop")));
    EXPECT_TRUE(again->waitForEnd(5000));

    auto afterSignal = decodingProbe(camera.url());
    EXPECT_FALSE(afterSignal->hasEnded());
}

TEST(TestCameraTest, PictureSwitchesChangeThePrimaryPathOnly) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();
    auto primary = decodingProbe(camera.url());
    auto second = decodingProbe(camera.secondUrl());
    ASSERT_TRUE(primary->waitForCentre(isBarsCentre, decodeTimeoutMs));

    const qint64 beforeWhite = monotonicNanoseconds();
    ASSERT_TRUE(camera.showWhite());
    const qint64 afterWhite = monotonicNanoseconds();
    EXPECT_GE(camera.lastSwitchNanoseconds(), beforeWhite);
    EXPECT_LE(camera.lastSwitchNanoseconds(), afterWhite);
    EXPECT_TRUE(primary->waitForCentre(isWhite, decodeTimeoutMs));

    ASSERT_TRUE(camera.showBlack());
    EXPECT_GT(camera.lastSwitchNanoseconds(), afterWhite);
    EXPECT_TRUE(primary->waitForCentre(isBlack, decodeTimeoutMs));
    EXPECT_TRUE(isSecondPathColour(second->centre().value_or(Rgb{})));

    // A pipeline built for a later client shows the current picture too.
    ASSERT_TRUE(camera.dropClients());
    EXPECT_TRUE(primary->waitForEnd(5000));
    auto later = decodingProbe(camera.url());
    EXPECT_TRUE(later->waitForCentre(isBlack, decodeTimeoutMs));

    ASSERT_TRUE(camera.showPattern());
    EXPECT_TRUE(later->waitForCentre(isBarsCentre, decodeTimeoutMs));
}

TEST(TestCameraTest, KilledCameraRestartsOnTheSamePort) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();
    const int port = camera.port();
    const QString url = camera.url();
    auto before = decodingProbe(url);

    camera.kill();
    EXPECT_FALSE(camera.isRunning());
    EXPECT_FALSE(camera.exitCode().has_value());
    EXPECT_TRUE(before->waitForEnd(5000));

    ASSERT_TRUE(camera.restart()) << camera.errorOutput().toStdString();
    EXPECT_EQ(camera.port(), port);
    EXPECT_EQ(camera.url(), url);
    auto after = decodingProbe(url);
    EXPECT_TRUE(after->waitForCentre(isBarsCentre, decodeTimeoutMs));
}

TEST(TestCameraTest, AuthenticationAdmitsOnlyTheRightCredentials) {
    struct Method {
        const char* name;
        QStringList arguments;
        QByteArray challenge;
    };
    const Method methods[] = {
        {"basic, the default", {}, "Basic "},
        {"digest", {QStringLiteral("--auth"), QStringLiteral("digest")}, "Digest "},
    };
    for (const Method& method : methods) {
        SCOPED_TRACE(method.name);
        TestCamera camera;
        TestCamera::Options options;
        options.user = QStringLiteral("viewer");
        options.password = QStringLiteral("s3cret-pw");
        options.extraArguments = method.arguments;
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
        EXPECT_FALSE(camera.url().contains(QLatin1Char('@')));

        RtspConversation anonymous(camera.url());
        const RtspConversation::Answer refusal = anonymous.request("DESCRIBE");
        EXPECT_EQ(refusal.status, 401);
        EXPECT_TRUE(refusal.header("WWW-Authenticate").startsWith(method.challenge))
            << refusal.head.toStdString();

        struct Case {
            const char* name;
            QString user;
            QString password;
            bool admitted;
        };
        const Case cases[] = {
            {"no credentials", QString(), QString(), false},
            {"wrong password", options.user, QStringLiteral("guess"), false},
            {"unknown user", QStringLiteral("admin"), options.password, false},
            {"right credentials", options.user, options.password, true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            RtspProbe probe(camera.url(), c.user, c.password);
            ASSERT_TRUE(probe.start());
            if (c.admitted) {
                EXPECT_TRUE(probe.waitForFrames(3, decodeTimeoutMs))
                    << probe.endReason().toStdString();
            } else {
                EXPECT_TRUE(probe.waitForEnd(decodeTimeoutMs));
                EXPECT_EQ(probe.frames(), 0);
            }
        }
        EXPECT_FALSE(camera.errorOutput().contains(options.password));
    }
}

TEST(TestCameraTest, QuitAndTerminationSignalsExitCleanly) {
    struct Case {
        const char* name;
        int signalNumber; // 0: the quit command
    };
    for (const Case& c : {Case{"quit", 0}, Case{"SIGTERM", SIGTERM}, Case{"SIGINT", SIGINT}}) {
        SCOPED_TRACE(c.name);
        TestCamera camera;
        TestCamera::Options options;
        options.secondPath.clear();
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
        auto probe = decodingProbe(camera.url());
        if (c.signalNumber == 0) {
            camera.stop();
        } else {
            ASSERT_TRUE(camera.sendSignal(c.signalNumber));
        }
        ASSERT_TRUE(camera.waitForExit(5000));
        EXPECT_EQ(camera.exitCode(), std::optional<int>(0));
    }
}

TEST(TestCameraTest, KeepsServingAfterStandardInputEnds) {
    QProcess process;
    process.setProgram(rure::test::testCameraProgram());
    process.setArguments({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--width"),
                          QStringLiteral("320"), QStringLiteral("--height"), QStringLiteral("180"),
                          QStringLiteral("--no-second-path"), QStringLiteral("--no-small-path")});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    ASSERT_TRUE(process.waitForStarted());

    QByteArray output;
    const QDeadlineTimer deadline(15000);
    while (!output.contains("ready\n") && !deadline.hasExpired() &&
           process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        output += process.readAllStandardOutput();
    }
    const QList<QByteArray> lines = output.split('\n');
    ASSERT_GE(lines.size(), 2) << output.toStdString();
    EXPECT_EQ(lines[1], "ready");
    ASSERT_TRUE(lines[0].startsWith("rtsp://127.0.0.1:")) << output.toStdString();

    auto probe = decodingProbe(QString::fromUtf8(lines[0]));
    EXPECT_EQ(process.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST(TestCameraTest, RefusesToStartOnABusyPort) {
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
    TestCamera camera;
    TestCamera::Options options;
    options.port = occupant.serverPort();
    EXPECT_FALSE(camera.start(options));
    ASSERT_TRUE(camera.exitCode().has_value());
    EXPECT_NE(*camera.exitCode(), 0);
    EXPECT_TRUE(camera.errorOutput().contains(QString::number(options.port)))
        << camera.errorOutput().toStdString();
}

TEST(TestCameraTest, RefusesInvalidArguments) {
    const QStringList cases[] = {
        {QStringLiteral("--width"), QStringLiteral("0")},
        {QStringLiteral("--fps"), QStringLiteral("-5")},
        {QStringLiteral("--keyframe-interval"), QStringLiteral("0")},
        {QStringLiteral("--port"), QStringLiteral("70000")},
        {QStringLiteral("--path"), QStringLiteral("camera")},
        {QStringLiteral("--path"), QStringLiteral("/same"), QStringLiteral("--second-path"),
         QStringLiteral("/same")},
        {QStringLiteral("--path"), QStringLiteral("/same"), QStringLiteral("--small-path"),
         QStringLiteral("/same")},
        {QStringLiteral("--small-size"), QStringLiteral("640")},
        {QStringLiteral("--user"), QStringLiteral("viewer")},
        {QStringLiteral("--no-such-option")},
        {QStringLiteral("stray")},
        {QStringLiteral("--codec"), QStringLiteral("h266")},
        {QStringLiteral("--audio"), QStringLiteral("mp3")},
        {QStringLiteral("--auth"), QStringLiteral("digest")},
        {QStringLiteral("--start-still")},
        {QStringLiteral("--still-interval"), QStringLiteral("2"),
         QStringLiteral("--smart-schedule"), QStringLiteral("20")},
        {QStringLiteral("--resize-to"), QStringLiteral("640x360")},
        {QStringLiteral("--resize-every"), QStringLiteral("5"), QStringLiteral("--resize-to"),
         QStringLiteral("640by360")},
        {QStringLiteral("--session-timeout"), QStringLiteral("-1")},
        {QStringLiteral("--answer-delay"), QStringLiteral("31")},
        {QStringLiteral("--clock-jump-every"), QStringLiteral("5")},
        {QStringLiteral("--clock-drift-ppm"), QStringLiteral("2000000")},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(rure::test::testCameraProgram(),
                      QStringList{QStringLiteral("--port"), QString::number(TestCamera::freePort())}
                          << arguments);
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_FALSE(process.readAllStandardError().isEmpty());
        EXPECT_FALSE(process.readAllStandardOutput().contains("ready"));
    }
}

TEST(TestCameraTest, ServesEitherVideoCodecWithOrWithoutAudio) {
    struct Case {
        const char* codec;
        const char* audio;
        QByteArray videoMap;
        QByteArray audioMap; // empty: no audio stream
    };
    const Case cases[] = {
        {"h265", "none", "H265/90000", {}},
        {"h264", "aac", "H264/90000", "MPEG4-GENERIC/16000/1"},
        {"h264", "pcmu", "H264/90000", "PCMU/8000"},
        {"h265", "pcma", "H265/90000", "PCMA/8000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " with audio " + c.audio);
        const QString codec = QString::fromLatin1(c.codec);
        TestCamera camera;
        ASSERT_TRUE(
            camera.start(smallCamera({QStringLiteral("--codec"), codec, QStringLiteral("--audio"),
                                      QString::fromLatin1(c.audio)})))
            << camera.errorOutput().toStdString();

        VideoDecoder decoder(camera.url(), codec);
        ASSERT_TRUE(decoder.start());
        RtspConversation rtsp(camera.url());
        ASSERT_TRUE(rtsp.play()) << rtsp.sdp().toStdString();
        EXPECT_EQ(rtsp.sdp().count("\nm="), c.audioMap.isEmpty() ? 1 : 2);
        EXPECT_TRUE(rtsp.sdp().contains("a=rtpmap:96 " + c.videoMap)) << rtsp.sdp().toStdString();
        if (!c.audioMap.isEmpty()) {
            EXPECT_TRUE(rtsp.sdp().contains(c.audioMap)) << rtsp.sdp().toStdString();
        }

        ASSERT_TRUE(rtsp.receive(2500));
        EXPECT_EQ(packetsOnChannel(rtsp.packets(), 2) > 0, !c.audioMap.isEmpty());
        // An IDR picture every second (the key frame interval), at 90 kHz.
        std::vector<quint32> keys;
        for (const SentPicture& picture : videoPictures(rtsp.packets(), codec)) {
            if (picture.key) {
                keys.push_back(picture.timestamp);
            }
        }
        ASSERT_GE(keys.size(), 2u);
        for (std::size_t i = 1; i < keys.size(); ++i) {
            EXPECT_EQ(ticksBetween(keys[i - 1], keys[i]), 90000);
        }

        EXPECT_TRUE(decoder.waitForFrames(5, decodeTimeoutMs));
        EXPECT_EQ(decoder.size(), QSize(320, 180));
    }
}

TEST(TestCameraTest, StillCameraSendsADecodablePictureEveryIntervalAndMovingOneEveryFrame) {
    constexpr qint64 frameTicks = 9000;      // 10 frames per second at 90 kHz
    constexpr qint64 stillTicks = 12 * 9000; // --still-interval 1.2
    constexpr qint64 settleNs = 300'000'000; // pictures on their way at a switch
    struct Case {
        const char* name;
        bool startStill;
        int firstPhaseMs;
        int secondPhaseMs;
    };
    const Case cases[] = {
        {"starts still, then moves", true, 3600, 1800},
        {"moves, then stays still", false, 1500, 3900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList arguments{QStringLiteral("--still-interval"), QStringLiteral("1.2")};
        if (c.startStill) {
            arguments << QStringLiteral("--start-still");
        }
        TestCamera::Options options = smallCamera(arguments);
        // Only the key frames of the still mode let a late client start decoding.
        options.keyframeInterval = 60;
        TestCamera camera;
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

        RtspConversation rtsp(camera.url());
        ASSERT_TRUE(rtsp.play());
        ASSERT_TRUE(rtsp.receive(300));
        RtspProbe late(camera.url());
        ASSERT_TRUE(late.start());
        ASSERT_TRUE(rtsp.receive(c.firstPhaseMs - 300));
        const int decodedBeforeSwitch = late.frames();
        const qint64 switchedNs = monotonicNanoseconds();
        ASSERT_TRUE(c.startStill ? camera.moving() : camera.still());
        ASSERT_TRUE(rtsp.receive(c.secondPhaseMs));

        const auto pictures = videoPictures(rtsp.packets(), QStringLiteral("h264"));
        constexpr qint64 end = std::numeric_limits<qint64>::max();
        const qint64 stillFrom = c.startStill ? 0 : switchedNs + settleNs;
        const qint64 stillTo = c.startStill ? switchedNs : end;
        const auto stillSteps = pictureSteps(pictures, stillFrom, stillTo);
        const auto movingSteps = c.startStill ? pictureSteps(pictures, switchedNs + settleNs, end)
                                              : pictureSteps(pictures, 0, switchedNs);
        ASSERT_GE(stillSteps.size(), 2u);
        ASSERT_GE(movingSteps.size(), 10u);
        for (const qint64 step : stillSteps) {
            EXPECT_EQ(step, stillTicks);
        }
        for (const qint64 step : movingSteps) {
            EXPECT_EQ(step, frameTicks);
        }
        for (const SentPicture& picture : pictures) {
            if (picture.arrivalNs >= stillFrom && picture.arrivalNs < stillTo) {
                EXPECT_TRUE(picture.key);
            }
        }
        // The client that came late decodes the pictures of either phase.
        if (c.startStill) {
            EXPECT_GE(decodedBeforeSwitch, 1);
        }
        EXPECT_TRUE(late.waitForFrames(decodedBeforeSwitch + 2, decodeTimeoutMs));
        EXPECT_FALSE(late.hasEnded()) << late.endReason().toStdString();
    }
}

// A player's PLAY asks for the stream from its start ("Range: npt=0.000-"),
// which restarts a shared stream's clock; a still camera then still sends
// every client a picture each interval, the newcomer's first one at once.
TEST(TestCameraTest, StillCameraKeepsItsPaceWhenAClientJoins) {
    TestCamera camera;
    ASSERT_TRUE(camera.start(smallCamera({QStringLiteral("--still-interval"), QStringLiteral("1"),
                                          QStringLiteral("--start-still")})))
        << camera.errorOutput().toStdString();
    RtspConversation first(camera.url());
    ASSERT_TRUE(first.play());
    ASSERT_TRUE(first.receive(5000));
    // Its first picture comes within the interval (1 s), not after the time
    // the stream had already run (5 s).
    const qint64 joinedNs = monotonicNanoseconds();
    RtspConversation second(camera.url());
    ASSERT_TRUE(second.play("Range: npt=0.000-\r\n"));
    ASSERT_TRUE(second.receive(2500));
    const auto pictures = videoPictures(second.packets(), QStringLiteral("h264"));
    ASSERT_FALSE(pictures.empty());
    EXPECT_LT(pictures.front().arrivalNs - joinedNs, 2'500'000'000);
    EXPECT_GE(pictures.size(), 2u);
}

TEST(TestCameraTest, PictureSizeChangesWithinTheSession) {
    struct Case {
        const char* name;
        const char* codec;
        QStringList arguments;
        QSize resizedTo;
        bool byCommand;
    };
    const Case cases[] = {
        {"H.264 by command", "h264", {}, QSize(240, 136), true},
        {"H.265 on schedule",
         "h265",
         {QStringLiteral("--resize-every"), QStringLiteral("1"), QStringLiteral("--resize-to"),
          QStringLiteral("160x96")},
         QSize(160, 96),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString codec = QString::fromLatin1(c.codec);
        TestCamera camera;
        ASSERT_TRUE(
            camera.start(smallCamera(QStringList{QStringLiteral("--codec"), codec} << c.arguments)))
            << camera.errorOutput().toStdString();
        VideoDecoder decoder(camera.url(), codec);
        ASSERT_TRUE(decoder.start());
        ASSERT_TRUE(decoder.waitForSize(QSize(320, 180), decodeTimeoutMs));

        if (c.byCommand) {
            ASSERT_TRUE(camera.resize(c.resizedTo.width(), c.resizedTo.height()));
        }
        EXPECT_TRUE(decoder.waitForSize(c.resizedTo, decodeTimeoutMs));
        const int framesAtNewSize = decoder.frames();
        if (c.byCommand) {
            ASSERT_TRUE(camera.resize(320, 180));
        }
        EXPECT_TRUE(decoder.waitForSize(QSize(320, 180), decodeTimeoutMs));
        EXPECT_TRUE(decoder.waitForFrames(framesAtNewSize + 5, decodeTimeoutMs));
        // All of it over the one connection and session of the decoder.
        EXPECT_FALSE(decoder.hasEnded());
        EXPECT_EQ(establishedConnections(camera.port()), 1);
    }
}

TEST(TestCameraTest, SessionsWithoutRequestsTimeOut) {
    TestCamera camera;
    ASSERT_TRUE(
        camera.start(smallCamera({QStringLiteral("--session-timeout"), QStringLiteral("2")})))
        << camera.errorOutput().toStdString();

    struct Case {
        const char* name;
        QByteArray keepAlive; // empty: none
        bool dropped;
    };
    const Case cases[] = {
        {"no keep-alive", {}, true},
        {"GET_PARAMETER", "GET_PARAMETER", false},
        {"OPTIONS", "OPTIONS", false},
    };
    std::vector<std::unique_ptr<RtspConversation>> clients;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clients.push_back(std::make_unique<RtspConversation>(camera.url()));
        ASSERT_TRUE(clients.back()->play());
        EXPECT_TRUE(clients.back()->sessionHeader().endsWith(";timeout=2"))
            << clients.back()->sessionHeader().toStdString();
    }

    // Every client keeps reading the stream; some send a request every 0.7 s.
    std::vector<bool> open(clients.size(), true);
    for (int round = 0; round < 20; ++round) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (open[i] && !cases[i].keepAlive.isEmpty() && round % 4 == 3) {
                EXPECT_EQ(clients[i]->request(cases[i].keepAlive).status, 200) << cases[i].name;
            }
            open[i] = open[i] && clients[i]->receive(60);
        }
    }

    for (std::size_t i = 0; i < clients.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(!open[i], cases[i].dropped);
        if (!cases[i].dropped) {
            const std::size_t received = clients[i]->packets().size();
            EXPECT_TRUE(clients[i]->receive(500));
            EXPECT_GT(clients[i]->packets().size(), received);
        }
    }
    camera.stop();
    EXPECT_EQ(camera.errorOutput().count(QStringLiteral("session timed out")), 1)
        << camera.errorOutput().toStdString();
}
