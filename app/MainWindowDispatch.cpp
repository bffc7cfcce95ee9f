// How a triggered action reaches the view: the guard each slot passes first, the check marks a
// refused action gets back, the Ctrl state, the Backspace request and the placing command that
// returns after a shape or tool is chosen. The slots' own work lives with their families.

#include "app/MainWindow.h"

#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/GLWidget.h"
#include "viewport/Keyboard.h"
#include "viewport/MouseState.h"

#include <QAction>
#include <QActionGroup>

#include <cstring>

namespace {

// View settings that checkable actions stand for.
enum class Setting {
    Mode,
    Command,
    PivotMode,
    InsertKind,
    Thickness,
    AxisShape,
    SectionShape,
    Hierarchy,
    Brush,
    Background,
    Frame,
    Placement,
    Projection,
    RelativeToChild,
    AddOnLinked,
    AddLinked,
    Closed,
    LensChromatism,
    ObjectsChromatism,
    MirrorX,
    MirrorY,
    MirrorZ,
    RotationX,
    RotationY,
    RotationZ,
};

struct ViewCheck {
    const char* action;
    Setting setting;
    int value; // the action is checked while the setting has this value
};

using C = kal::Command;
using K = kal::InsertKind;
constexpr ViewCheck command(const char* action, C c) { return {action, Setting::Command, int(c)}; }
using B = kal::Brush;
constexpr ViewCheck kind(const char* action, K k) { return {action, Setting::InsertKind, int(k)}; }
constexpr ViewCheck brush(const char* action, B b) { return {action, Setting::Brush, int(b)}; }

// An action may stand for several values (Place for Place and Draw, Tube for both tube kinds).
const ViewCheck viewChecks[] = {
    {"actionAssembly", Setting::Mode, kal::ASSEMBLY},
    {"actionSculpt", Setting::Mode, kal::SCULPT},

    command("actionInsert", C::Insert),
    command("actionPlace", C::Place),
    command("actionPlace", C::Draw),
    command("actionInverse_Kinematics", C::InverseKinematics),
    command("actionAsmMove", C::Move),
    command("actionAsmRotate", C::Rotate),
    command("actionAsmScale", C::Scale),
    command("actionAsmMirror", C::Mirror),
    command("actionAsmRotateScale", C::RotateScale),
    command("actionRotation_Multiplicity", C::RotateMultiplicity),
    command("actionMaterial", C::Material),
    command("actionLink", C::Link),
    command("actionUnlink", C::Unlink),
    command("actionConstrain_Rotation", C::ConstrainRotation),
    command("actionConstrain_Movement", C::ConstrainTranslation),
    command("actionAlign", C::Align),
    command("actionMatch_Pivot", C::MatchPivot),
    command("actionDynamics_2", C::Speed),

    {"actionObject_Pivot", Setting::PivotMode, 0},
    {"actionObject", Setting::PivotMode, 1},
    {"actionPivot", Setting::PivotMode, 2},

    kind("actionUse_Tool", K::UseTool),
    kind("actionTetrahedron", K::Tetrahedron),
    kind("actionCube", K::Cube),
    kind("actionOctahedron", K::Octahedron),
    kind("actionDodecahedron", K::Dodecahedron),
    kind("actionIcosahedron", K::Icosahedron),
    kind("actionSphere", K::Sphere),
    kind("actionCylinder", K::Cylinder),
    kind("actionCapsule", K::Capsule),
    kind("actionProfile", K::Profile),
    kind("actionUniform_Profile", K::UniformProfile),
    kind("actionPillow_Profile", K::PillowProfile),
    kind("actionBlob_Profile", K::BlobProfile),
    kind("actionChamfer_Profile", K::ChamferProfile),
    kind("actionChisel_Profile", K::ChiselProfile),
    kind("actionConvex_Profile", K::ConvexProfile),
    kind("actionConvex_Sharp_Profile", K::ConvexSharpProfile),
    kind("actionScoop_Profile", K::ScoopProfile),
    kind("actionRevoluton", K::Revolution),
    kind("actionTube", K::TubeDrawnSection),
    kind("actionTube", K::Tube),
    kind("actionArray", K::Array),
    kind("actionChain", K::Chain),
    kind("actionGuide", K::Guide),
    kind("actionHydraulics", K::Hydraulics),
    kind("actionMuscle", K::Muscle),
    kind("actionLightning", K::Lightning),
    kind("actionCable", K::Cable),

    {"actionThin", Setting::Thickness, 0},
    {"actionThick", Setting::Thickness, 1},
    {"actionHalf", Setting::Thickness, 2},

    {"actionAxisFree", Setting::AxisShape, 0},
    {"actionAxisSegment", Setting::AxisShape, 1},
    {"actionAxisTriangle", Setting::AxisShape, 2},
    {"actionAxisSquare", Setting::AxisShape, 3},
    {"actionAxisPentagon", Setting::AxisShape, 4},
    {"actionAxisHexagon", Setting::AxisShape, 5},
    {"actionAxisNGon", Setting::AxisShape, 6},
    {"actionAxisCircle", Setting::AxisShape, 7},
    {"actionAxisTrefoilKnot", Setting::AxisShape, 8},
    {"actionAxisKnot", Setting::AxisShape, 9},
    {"actionAxisChainlink", Setting::AxisShape, 10},
    {"actionSectionFree", Setting::SectionShape, 0},
    {"actionSectionSegment", Setting::SectionShape, 1},
    {"actionSectionTriangle", Setting::SectionShape, 2},
    {"actionSectionSquare", Setting::SectionShape, 3},
    {"actionSectionPentagon", Setting::SectionShape, 4},
    {"actionSectionHexagon", Setting::SectionShape, 5},
    {"actionSectionNGon", Setting::SectionShape, 6},
    {"actionSectionCircle", Setting::SectionShape, 7},

    {"actionAdd_To_Scene", Setting::Hierarchy, 0},
    {"actionAdd_To_Parent", Setting::Hierarchy, 1},
    {"actionAdd_To_Child", Setting::Hierarchy, 2},

    brush("actionMove", B::Move),
    brush("actionRotate", B::Rotate),
    brush("actionScale", B::Scale),
    brush("actionMirror", B::Mirror),
    brush("actionScale_Direction", B::ScaleDirection),
    brush("actionDeform", B::Deform),
    brush("actionDeform_Volume", B::DeformVolume),
    brush("actionSmooth", B::Smooth),
    brush("actionInflate", B::Inflate),
    brush("actionDeflate", B::Deflate),
    brush("actionGrow", B::Grow),
    brush("actionPinch", B::Pinch),
    brush("actionTwist", B::Twist),
    brush("actionFlatten", B::Flatten),
    brush("actionPaint", B::PaintMaterial),
    brush("actionFill", B::FillMaterial),
    brush("actionErase_Component", B::EraseComponent),
    brush("actionErase_Patch", B::ErasePatch),
    brush("actionErase_Feature", B::EraseFeature),
    brush("actionExtrude", B::Extrude),
    brush("actionExtrude_Scale", B::ExtrudeScale),
    brush("actionExtrude_Deform", B::ExtrudeDeform),
    brush("actionBevel", B::Bevel),
    brush("actionNormal_Tear", B::TearNormal),
    brush("actionScale_Tear", B::TearScale),
    brush("actionDeform_Tear", B::TearDeform),
    brush("actionCut_Plane", B::CutPlane),
    brush("actionClip_Plane", B::ClipPlane),
    brush("actionSub_Plane", B::SubPlane),
    brush("actionCut_Sphere", B::CutSphere),
    brush("actionClip_Sphere", B::ClipSphere),
    brush("actionAdd_Sphere", B::AddSphere),
    brush("actionSub_Sphere", B::SubSphere),
    brush("actionPattern_0", B::Pattern0),
    brush("actionPattern_1", B::Pattern1),
    brush("actionPattern_2", B::Pattern2),
    brush("actionPattern_3", B::Pattern3),
    brush("actionPattern_4", B::Pattern4),

    {"actionColor_4", Setting::Background, 0},
    {"actionImage", Setting::Background, 1},
    {"actionEnvironment", Setting::Background, 2},
    {"actionScreen_Frame", Setting::Frame, 0},
    {"actionWorld_Frame", Setting::Frame, 1},
    {"actionObject_Frame", Setting::Frame, 2},
    {"actionOn_Object", Setting::Placement, 1},
    {"actionSame_Depth", Setting::Placement, 2},
    {"actionOn_Normal", Setting::Placement, 3},
    {"actionNormal_Plane", Setting::Placement, 4},
    {"actionTangent_Plane", Setting::Placement, 5},
    {"actionOrthogonal", Setting::Projection, 0},
    {"actionPerspective", Setting::Projection, 1},

    {"actionRelative_To_Child", Setting::RelativeToChild, 1},
    {"actionAdd_On_All_Instances", Setting::AddOnLinked, 1},
    {"actionAdd_Linked", Setting::AddLinked, 1},
    {"actionClosed", Setting::Closed, 1},
    {"actionLens_Chromatism", Setting::LensChromatism, 1},
    {"actionObjects_Chromatism", Setting::ObjectsChromatism, 1},
    {"actionX_Mirror_Symmetry", Setting::MirrorX, 1},
    {"actionY_Mirror_Symmetry", Setting::MirrorY, 1},
    {"actionZ_Mirror_Symmetry", Setting::MirrorZ, 1},
    {"actionX_Rotation_Symmetry", Setting::RotationX, 1},
    {"actionY_Rotation_Symmetry", Setting::RotationY, 1},
    {"actionZ_Rotation_Symmetry", Setting::RotationZ, 1},
};

int settingValue(const kal::GLView& v, Setting s) {
    switch (s) {
    case Setting::Mode: return v.chosenMode;
    case Setting::Command: return int(v.chosenCommand);
    case Setting::PivotMode: return v.pivotMode;
    case Setting::InsertKind: return int(v.insertKind);
    case Setting::Thickness: return v.thickness;
    case Setting::AxisShape: return v.axisShape;
    case Setting::SectionShape: return v.sectionShape;
    case Setting::Hierarchy: return v.hierarchyTarget;
    case Setting::Brush: return int(v.chosenBrush);
    case Setting::Background: return v.backgroundMode == 1 || v.backgroundMode == 2 ? v.backgroundMode : 0;
    case Setting::Frame: return v.frame;
    case Setting::Placement: return v.placement;
    case Setting::Projection: return v.perspective;
    case Setting::RelativeToChild: return v.relativeToChild == 2;
    case Setting::AddOnLinked: return v.addOnLinked;
    case Setting::AddLinked: return v.addLinked;
    case Setting::Closed: return v.closed;
    case Setting::LensChromatism: return v.lensChromatism;
    case Setting::ObjectsChromatism: return v.objectsChromatism;
    case Setting::MirrorX: return v.symmetry.mirrorX;
    case Setting::MirrorY: return v.symmetry.mirrorY;
    case Setting::MirrorZ: return v.symmetry.mirrorZ;
    case Setting::RotationX: return v.symmetry.rotationX;
    case Setting::RotationY: return v.symmetry.rotationY;
    case Setting::RotationZ: return v.symmetry.rotationZ;
    }
    return -1;
}

// 1 when the view says the action is on, 0 when off, -1 when the action stands for no setting.
int checkedInView(const kal::GLView& v, const QAction* a) {
    const QByteArray name = a->objectName().toLatin1();
    int answer = -1;
    for (const ViewCheck& c : viewChecks) {
        if (std::strcmp(c.action, name.constData()) != 0) continue;
        if (settingValue(v, c.setting) == c.value) return 1;
        answer = 0;
    }
    return answer;
}

} // namespace

void MainWindow::showViewState(QAction* action) {
    if (!action || !action->isCheckable()) return;
    const kal::GLView& v = *view();
    QActionGroup* group = action->actionGroup();
    if (!group) {
        const int on = checkedInView(v, action);
        // an action that stands for no setting just loses the toggle Qt gave it
        action->setChecked(on < 0 ? !action->isChecked() : on == 1);
        return;
    }
    // Unchecking first lets the member the view names end up checked in the exclusive group.
    QAction* named = nullptr;
    for (QAction* a : group->actions()) {
        const int on = checkedInView(v, a);
        if (on == 1)
            named = a;
        else if (on == 0)
            a->setChecked(false);
    }
    if (named) named->setChecked(true);
}

bool MainWindow::modeGuard(int mode, QAction* action) {
    kal::GLView* v = view();
    if (v->chosenMode == mode) return true;
    if (!v->isIdle()) {
        showViewState(action);
        return false;
    }
    if (v->chosenMode != mode) {
        if (mode == kal::SCULPT)
            setSculptMode(true);
        else
            setAssemblyMode(true);
    }
    return true;
}

bool MainWindow::idleGuard(QAction* action) {
    if (view()->isIdle()) return true;
    showViewState(action);
    return false;
}

bool MainWindow::sculptGestureGuard(QAction* action) {
    const kal::GLView* v = view();
    if (v->isIdle() || v->mode != kal::SCULPT) return true;
    showViewState(action);
    return false;
}

bool MainWindow::ikGuard() {
    const kal::GLView* v = view();
    return v->chosenMode == kal::ASSEMBLY && v->command == kal::Command::InverseKinematics;
}

bool MainWindow::ctrlHeld() const { return kal::keyboard.isDown(kal::VkControl); }

void MainWindow::restorePlacementCommand() {
    kal::GLView* v = view();
    if (simpleMode()) {
        ui->actionPlace->setChecked(true);
        v->setAssemblyCommand(v->lastPlacingCommand);
        return;
    }
    const kal::Command c = v->lastPlacingCommand;
    if (c == kal::Command::Place || c == kal::Command::Draw) {
        ui->actionPlace->setChecked(true);
        v->setAssemblyCommand(c);
    } else if (c == kal::Command::Insert) {
        ui->actionInsert->setChecked(true);
        v->setAssemblyCommand(kal::Command::Insert);
    }
}

// The viewport erases the last drawn point or the hovered object on its next tick.
void MainWindow::on_actionBackspace_triggered() { kal::backspaceRequest = 1; }

// The constructor deletes Animate Camera and the Draw symmetry entries: nothing reaches these.
void MainWindow::on_actionAnimate_Camera_triggered() {}
void MainWindow::on_actionDraw_X_Mirror_triggered() {}
void MainWindow::on_actionDraw_Y_Mirror_triggered() {}
void MainWindow::on_actionDraw_Z_Mirror_triggered() {}
void MainWindow::on_actionDraw_X_Rotation_triggered() {}
void MainWindow::on_actionDraw_Y_Rotation_triggered() {}
void MainWindow::on_actionDraw_Z_Rotation_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_2_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_3_triggered() {}
