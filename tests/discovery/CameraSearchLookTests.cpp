// The "Find Cameras" sheet, measured as drawn: every text on each of its
// pages reads against its background under Qt's light and dark palettes.
#include "CameraSearchFixture.h"
#include "support/FusionAppearance.h"
#include "support/TextContrast.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace rure::test {
namespace {

constexpr Appearance appearances[] = {Appearance::light, Appearance::dark};

class CameraSearchLookTest : public CameraSearchTest {
protected:
    // The sheet as drawn, and the box of `widget` inside that picture.
    void expectReadable(const QImage& shot, QWidget& widget, const QString& what,
                        const QRect& part = {}) {
        const QRect inWidget = part.isNull() ? widget.rect() : part;
        const QRect box(widget.mapTo(&sheet(), inWidget.topLeft()), inWidget.size());
        const TextContrast measured = measureTextContrast(shot, box);
        EXPECT_GE(measured.ratio, readableTextContrast)
            << what.toStdString() << ": " << measured.describe().toStdString();
    }

    QImage shot() {
        QCoreApplication::processEvents();
        return sheet().grab().toImage();
    }
};

TEST_F(CameraSearchLookTest, EveryPageReadsInLightAndDark) {
    startDevice({.secondStream = QStringLiteral("rtsp://127.0.0.1:8554/device1/sub"),
                 .name = QStringLiteral("Front Door")});
    startDevice({.name = QStringLiteral("Garage"),
                 .user = QStringLiteral("admin"),
                 .password = QStringLiteral("secret")});
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        editor.reset();
        findCameras();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet()));
        ASSERT_EQ(sheet().devices().size(), 2);

        // The list, with a row selected (white on the accent) and one not.
        DiscoveredDeviceList& list = *sheet().searchPage().devices;
        const int garage = listedRow(QStringLiteral("Garage"));
        list.selectDevice(garage);
        QImage image = shot();
        expectReadable(image, *sheet().searchPage().status, QStringLiteral("search status"));
        expectReadable(image, *sheet().searchPage().next, QStringLiteral("Continue"),
                       sheet().searchPage().next->rect().adjusted(6, 4, -6, -4));
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            for (const auto column :
                 {DiscoveredDeviceList::nameColumn, DiscoveredDeviceList::loginColumn}) {
                QRect cell = list.visualItemRect(list.topLevelItem(row));
                const int left = list.header()->sectionPosition(column);
                cell.setLeft(left + 2);
                cell.setWidth(list.header()->sectionSize(column) - 4);
                expectReadable(image, *list.viewport(),
                               QStringLiteral("device row %1, column %2").arg(row).arg(column),
                               cell);
            }
        }

        // A wrong password: the heading, the explanation and the message.
        choose(garage);
        signIn(QStringLiteral("admin"), QStringLiteral("wrong"));
        ASSERT_EQ(sheet().page(), CameraDiscoverySheet::Page::login);
        image = shot();
        expectReadable(image, *sheet().loginPage().heading, QStringLiteral("login heading"));
        expectReadable(image, *sheet().loginPage().message, QStringLiteral("login message"));
        expectReadable(image, *sheet().loginPage().connect, QStringLiteral("Connect"),
                       sheet().loginPage().connect->rect().adjusted(6, 4, -6, -4));
        for (QLabel* label : sheet().loginPage().page->findChildren<QLabel*>()) {
            if (label->isVisible() && !label->text().isEmpty()) {
                expectReadable(image, *label, QStringLiteral("label ") + label->text());
            }
        }

        // The streams of the open device.
        sheet().backToDevices();
        choose(listedRow(QStringLiteral("Front Door")));
        ASSERT_EQ(sheet().page(), CameraDiscoverySheet::Page::streams);
        image = shot();
        expectReadable(image, *sheet().streamsPage().heading, QStringLiteral("streams heading"));
        QListWidget& streams = *sheet().streamsPage().streams;
        for (int row = 0; row < streams.count(); ++row) {
            QRect text = streams.visualItemRect(streams.item(row));
            text.setLeft(text.left() + 24); // past the tick box
            expectReadable(image, *streams.viewport(), QStringLiteral("stream %1").arg(row), text);
        }
        expectReadable(image, *sheet().streamsPage().add, QStringLiteral("Add Cameras"),
                       sheet().streamsPage().add->rect().adjusted(6, 4, -6, -4));
        sheet().reject();
    }
}

TEST_F(CameraSearchLookTest, NothingFoundReadsInLightAndDark) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        const ScopedFusionAppearance look(appearance);
        editor.reset();
        findCameras();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet()));
        ASSERT_TRUE(sheet().searchPage().message->isVisible());
        const QImage image = shot();
        expectReadable(image, *sheet().searchPage().status, QStringLiteral("search status"));
        expectReadable(image, *sheet().searchPage().message, QStringLiteral("nothing found"));
        sheet().reject();
    }
}

} // namespace
} // namespace rure::test
