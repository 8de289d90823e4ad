#include "viewer/CameraSelection.h"
#include "viewer/ViewerSettings.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

class CameraSelectionTest : public ::testing::Test {
protected:
    CameraSelectionTest()
        : settings(directory.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat),
          viewerSettings(settings), selection(viewerSettings) {}

    static QList<Camera> cameras() {
        return {{QStringLiteral("Front Door"), QStringLiteral("rtsp://10.0.0.2/front")},
                {QStringLiteral("Garden"), QStringLiteral("rtsp://10.0.0.3/garden")},
                {QStringLiteral("Garage"), QStringLiteral("rtsp://10.0.0.4/garage")}};
    }

    qlonglong storedIndex() const {
        return settings.value(QStringLiteral("selectedCameraIndex"), -99).toLongLong();
    }

    QTemporaryDir directory;
    QSettings settings;
    ViewerSettings viewerSettings;
    CameraSelection selection;
};

TEST_F(CameraSelectionTest, theStoredCameraComesBackAtLaunchAndAnIndexOutsideTheListMeansTheFirst) {
    const struct {
        std::optional<qlonglong> stored;
        qsizetype expected;
    } cases[] = {{std::nullopt, 0}, {2, 2}, {3, 0}, {-1, 0}, {1000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or(-99));
        settings.remove(QStringLiteral("selectedCameraIndex"));
        if (c.stored) {
            settings.setValue(QStringLiteral("selectedCameraIndex"), *c.stored);
        }
        selection.adoptLaunchList(cameras());
        EXPECT_EQ(selection.selectedIndex(), c.expected);
        ASSERT_NE(selection.selectedCamera(), nullptr);
        EXPECT_EQ(*selection.selectedCamera(), cameras()[c.expected]);
        // Launching never rewrites what was stored.
        EXPECT_EQ(storedIndex(), c.stored.value_or(-99));
    }

    selection.adoptLaunchList({});
    EXPECT_EQ(selection.selectedIndex(), -1);
    EXPECT_EQ(selection.selectedCamera(), nullptr);
    EXPECT_TRUE(selection.names().isEmpty());
}

TEST_F(CameraSelectionTest, aChoiceIsStoredAndAnIndexOutsideTheListChangesNothing) {
    selection.adoptLaunchList(cameras());
    EXPECT_TRUE(selection.select(1));
    EXPECT_EQ(selection.selectedIndex(), 1);
    EXPECT_EQ(storedIndex(), 1);
    for (const qsizetype outside : {qsizetype{-1}, qsizetype{3}}) {
        EXPECT_FALSE(selection.select(outside));
        EXPECT_EQ(selection.selectedIndex(), 1);
        EXPECT_EQ(storedIndex(), 1);
    }
    EXPECT_EQ(selection.names(), QStringList({QStringLiteral("Front Door"),
                                              QStringLiteral("Garden"), QStringLiteral("Garage")}));
}

TEST_F(CameraSelectionTest, anEditedListKeepsTheSelectedCameraWhereverItWentAndStoresIt) {
    selection.adoptLaunchList(cameras());
    ASSERT_TRUE(selection.select(1)); // Garden

    // Moved to the end: still Garden.
    QList<Camera> edited{cameras()[0], cameras()[2], cameras()[1]};
    EXPECT_EQ(selection.adoptEditedList(edited), 2);
    EXPECT_EQ(storedIndex(), 2);

    // Its address changed and its name's case too: followed by name.
    edited[2] = {QStringLiteral("GARDEN"), QStringLiteral("rtsp://10.0.0.9/garden")};
    EXPECT_EQ(selection.adoptEditedList(edited), 2);

    // Gone: the same position, clamped to the shorter list.
    EXPECT_EQ(selection.adoptEditedList({cameras()[0], cameras()[2]}), 1);
    EXPECT_EQ(storedIndex(), 1);

    // Emptied: nothing selected, and that is stored too.
    EXPECT_EQ(selection.adoptEditedList({}), -1);
    EXPECT_EQ(selection.selectedCamera(), nullptr);
    EXPECT_EQ(storedIndex(), -1);
}

TEST_F(CameraSelectionTest, theViewersSettingsKeepTheirKeysSoEarlierSettingsFilesStillRead) {
    // Written as an earlier version wrote them.
    settings.setValue(QStringLiteral("mainWindowFrame"), QStringLiteral("10 20 640 360"));
    settings.setValue(QStringLiteral("staysOnTop"), true);
    EXPECT_EQ(viewerSettings.windowFrame(), QStringLiteral("10 20 640 360"));
    EXPECT_TRUE(viewerSettings.staysOnTop());

    viewerSettings.setWindowFrame(QStringLiteral("0 0 800 450"));
    viewerSettings.setStaysOnTop(false);
    EXPECT_EQ(settings.value(QStringLiteral("mainWindowFrame")).toString(),
              QStringLiteral("0 0 800 450"));
    EXPECT_FALSE(settings.value(QStringLiteral("staysOnTop")).toBool());

    settings.remove(QStringLiteral("mainWindowFrame"));
    EXPECT_FALSE(viewerSettings.windowFrame());
}

} // namespace
} // namespace rure::test
