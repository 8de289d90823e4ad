#include "engine/MPVImageView.h"
#include "engine/MPVSoftwareView.h"
#include "engine/VideoView.h"
#include "engine/VideoViewChoice.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

namespace rure {
namespace {

TEST(VideoViewChoice, SoftwareRasterisersGetTheSoftwareRenderer) {
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("softpipe")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("Software Rasterizer")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("Mesa Intel(R) UHD Graphics 620 (KBL GT2)")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("NVIDIA GeForce RTX 3060/PCIe/SSE2")));
    EXPECT_FALSE(isSoftwareRenderer(QString()));

    using P = VideoPresentation;
    const QString llvmpipe = QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)");
    const QString gpu = QStringLiteral("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)");
    const QString noRenderer;
    const struct {
        const char* requested;
        bool device;
        const QString& renderer;
        P expected;
        bool asksRenderer;
        // Whether the GL widget may be chosen, known before any GL context:
        // only then are GL contexts shared (loading OpenGL at start).
        bool mayUseWidget;
    } cases[] = {
        {"", true, llvmpipe, P::software, true, true},
        {"", true, gpu, P::openGLWidget, true, true},
        // No graphics device: software, without paying for a GL context.
        {"", false, gpu, P::software, false, false},
        {"opengl", false, llvmpipe, P::openGLWidget, false, true},
        {" OpenGL\n", true, llvmpipe, P::openGLWidget, false, true},
        {"image", true, gpu, P::image, false, false},
        {"IMAGE", false, gpu, P::image, false, false},
        {"vulkan", true, gpu, P::openGLWidget, true, true},
        // A device, but no GL context could be made.
        {"", true, noRenderer, P::software, true, true},
        {"software", true, gpu, P::software, false, false},
        {" Software ", true, llvmpipe, P::software, false, false},
    };
    for (const auto& c : cases) {
        bool asked = false;
        const P chosen = videoPresentationFor(QByteArray(c.requested), c.device, [&] {
            asked = true;
            return c.renderer;
        });
        EXPECT_EQ(chosen, c.expected) << c.requested << " " << c.device;
        EXPECT_EQ(asked, c.asksRenderer) << c.requested << " " << c.device;
        EXPECT_EQ(mayPresentWithOpenGLWidget(QByteArray(c.requested), c.device), c.mayUseWidget)
            << c.requested << " " << c.device;
    }

    QTemporaryDir devices;
    ASSERT_TRUE(devices.isValid());
    EXPECT_FALSE(hasGraphicsDevice(devices.path()));
    EXPECT_FALSE(hasGraphicsDevice(devices.path() + QStringLiteral("/missing")));
    ASSERT_TRUE(QDir(devices.path()).mkdir(QStringLiteral("by-path")));
    EXPECT_FALSE(hasGraphicsDevice(devices.path()));
    QFile node(devices.path() + QStringLiteral("/renderD128"));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    EXPECT_TRUE(hasGraphicsDevice(devices.path()));

    QWidget parent;
    for (const VideoPresentation presentation :
         {VideoPresentation::image, VideoPresentation::software, VideoPresentation::openGLWidget}) {
        const CreatedVideoView created = createVideoView(presentation, &parent);
        ASSERT_NE(created.widget, nullptr);
        EXPECT_EQ(created.widget->parentWidget(), &parent);
        EXPECT_EQ(dynamic_cast<VideoView*>(created.widget), created.view);
        EXPECT_EQ(dynamic_cast<MPVImageView*>(created.widget) != nullptr,
                  presentation == VideoPresentation::image);
        EXPECT_EQ(dynamic_cast<MPVSoftwareView*>(created.widget) != nullptr,
                  presentation == VideoPresentation::software);
    }
}

} // namespace
} // namespace rure
