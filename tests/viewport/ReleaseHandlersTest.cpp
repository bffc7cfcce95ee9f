// What each assembly command does at release, through whole clicks: what it adds, takes or changes,
// and that one undo takes the scene back and one redo forward again, picture for picture.
#include <cmath>

#include <gtest/gtest.h>

#include "StepFixtures.h"
#include "scene/Acts.h"
#include "../scene/SceneSnapshot.h"

using namespace kal;
using test::StepView;

namespace {

// An element that has no parts to give.
class Blob : public Element {
public:
    Blob() : Element(MeshType) {}
    Element* extractComponent(const vec3&, int&) override { return nullptr; }
    Element* extractPatch(const vec3&, int&) override { return nullptr; }
};

// An element that gives a part each time it is asked.
class Parts : public Element {
public:
    Parts() : Element(MeshType) {}
    Element* detachComponent(int) override { return new Parts; }
};

class ReleaseHandlers : public ::testing::Test {
protected:
    StepView v;
    Tool* a = nullptr;
    Tool* b = nullptr;
    std::string before, after;

    void SetUp() override {
        test::resetAllInput();
        a = test::addSceneObject(*v.scene, Mesh::createTetrahedron(), mat4::translation(vec3(1, 0, 0)));
        b = test::addSceneObject(*v.scene, Mesh::createCube(), mat4::translation(vec3(-1, 0, 0)));
        v.enter(100, 100);
    }
    void TearDown() override { test::resetAllInput(); }

    PickRecord on(Tool* t, vec3 normal = {0, 0, 1}) {
        return test::pickOn(*v.scene, t, t->composeMatrix().translation(), normal);
    }
    std::string picture() {
        v.scene->rebuildToolLists();
        return test::snapshot(*v.scene);
    }
    // Press on one pick, release over another (what the release re-pick finds).
    void click(Command command, const PickRecord& pressed, const PickRecord& released = PickRecord()) {
        v.setMode(ASSEMBLY); // undo idles the view until the next release
        v.setAssemblyCommand(command);
        before = picture();
        v.pressPick = pressed;
        v.frame(true);
        v.assemblyPick = [released](int, const PickRecord*) { return released; };
        v.frame(false);
        after = picture();
    }
    void expectUndoRedo() {
        v.undo();
        EXPECT_EQ(picture(), before);
        v.redo();
        EXPECT_EQ(picture(), after);
    }
};

} // namespace

TEST_F(ReleaseHandlers, InsertAndMultiplyAddEveryPlacementThroughOneRecord) {
    v.placements = {mat4::translation(vec3(0, 1, 0)), mat4::translation(vec3(0, 2, 0)),
                    mat4::translation(vec3(0, 3, 0))};
    const size_t tools = v.scene->sceneLists.tools.size();
    click(Command::Insert, on(a));
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    EXPECT_EQ(v.scene->sceneLists.tools.size(), tools + 3);
    expectUndoRedo();

    v.placements = {mat4::translation(vec3(0, 3, 0))};
    click(Command::Multiply, on(a));
    ASSERT_EQ(v.undoStack.acts.size(), 2u);
    EXPECT_EQ(v.placements[0].translation(), vec3(1, 3, 0)) << "after the pressed pivot";
    expectUndoRedo();

    v.pendingTool = nullptr;
    click(Command::Insert, on(a));
    EXPECT_EQ(after, before);
    EXPECT_EQ(v.undoStack.acts.size(), 2u);
}

TEST_F(ReleaseHandlers, PlaceSpansATwoObjectToolBetweenThePressAndReleasePoints) {
    auto* ends = new test::TwoEnds;
    auto* partner = new Tool(nullptr, mat4(), pbr(), false);
    v.scene->addToMainRoot(ends);
    v.scene->addToMainRoot(partner);
    v.pendingTool = ends;
    v.pendingPartner = partner;
    v.setBrushSize(2.0f);
    PickRecord p = on(a), q = on(b);
    for (PickRecord* r : {&p, &q}) {
        r->worldToFrame = r->frameToTarget = mat4();
        r->pixelVector = {0, 0.5f, 0};
    }
    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(Command::Place);
    v.pressPick = p;
    v.frame(true);
    v.hoverPick = q; // as the drag left it
    v.frame(false);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);
    auto* act = static_cast<ActObjectAddBiTool*>(v.undoStack.acts[0]);
    ASSERT_EQ(act->kind, ActAddBiToolKind);
    for (const mat4& end : {act->placements[0], act->partnerPlacements[0]})
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(end.upper3().column(c).length(), 1.0f, 1e-6f);
    EXPECT_EQ(v.pressPick.kind, kPickNothing);
    v.pendingTool = v.pendingPartner = nullptr; // the library's, not the view's
}

TEST_F(ReleaseHandlers, RemoveLinkAndUnlinkUndoInOneStep) {
    click(Command::Link, on(a), on(b));
    EXPECT_EQ(a->next, b);
    expectUndoRedo();
    click(Command::Unlink, on(a));
    EXPECT_EQ(a->next, a);
    expectUndoRedo();
    click(Command::Link, on(a), on(a));
    EXPECT_EQ(v.undoStack.acts.size(), 2u) << "linking an object with itself records nothing";
    click(Command::Remove, on(a));
    EXPECT_EQ(v.undoStack.acts.size(), 3u);
    expectUndoRedo();
}

TEST_F(ReleaseHandlers, PickTakesACopyIntoTheLibraryAndItsPartnerStaysTheLibrarys) {
    const size_t library = v.scene->toolRoot->children.size();
    click(Command::Pick, on(a));
    ASSERT_EQ(v.scene->toolRoot->children.size(), library + 1);
    EXPECT_EQ(v.pendingTool, v.scene->currentTool);
    EXPECT_EQ(v.pendingTool->element, a->element);
    EXPECT_TRUE(v.undoStack.acts.empty());

    auto* lone = new test::TwoEnds;
    v.scene->sceneRoot->addChild(lone, false);
    click(Command::Pick, on(lone));
    EXPECT_EQ(v.scene->toolRoot->children.size(), library + 1) << "no partner, nothing taken";
    lone->other = b;
    click(Command::Pick, on(lone));
    Tool* partner = v.pendingPartner;
    ASSERT_NE(partner, nullptr);
    v.makeInsertTool(InsertKind::Cube, false); // choosing another kind leaves the library's partner alone
    EXPECT_GE(v.scene->toolRoot->indexOfChild(partner), 0);
}

TEST_F(ReleaseHandlers, ComponentsComeWithThePressedLookOrNotAtAll) {
    Tool* blob = test::addSceneObject(*v.scene, new Blob, mat4());
    const size_t library = v.scene->toolRoot->children.size();
    for (Command c : {Command::PickComponent, Command::DetachComponent, Command::PickPatch}) {
        click(c, on(blob), on(a));
        EXPECT_EQ(after, before) << "command " << int(c);
    }
    a->material.red = 4321;
    a->flags |= TransparentFlag;
    PickRecord onTriangle = on(a);
    onTriangle.itemId = 0;
    click(Command::PickComponent, onTriangle);
    ASSERT_EQ(v.scene->toolRoot->children.size(), library + 1);
    EXPECT_EQ(v.pendingTool->material.red, 4321);
    EXPECT_EQ(v.pendingTool->transform, a->transform);
    EXPECT_NE(v.pendingTool->flags & TransparentFlag, 0);
    EXPECT_EQ(v.mode, ASSEMBLY);
}

TEST_F(ReleaseHandlers, AChildAddedWithoutARecordLeavesNoEarlierRecordAimedAtAnotherTool) {
    Tool* source = test::addSceneObject(*v.scene, new Parts, mat4::translation(vec3(0, 2, 0)));
    // b moved: its record names b by its place in the scene
    v.setMode(ASSEMBLY);
    v.setAssemblyCommand(Command::Move);
    v.pressPick = on(b);
    v.frame(true);
    v.hoverPick.delta = vec3(0, 0.5f, 0);
    v.frame(true, false, 101, 100);
    v.frame(false, false, 101, 100);
    ASSERT_EQ(v.undoStack.acts.size(), 1u);

    // a part taken under a, which comes before b: every later tool moves one place on
    click(Command::DetachComponent, on(source), on(a));
    ASSERT_EQ(a->children.size(), 1u);
    Tool* part = a->children[0];
    const mat4 partPivot = part->pivot, partTransform = part->transform;
    v.undo();
    EXPECT_EQ(part->pivot, partPivot) << "Undo must not reach a tool its record was not made for";
    EXPECT_EQ(part->transform, partTransform);
}

TEST_F(ReleaseHandlers, MirrorReflectsAndAlignOntoAnOppositeFaceTurns) {
    PickRecord q = on(a);
    q.point = vec3(2, 0, 0); // the drag spans the plane x = 1 through the press
    click(Command::Mirror, on(a), q);
    const mat4 m = a->composeMatrix();
    EXPECT_NEAR((vec3(0, 0, 0) * m).x, 1.0f, 1e-6f);
    EXPECT_NEAR((vec3(1, 0, 0) * m).x, 0.0f, 1e-6f);
    EXPECT_NEAR((vec3(0, 1, 0) * m).y, 1.0f, 1e-6f);
    expectUndoRedo();

    click(Command::Align, on(b, {0, 0, 1}), on(a, {0, 0, -1}));
    const mat4 k = b->composeMatrix();
    EXPECT_GT(det(k.upper3()), 0.0f) << "a turn, not a mirror";
    EXPECT_NEAR(normalize(transformDirection(vec3(0, 0, 1), k)).z, -1.0f, 1e-5f);
    expectUndoRedo();
}

TEST_F(ReleaseHandlers, AFlattenedToolIsLeftAloneAndFinite) {
    a->pivot = mat4::scaling(1, 1, 0);
    a->pivot *= mat4::translation(vec3(1, 0, 0));
    for (Command c : {Command::Mirror, Command::ConstrainRotation, Command::Align, Command::MatchObjectPivot}) {
        v.undoStack.clear();
        const mat4 pivot = a->pivot, transform = a->transform;
        click(c, on(a), on(b, {1, 0, 0}));
        EXPECT_EQ(a->pivot, pivot) << "command " << int(c);
        EXPECT_EQ(a->transform, transform) << "command " << int(c);
        EXPECT_EQ(a->rotationAxis, vec3(0, 0, 0)) << "command " << int(c);
        for (Act* act : v.undoStack.acts) EXPECT_FALSE(act->hasEffect()) << "command " << int(c);
    }
}

TEST_F(ReleaseHandlers, ConstraintsAndPivotsFollowThePressedFrame) {
    a->pivot = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), 0.5f));
    a->pivot *= mat4::scaling(2, 1, 1);
    const vec3 n = normalize(vec3(1, 1, 0));
    click(Command::ConstrainRotation, on(a), on(b, n));
    const vec3 back = normalize(a->rotationAxis * a->pivot.upper3()); // out of the pivot frame
    EXPECT_NEAR(back.x, n.x, 1e-5f);
    EXPECT_NEAR(back.y, n.y, 1e-5f);
    EXPECT_NEAR(a->rotationAxis.length(), 1.0f, 1e-6f);
    expectUndoRedo();
    const vec3 axis = a->rotationAxis;
    click(Command::CounterConstrainRotation, on(a), on(b, n));
    EXPECT_NEAR(a->rotationAxis.x, -axis.x, 1e-6f);
    click(Command::ConstrainTranslation, on(a), on(b, n));
    click(Command::RemoveTranslationConstraint, on(a));
    EXPECT_EQ(a->translationAxis, vec3(0, 0, 0));
    v.undo();
    EXPECT_NEAR(a->translationAxis.x, axis.x, 1e-6f);

    a->pivot = mat4::translation(vec3(1, 0, 0));
    a->transform = mat4::translation(vec3(0, 2, 0));
    const mat4 world = a->composeMatrix();
    const vec3 pivotBefore = a->pivot.translation();
    click(Command::MatchPivot, on(a), on(a));
    EXPECT_NEAR((a->pivot.translation() - pivotBefore).y, 2.0f, 1e-6f);
    EXPECT_NEAR((vec3(0.5f, 0.5f, 0.5f) * a->composeMatrix() - vec3(0.5f, 0.5f, 0.5f) * world).length(), 0.0f, 1e-5f);
    expectUndoRedo();
}

TEST_F(ReleaseHandlers, OrientationTogglesBetweenItsModes) {
    for (uint8_t start : {uint8_t(0), uint8_t(0x40), uint8_t(0xC0)}) {
        a->flags = uint8_t((a->flags & 0x3F) | start);
        click(Command::Orientation, on(a));
        EXPECT_EQ(a->flags & FacingMask, 0x80);
        click(Command::Orientation, on(a));
        EXPECT_EQ(a->flags & FacingMask, 0);
    }
}

TEST_F(ReleaseHandlers, DialogsAnswerThroughTheViewsInterface) {
    struct Answers : test::NoDialog {
        bool ok = true, open = false, accept = false, asked = false;
        pbr material;
        pbr currentMaterial() override { return material; }
        uint8_t currentMask() override { return 0xFF; }
        bool dialogOpen() override { return open; }
        bool accepted() override { return accept; }
        bool askRotationMultiplicity(double& value) override {
            asked = true;
            if (ok) value = 2.5;
            return ok;
        }
        bool openMaterialDialog(Tool*) override { return open = true; }
    } answers;
    v.materialSource = &answers;
    click(Command::RotateMultiplicity, on(a));
    EXPECT_EQ(a->multiplicity, 2.5f);
    answers.ok = false;
    answers.asked = false;
    v.pressPick = on(a);
    v.frame(true);
    v.frame(true, true);
    v.frame(false, true); // left up with the right held: no question yet
    EXPECT_FALSE(answers.asked);
    v.frame(false, false);
    EXPECT_EQ(a->multiplicity, 2.5f);

    const pbr original = a->material;
    answers.material.red = 99;
    click(Command::Material, on(a));
    v.frame(false, false, 101, 100);
    EXPECT_EQ(a->material.red, 99) << "the edit follows the dialog";
    answers.open = false;
    v.frame(false, false, 102, 100);
    EXPECT_EQ(a->material, original) << "cancelled";
    v.undoStack.clear();
    answers.material = a->material;
    answers.accept = true;
    click(Command::Material, on(a));
    answers.open = false;
    v.frame(false, false, 103, 100);
    EXPECT_TRUE(v.undoStack.acts.empty()) << "accepted unchanged: no record";
    v.materialSource = nullptr;
}
