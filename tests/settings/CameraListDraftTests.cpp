#include "settings/CameraListDraft.h"

#include <gtest/gtest.h>

namespace rure {
namespace {

Camera cam(const QString& name, const QString& url = QStringLiteral("rtsp://host/stream")) {
    return Camera{name, url};
}

QStringList namesOf(const CameraListDraft& draft) {
    QStringList names;
    for (const Camera& camera : draft.cameras()) {
        names << camera.name;
    }
    return names;
}

CameraListDraft xyz() {
    return CameraListDraft({cam("X"), cam("Y"), cam("Z")});
}

TEST(CameraListDraftAdd, AppendsANewCameraAndAnswersItsRow) {
    CameraListDraft draft({cam("Door")});
    EXPECT_EQ(draft.add(), 1);
    ASSERT_EQ(draft.size(), 2);
    EXPECT_EQ(draft.cameras().at(1), (Camera{"New Camera", "rtsp://"}));
    EXPECT_EQ(draft.cameras().at(0), cam("Door"));

    CameraListDraft empty;
    EXPECT_EQ(empty.add(), 0);
}

TEST(CameraListDraftAdd, ThenValidatingRefusesTheNewCamerasAddressWithoutHost) {
    CameraListDraft draft({cam("Door")});
    const qsizetype row = draft.add();
    const CameraValidation validation = draft.validated();
    EXPECT_FALSE(validation.ok());
    EXPECT_EQ(validation.alert, (CameraAlert{"Check New Camera",
                                             "Enter a full RTSP address beginning with rtsp://."}));
    EXPECT_EQ(validation.cellToEdit, (CameraCell{row, CameraField::address}));
}

TEST(CameraListDraftLiveEditing, StoresTextAsTypedAndIgnoresRowsOutsideTheDraft) {
    CameraListDraft draft({cam("Door"), cam("Yard")});
    draft.setText(0, CameraField::name, "  Front door ");
    draft.setText(1, CameraField::address, " rtsp://yard ");
    draft.setText(2, CameraField::name, "nobody");
    draft.setText(-1, CameraField::name, "nobody");
    EXPECT_EQ(draft.cameras(),
              (QList<Camera>{cam("  Front door "), Camera{"Yard", " rtsp://yard "}}));

    EXPECT_EQ(cameraFieldForColumnId("camera-name"), CameraField::name);
    EXPECT_EQ(cameraFieldForColumnId("camera-address"), CameraField::address);
    EXPECT_EQ(cameraFieldForColumnId("camera-order"), std::nullopt);
    EXPECT_EQ(cameraFieldForColumnId("Camera-Name"), std::nullopt);
}

TEST(CameraListDraftRemove, FollowsTheRemoveRules) {
    {
        SCOPED_TRACE("the last row selected: the new last row is selected");
        CameraListDraft draft = xyz();
        const CameraRemoval removal = draft.remove(2);
        EXPECT_EQ(removal.alert, std::nullopt);
        EXPECT_EQ(removal.selection, 1);
        EXPECT_EQ(namesOf(draft), QStringList({"X", "Y"}));
    }
    {
        SCOPED_TRACE("a middle row: the camera that moved up is selected");
        CameraListDraft draft = xyz();
        EXPECT_EQ(draft.remove(1).selection, 1);
        EXPECT_EQ(namesOf(draft), QStringList({"X", "Z"}));
    }
    for (const std::optional<qsizetype> selection :
         {std::optional<qsizetype>(), std::optional<qsizetype>(3), std::optional<qsizetype>(-1)}) {
        SCOPED_TRACE("no selection or one outside the draft: nothing changes");
        CameraListDraft draft = xyz();
        const CameraRemoval removal = draft.remove(selection);
        EXPECT_EQ(removal.alert, std::nullopt);
        EXPECT_EQ(removal.selection, std::nullopt);
        EXPECT_EQ(namesOf(draft), QStringList({"X", "Y", "Z"}));
    }
    for (const QList<Camera>& cameras : {QList<Camera>{cam("X")}, QList<Camera>{}}) {
        SCOPED_TRACE("fewer than two cameras: the alert, and the draft is kept");
        CameraListDraft draft(cameras);
        const CameraRemoval removal = draft.remove(0);
        EXPECT_EQ(removal.alert,
                  (CameraAlert{"Keep one camera", "Rure needs at least one camera in the list."}));
        EXPECT_EQ(removal.selection, std::nullopt);
        EXPECT_EQ(draft.cameras(), cameras);
    }
}

TEST(CameraListDraftRemove, ButtonIsUsableWithTwoCamerasAndASelection) {
    EXPECT_TRUE(CameraListDraft({cam("a"), cam("b")}).canRemove(0));
    EXPECT_TRUE(xyz().canRemove(2));
    EXPECT_FALSE(xyz().canRemove(std::nullopt));
    EXPECT_FALSE(CameraListDraft({cam("a")}).canRemove(0));
    EXPECT_FALSE(CameraListDraft().canRemove(std::nullopt));
}

TEST(CameraListDraftSort, IsStableCaseInsensitiveAndKeepsTheSelection) {
    const QList<Camera> start{cam("b", "rtsp://1"), cam("A", "rtsp://2"), cam("a", "rtsp://3")};
    {
        CameraListDraft draft(start);
        EXPECT_EQ(draft.sort(CameraSortOrder::ascending, 0), 2);
        EXPECT_EQ(namesOf(draft), QStringList({"A", "a", "b"}));
    }
    {
        // Equal names keep their order, so descending is not ascending reversed.
        CameraListDraft draft(start);
        EXPECT_EQ(draft.sort(CameraSortOrder::descending, 2), 2);
        EXPECT_EQ(namesOf(draft), QStringList({"b", "A", "a"}));
    }
    {
        CameraListDraft draft(start);
        EXPECT_EQ(draft.sort(CameraSortOrder::ascending, std::nullopt), std::nullopt);
        EXPECT_EQ(draft.sort(CameraSortOrder::ascending, 7), std::nullopt);
        EXPECT_EQ(namesOf(draft), QStringList({"A", "a", "b"}));
    }
}

TEST(CameraListDraftSort, SelectsTheFirstOfTwoEqualCameras) {
    CameraListDraft draft({cam("Yard"), cam("Door"), cam("Attic"), cam("Door")});
    EXPECT_EQ(draft.sort(CameraSortOrder::ascending, 3), 1);
    EXPECT_EQ(namesOf(draft), QStringList({"Attic", "Door", "Door", "Yard"}));
}

TEST(CameraListDraftMove, MovesRowsAboveTheDropRow) {
    struct Case {
        QString payload;
        qsizetype dropRow;
        QStringList order;
        qsizetype selected;
    };
    const Case cases[] = {
        {"0", 3, {"Y", "Z", "X"}, 2},  {"2", 0, {"Z", "X", "Y"}, 0},  {"1", 1, {"X", "Y", "Z"}, 1},
        {"1", 2, {"X", "Y", "Z"}, 1},  {"+1", 0, {"Y", "X", "Z"}, 0}, {"0", 2, {"Y", "X", "Z"}, 1},
        {"-0", 3, {"Y", "Z", "X"}, 2}, {"2", 99, {"X", "Y", "Z"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 to %2").arg(c.payload).arg(c.dropRow).toStdString());
        CameraListDraft draft = xyz();
        EXPECT_EQ(draft.move(c.payload, c.dropRow), c.selected);
        EXPECT_EQ(namesOf(draft), c.order);
    }
}

TEST(CameraListDraftMove, RefusesPayloadsThatNameNoRow) {
    for (const QString payload :
         {"", "1a", "3", "4", "-1", "+", " 1", "1 ", "x", "99999999999999999999", "١"}) {
        SCOPED_TRACE(payload.toStdString());
        CameraListDraft draft = xyz();
        EXPECT_EQ(draft.move(payload, 0), std::nullopt);
        EXPECT_EQ(namesOf(draft), QStringList({"X", "Y", "Z"}));
    }
}

TEST(CameraListDraftReplace, TakesCamerasAsTheyAre) {
    CameraListDraft draft = xyz();
    const QList<Camera> imported{Camera{" ", "not an address"}};
    draft.replace(imported);
    EXPECT_EQ(draft.cameras(), imported);
}

} // namespace
} // namespace rure

namespace rure {
namespace {

TEST(CameraListDraftValidation, KeepsASmallStreamTrimmedAndRefusesOneThatIsNotRtsp) {
    CameraListDraft kept({Camera{"Gate", "rtsp://gate/main", " rtsp://gate/sub "}});
    ASSERT_TRUE(kept.validated().cameras);
    EXPECT_EQ(*kept.validated().cameras,
              QList<Camera>({Camera{"Gate", "rtsp://gate/main", "rtsp://gate/sub"}}));

    CameraListDraft refused({Camera{"Gate", "rtsp://gate/main", "http://gate/sub"}});
    EXPECT_FALSE(refused.validated().ok());
    EXPECT_EQ(refused.validated().alert.title, QStringLiteral("Check the small stream of Gate"));
    EXPECT_EQ(refused.validated().cellToEdit, (CameraCell{0, CameraField::subStream}));
}

} // namespace
} // namespace rure
