// The viewer window keeps the picture and the pointer surface filling it, on a
// real window, and forgets either once it is gone.
#include "window/DraggableContentView.h"
#include "window/ViewerWindow.h"

#include <QTest>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

TEST(PictureLayers, fillTheWindowAsItResizesAndAreForgottenOnceGone) {
    ViewerWindow window;
    auto* picture = new QWidget(window.contentView());
    auto* surface = new DraggableContentView(window.contentView());
    window.setPictureLayers(picture, surface);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(picture->geometry(), window.contentView()->rect());

    const auto resizeTo = [&window](QSize size) {
        window.resize(size);
        return QTest::qWaitFor([&] { return window.contentView()->size() == size; });
    };
    ASSERT_TRUE(resizeTo(QSize(800, 450)));
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 800, 450));
    EXPECT_EQ(surface->geometry(), QRect(0, 0, 800, 450));

    // A picture deleted under the window (a view replaced) is not touched again.
    delete picture;
    EXPECT_EQ(window.picture(), nullptr);
    EXPECT_EQ(window.pointerSurface(), surface);
    ASSERT_TRUE(resizeTo(QSize(640, 360)));
    EXPECT_EQ(surface->geometry(), QRect(0, 0, 640, 360));
}

} // namespace
} // namespace rure::test
