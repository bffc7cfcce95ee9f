// View, camera and symmetry actions on a window without GL; dialogs answered through the seam.
#include "WindowTestSupport.h"

#include "app/FileNames.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

using kal::test::holdKeys;
using kal::test::WindowTest;

namespace {

using ViewActions = WindowTest;

void expectRotation(const kal::mat3& m, std::initializer_list<float> rows) {
    int i = 0;
    for (float want : rows) EXPECT_NEAR(m[i++], want, 1e-6) << "element " << i - 1;
}

} // namespace

TEST_F(ViewActions, perspectiveWithCtrlAsksTheFieldOfView) {
    ASSERT_EQ(v.perspective, 0);
    holdKeys({kal::VkControl});
    answerWith([](const kal::Question&) { return number(45); });
    ui.actionPerspective->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Perspective");
    EXPECT_EQ(asked[0].text, "FOV (10-160)");
    EXPECT_EQ(v.fieldOfView, 45.0f);
    EXPECT_EQ(v.perspective, 1);
    EXPECT_TRUE(ui.actionPerspective->isChecked());
    EXPECT_FALSE(ui.actionOrthogonal->isChecked());
    EXPECT_EQ(ui.actionOrthogonal->shortcut(), QKeySequence("Alt+Shift+F6"));
    EXPECT_TRUE(ui.actionPerspective->shortcut().isEmpty());

    // back to orthogonal; then Cancel, and a press while busy, change nothing
    ui.actionOrthogonal->trigger();
    answerWith([](const kal::Question&) { return number(90, false); });
    ui.actionPerspective->trigger();
    holdKeys({});
    v.busy = 1;
    ui.actionPerspective->trigger();
    v.busy = 0;
    EXPECT_EQ(v.fieldOfView, 45.0f);
    EXPECT_EQ(v.perspective, 0);
    EXPECT_TRUE(ui.actionOrthogonal->isChecked());
    EXPECT_FALSE(ui.actionPerspective->isChecked());
    EXPECT_EQ(ui.actionPerspective->shortcut(), QKeySequence("Alt+Shift+F6"));
}

TEST_F(ViewActions, presetsAndTheGeneralCycle) {
    const struct {
        QAction* action;
        std::initializer_list<float> rows;
    } presets[] = {
        {ui.actionBack, {-1, 0, 0, 0, 1, 0, 0, 0, -1}},  {ui.actionLeft, {0, 0, 1, 0, 1, 0, -1, 0, 0}},
        {ui.actionRight, {0, 0, -1, 0, 1, 0, 1, 0, 0}},  {ui.actionTop, {1, 0, 0, 0, 0, 1, 0, -1, 0}},
        {ui.actionBottom, {1, 0, 0, 0, 0, -1, 0, 1, 0}},
    };
    for (const auto& p : presets) {
        p.action->trigger();
        expectRotation(v.camera.rotation, p.rows);
    }
    EXPECT_EQ(v.namedView, 6);

    // Top, then General: Bottom; the next restores what General saved (nothing yet: identity)
    ui.actionTop->trigger();
    ui.actionGeneral->trigger();
    EXPECT_EQ(v.namedView, 6);
    ui.actionGeneral->trigger();
    EXPECT_EQ(v.namedView, 0);
    expectRotation(v.camera.rotation, {1, 0, 0, 0, 1, 0, 0, 0, 1});

    // seven steps from a free view come back to it exactly
    v.camera.rotation = kal::mat3::rotationEuler(0.3f, -0.7f, 1.1f);
    const kal::mat3 free = v.camera.rotation;
    for (int i = 0; i < 7; ++i) ui.actionGeneral->trigger();
    EXPECT_EQ(v.namedView, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(v.camera.rotation[i], free[i]);
}

TEST_F(ViewActions, stepsStayWithinTheirRangesAndSelectElementCycles) {
    v.brushSize = 2000;
    ui.actionSize->trigger();
    EXPECT_EQ(v.brushSize, 2000.0f);
    ui.actionSize_2->trigger();
    EXPECT_NEAR(v.brushSize, 2000 / 1.1, 1e-2);
    v.elevation = 1;
    ui.actionElevation_2->trigger();
    EXPECT_EQ(v.elevation, 1.0f);
    ui.actionElevation->trigger();
    EXPECT_NEAR(v.elevation, 0.95f, 1e-6);
    ui.actionElevation_0->trigger();
    EXPECT_EQ(v.elevation, 0.0f);

    ui.actionTangent_Plane->trigger();
    EXPECT_EQ(v.placement, kal::PlaceTangentPlane);

    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        ui.actionSelect_Element->trigger();
        seen.push_back(v.chosenSelectionMode);
    }
    EXPECT_EQ(seen, (std::vector<int>{3, 1, 2, 0}));
    v.busy = 1;
    ui.actionSelect_Element->trigger();
    v.busy = 0;
    EXPECT_EQ(v.chosenSelectionMode, 0);
}

TEST_F(ViewActions, helpOpensTheGuideBesideTheProgramAndSaysWhenItCannot) {
    EXPECT_TRUE(QFileInfo(QStringLiteral(KAL_PROGRAM_DIR "/README.md")).isFile()); // the build ships it
    const QString guide = QCoreApplication::applicationDirPath() + QStringLiteral("/README.md");
    QFile::remove(guide);
    answerWith([](const kal::Question&) { return reply(true); });
    ui.actionOnline_help->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, kal::Question::Warning);
    EXPECT_EQ(asked[0].text, "Could not open the guide " + guide);

    ASSERT_TRUE(QFile::copy(QStringLiteral(KAL_SOURCE_DIR "/README.md"), guide));
    asked.clear();
    ui.actionOnline_help->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, kal::Question::Url);
    EXPECT_EQ(asked[0].text, QUrl::fromLocalFile(guide).toString());

    // nothing to show it with
    answerWith([](const kal::Question&) { return reply(false); });
    asked.clear();
    ui.actionOnline_help->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, kal::Question::Warning);
    EXPECT_EQ(asked[1].text, "Could not open the guide " + guide);
    QFile::remove(guide);
}

TEST_F(ViewActions, symmetryTogglesExcludeWhatTheyCannotGoWith) {
    auto flags = [&] {
        const kal::SymmetrySetting& s = v.symmetry;
        return std::vector<int>{s.mirrorX, s.mirrorY, s.mirrorZ, s.rotationX, s.rotationY, s.rotationZ};
    };
    const int count = v.symmetry.count;
    ui.actionX_Mirror_Symmetry->setChecked(true);
    ui.actionY_Mirror_Symmetry->trigger();
    ui.actionZ_Rotation_Symmetry->trigger();
    EXPECT_EQ(flags(), (std::vector<int>{0, 0, 0, 0, 0, 1}));
    EXPECT_FALSE(ui.actionX_Mirror_Symmetry->isChecked());
    EXPECT_EQ(v.symmetry.count, count);

    ui.actionY_Rotation_Symmetry->trigger();
    ui.actionY_Mirror_Symmetry->trigger();
    EXPECT_EQ(flags(), (std::vector<int>{0, 1, 0, 0, 1, 0}));

    // during a sculpt stroke the toggle is taken back
    v.busy = 1;
    v.mode = kal::SCULPT;
    ui.actionX_Mirror_Symmetry->trigger();
    v.busy = 0;
    EXPECT_FALSE(ui.actionX_Mirror_Symmetry->isChecked());
    EXPECT_EQ(flags(), (std::vector<int>{0, 1, 0, 0, 1, 0}));
}

TEST_F(ViewActions, rotationItemCountSteps) {
    v.symmetry.count = 2;
    ui.actionRotation_Items_3->trigger();
    ui.actionRotation_Items_3->trigger();
    EXPECT_EQ(v.symmetry.count, 1);
    v.symmetry.count = 1000;
    ui.actionRotation_Items_2->trigger();
    EXPECT_EQ(v.symmetry.count, 1001);
    EXPECT_EQ(ui.actionRotation_Items->text(), "Rotation Items (1001)");

    answerWith([](const kal::Question&) { return number(300); });
    ui.actionRotation_Items->trigger();
    EXPECT_EQ(asked.back().title, "Rotation Symmetry");
    EXPECT_EQ(asked.back().text, "Items");
    EXPECT_EQ(v.symmetry.count, 300);
    answerWith([](const kal::Question&) { return number(7, false); });
    v.symmetry.count = 12;
    ui.actionRotation_Items->trigger();
    EXPECT_EQ(v.symmetry.count, 12);
    EXPECT_EQ(ui.actionRotation_Items->text(), "Rotation Items (12)");
    EXPECT_EQ(ui.actionRotation_Items->iconText(), "12");
}

TEST(SceneFileName, extensionRuleLooksAtTheFileNameOnly) {
    const struct {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"work/robot", "work/robot.k"}, {"robot.OBJ", "robot.OBJ"},         {"robot.K", "robot.K"},
        {"robot.ko", "robot.k"},        {"robot.txt", "robot.k"},           {"a.b/robot", "a.b/robot.k"},
        {"a.b\\robot", "a.b\\robot.k"}, {"a.b/robot.obj", "a.b/robot.obj"},
    };
    for (const auto& c : cases) EXPECT_EQ(sceneFileName(c.chosen), c.saved) << c.chosen;
}
