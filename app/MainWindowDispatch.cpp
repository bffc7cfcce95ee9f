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
    Mode, Command, PivotMode, InsertKind, Thickness, AxisShape, SectionShape, Hierarchy, Brush, Background,
    Frame, Placement, Projection, RelativeToChild, AddOnLinked, AddLinked, Closed, LensChromatism,
    ObjectsChromatism, MirrorX, MirrorY, MirrorZ, RotationX, RotationY, RotationZ,
};

struct ViewCheck {
    const char* action;
    Setting setting;
    int value;  // the action is checked while the setting has this value
};

// An action may stand for several values (Place for Place and Draw, Tube for both tube kinds).
const ViewCheck viewChecks[] = {
    {"actionAssembly", Setting::Mode, kal::ASSEMBLY}, {"actionSculpt", Setting::Mode, kal::SCULPT},

    {"actionInsert", Setting::Command, 0}, {"actionPlace", Setting::Command, 2}, {"actionPlace", Setting::Command, 9},
    {"actionInverse_Kinematics", Setting::Command, 16}, {"actionAsmMove", Setting::Command, 17},
    {"actionAsmRotate", Setting::Command, 18}, {"actionAsmScale", Setting::Command, 19},
    {"actionAsmMirror", Setting::Command, 20}, {"actionAsmRotateScale", Setting::Command, 21},
    {"actionRotation_Multiplicity", Setting::Command, 23}, {"actionMaterial", Setting::Command, 28},
    {"actionLink", Setting::Command, 35}, {"actionUnlink", Setting::Command, 36},
    {"actionConstrain_Rotation", Setting::Command, 37}, {"actionConstrain_Movement", Setting::Command, 39},
    {"actionAlign", Setting::Command, 43}, {"actionMatch_Pivot", Setting::Command, 46},
    {"actionDynamics_2", Setting::Command, 52},

    {"actionObject_Pivot", Setting::PivotMode, 0}, {"actionObject", Setting::PivotMode, 1},
    {"actionPivot", Setting::PivotMode, 2},

    {"actionUse_Tool", Setting::InsertKind, 0}, {"actionTetrahedron", Setting::InsertKind, 1},
    {"actionCube", Setting::InsertKind, 2}, {"actionOctahedron", Setting::InsertKind, 3},
    {"actionDodecahedron", Setting::InsertKind, 4}, {"actionIcosahedron", Setting::InsertKind, 5},
    {"actionSphere", Setting::InsertKind, 6}, {"actionCylinder", Setting::InsertKind, 7},
    {"actionCapsule", Setting::InsertKind, 8}, {"actionProfile", Setting::InsertKind, 9},
    {"actionUniform_Profile", Setting::InsertKind, 10}, {"actionPillow_Profile", Setting::InsertKind, 11},
    {"actionBlob_Profile", Setting::InsertKind, 12}, {"actionChamfer_Profile", Setting::InsertKind, 13},
    {"actionChisel_Profile", Setting::InsertKind, 14}, {"actionConvex_Profile", Setting::InsertKind, 15},
    {"actionConvex_Sharp_Profile", Setting::InsertKind, 16}, {"actionScoop_Profile", Setting::InsertKind, 17},
    {"actionRevoluton", Setting::InsertKind, 18}, {"actionTube", Setting::InsertKind, 19},
    {"actionTube", Setting::InsertKind, 20}, {"actionArray", Setting::InsertKind, 21},
    {"actionChain", Setting::InsertKind, 22}, {"actionGuide", Setting::InsertKind, 23},
    {"actionHydraulics", Setting::InsertKind, 24}, {"actionMuscle", Setting::InsertKind, 25},
    {"actionLightning", Setting::InsertKind, 26}, {"actionCable", Setting::InsertKind, 27},

    {"actionThin", Setting::Thickness, 0}, {"actionThick", Setting::Thickness, 1}, {"actionHalf", Setting::Thickness, 2},

    {"actionAxisFree", Setting::AxisShape, 0}, {"actionAxisSegment", Setting::AxisShape, 1},
    {"actionAxisTriangle", Setting::AxisShape, 2}, {"actionAxisSquare", Setting::AxisShape, 3},
    {"actionAxisPentagon", Setting::AxisShape, 4}, {"actionAxisHexagon", Setting::AxisShape, 5},
    {"actionAxisNGon", Setting::AxisShape, 6}, {"actionAxisCircle", Setting::AxisShape, 7},
    {"actionAxisTrefoilKnot", Setting::AxisShape, 8}, {"actionAxisKnot", Setting::AxisShape, 9},
    {"actionAxisChainlink", Setting::AxisShape, 10},
    {"actionSectionFree", Setting::SectionShape, 0}, {"actionSectionSegment", Setting::SectionShape, 1},
    {"actionSectionTriangle", Setting::SectionShape, 2}, {"actionSectionSquare", Setting::SectionShape, 3},
    {"actionSectionPentagon", Setting::SectionShape, 4}, {"actionSectionHexagon", Setting::SectionShape, 5},
    {"actionSectionNGon", Setting::SectionShape, 6}, {"actionSectionCircle", Setting::SectionShape, 7},

    {"actionAdd_To_Scene", Setting::Hierarchy, 0}, {"actionAdd_To_Parent", Setting::Hierarchy, 1},
    {"actionAdd_To_Child", Setting::Hierarchy, 2},

    {"actionMove", Setting::Brush, 1}, {"actionRotate", Setting::Brush, 3}, {"actionScale", Setting::Brush, 5},
    {"actionMirror", Setting::Brush, 7}, {"actionScale_Direction", Setting::Brush, 9},
    {"actionDeform", Setting::Brush, 12}, {"actionDeform_Volume", Setting::Brush, 13},
    {"actionSmooth", Setting::Brush, 15}, {"actionInflate", Setting::Brush, 20},
    {"actionDeflate", Setting::Brush, 21}, {"actionGrow", Setting::Brush, 22}, {"actionPinch", Setting::Brush, 23},
    {"actionTwist", Setting::Brush, 24}, {"actionFlatten", Setting::Brush, 25}, {"actionPaint", Setting::Brush, 29},
    {"actionFill", Setting::Brush, 30}, {"actionErase_Component", Setting::Brush, 32},
    {"actionErase_Patch", Setting::Brush, 34}, {"actionErase_Feature", Setting::Brush, 35},
    {"actionExtrude", Setting::Brush, 36}, {"actionExtrude_Scale", Setting::Brush, 37},
    {"actionExtrude_Deform", Setting::Brush, 38}, {"actionBevel", Setting::Brush, 40},
    {"actionNormal_Tear", Setting::Brush, 41}, {"actionScale_Tear", Setting::Brush, 42},
    {"actionDeform_Tear", Setting::Brush, 44}, {"actionCut_Plane", Setting::Brush, 47},
    {"actionClip_Plane", Setting::Brush, 48}, {"actionSub_Plane", Setting::Brush, 49},
    {"actionCut_Sphere", Setting::Brush, 52}, {"actionClip_Sphere", Setting::Brush, 53},
    {"actionAdd_Sphere", Setting::Brush, 54}, {"actionSub_Sphere", Setting::Brush, 55},
    {"actionPattern_0", Setting::Brush, 67}, {"actionPattern_1", Setting::Brush, 68},
    {"actionPattern_2", Setting::Brush, 69}, {"actionPattern_3", Setting::Brush, 70},
    {"actionPattern_4", Setting::Brush, 71},

    {"actionColor_4", Setting::Background, 0}, {"actionImage", Setting::Background, 1},
    {"actionEnvironment", Setting::Background, 2},
    {"actionScreen_Frame", Setting::Frame, 0}, {"actionWorld_Frame", Setting::Frame, 1},
    {"actionObject_Frame", Setting::Frame, 2},
    {"actionOn_Object", Setting::Placement, 1}, {"actionSame_Depth", Setting::Placement, 2},
    {"actionOn_Normal", Setting::Placement, 3}, {"actionNormal_Plane", Setting::Placement, 4},
    {"actionTangent_Plane", Setting::Placement, 5},
    {"actionOrthogonal", Setting::Projection, 0}, {"actionPerspective", Setting::Projection, 1},

    {"actionRelative_To_Child", Setting::RelativeToChild, 1}, {"actionAdd_On_All_Instances", Setting::AddOnLinked, 1},
    {"actionAdd_Linked", Setting::AddLinked, 1}, {"actionClosed", Setting::Closed, 1},
    {"actionLens_Chromatism", Setting::LensChromatism, 1},
    {"actionObjects_Chromatism", Setting::ObjectsChromatism, 1},
    {"actionX_Mirror_Symmetry", Setting::MirrorX, 1}, {"actionY_Mirror_Symmetry", Setting::MirrorY, 1},
    {"actionZ_Mirror_Symmetry", Setting::MirrorZ, 1}, {"actionX_Rotation_Symmetry", Setting::RotationX, 1},
    {"actionY_Rotation_Symmetry", Setting::RotationY, 1}, {"actionZ_Rotation_Symmetry", Setting::RotationZ, 1},
};

int settingValue(const kal::GLView& v, Setting s)
{
    switch (s) {
    case Setting::Mode: return v.chosenMode;
    case Setting::Command: return v.chosenCommand;
    case Setting::PivotMode: return v.pivotMode;
    case Setting::InsertKind: return v.insertKind;
    case Setting::Thickness: return v.thickness;
    case Setting::AxisShape: return v.axisShape;
    case Setting::SectionShape: return v.sectionShape;
    case Setting::Hierarchy: return v.hierarchyTarget;
    case Setting::Brush: return v.chosenBrush;
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
int checkedInView(const kal::GLView& v, const QAction* a)
{
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

void MainWindow::showViewState(QAction* action)
{
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
        if (on == 1) named = a;
        else if (on == 0) a->setChecked(false);
    }
    if (named) named->setChecked(true);
}

bool MainWindow::modeGuard(int mode, QAction* action)
{
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

bool MainWindow::idleGuard(QAction* action)
{
    if (view()->isIdle()) return true;
    showViewState(action);
    return false;
}

bool MainWindow::sculptGestureGuard(QAction* action)
{
    const kal::GLView* v = view();
    if (v->isIdle() || v->mode != kal::SCULPT) return true;
    showViewState(action);
    return false;
}

bool MainWindow::ikGuard()
{
    const kal::GLView* v = view();
    return v->chosenMode == kal::ASSEMBLY && v->command == 16;
}

bool MainWindow::ctrlHeld() const { return kal::keyboard.isDown(kal::VkControl); }

void MainWindow::restorePlacementCommand()
{
    kal::GLView* v = view();
    if (simpleMode()) {
        ui->actionPlace->setChecked(true);
        v->setAssemblyCommand(v->lastPlacingCommand);
        return;
    }
    const int c = v->lastPlacingCommand;
    if (c == kal::CommandPlace || c == kal::CommandDraw) {
        ui->actionPlace->setChecked(true);
        v->setAssemblyCommand(c);
    } else if (c == kal::CommandInsert) {
        ui->actionInsert->setChecked(true);
        v->setAssemblyCommand(kal::CommandInsert);
    }
}

// The viewport erases the last drawn point or the hovered object on its next tick.
void MainWindow::on_actionBackspace_triggered() { kal::backspaceRequest = 1; }

// Slots whose work is still to come pass their guard and stop there.
void MainWindow::on_actionAnimate_Camera_triggered() {}
void MainWindow::on_actionGlow_triggered() {}
void MainWindow::on_actionContour_triggered() { idleGuard(ui->actionContour); }
void MainWindow::on_actionPrevious_Tool_triggered() { modeGuard(kal::ASSEMBLY, ui->actionPrevious_Tool); }
void MainWindow::on_actionNext_Tool_triggered() { modeGuard(kal::ASSEMBLY, ui->actionNext_Tool); }
void MainWindow::on_actionAdd_To_Scene_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAdd_To_Scene); }
void MainWindow::on_actionAdd_To_Parent_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAdd_To_Parent); }
void MainWindow::on_actionAdd_To_Child_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAdd_To_Child); }
void MainWindow::on_actionRelative_To_Child_triggered() { modeGuard(kal::ASSEMBLY, ui->actionRelative_To_Child); }
void MainWindow::on_actionInsert_triggered() { modeGuard(kal::ASSEMBLY, ui->actionInsert); }
void MainWindow::on_actionPlace_triggered() { modeGuard(kal::ASSEMBLY, ui->actionPlace); }
void MainWindow::on_actionMaterial_triggered() { modeGuard(kal::ASSEMBLY, ui->actionMaterial); }
void MainWindow::on_actionLens_Chromatism_triggered() { idleGuard(ui->actionLens_Chromatism); }
void MainWindow::on_actionObjects_Chromatism_triggered() { idleGuard(ui->actionObjects_Chromatism); }
void MainWindow::on_actionDeform_triggered() { modeGuard(kal::SCULPT, ui->actionDeform); }
void MainWindow::on_actionDeform_Volume_triggered() { modeGuard(kal::SCULPT, ui->actionDeform_Volume); }
void MainWindow::on_actionRelax_triggered() { modeGuard(kal::SCULPT, ui->actionRelax); }
void MainWindow::on_actionSmooth_triggered() { modeGuard(kal::SCULPT, ui->actionSmooth); }
void MainWindow::on_actionInflate_triggered() { modeGuard(kal::SCULPT, ui->actionInflate); }
void MainWindow::on_actionDeflate_triggered() { modeGuard(kal::SCULPT, ui->actionDeflate); }
void MainWindow::on_actionGrow_triggered() { modeGuard(kal::SCULPT, ui->actionGrow); }
void MainWindow::on_actionPinch_triggered() { modeGuard(kal::SCULPT, ui->actionPinch); }
void MainWindow::on_actionAdd_Linked_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAdd_Linked); }
void MainWindow::on_actionLink_triggered() { modeGuard(kal::ASSEMBLY, ui->actionLink); }
void MainWindow::on_actionAdd_On_All_Instances_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAdd_On_All_Instances); }
void MainWindow::on_actionUnlink_triggered() { modeGuard(kal::ASSEMBLY, ui->actionUnlink); }
void MainWindow::on_actionMatch_Pivot_triggered() { modeGuard(kal::ASSEMBLY, ui->actionMatch_Pivot); }
void MainWindow::on_actionReplace_Tool_triggered() { modeGuard(kal::ASSEMBLY, ui->actionReplace_Tool); }
void MainWindow::on_actionGroups_triggered() {}
void MainWindow::on_actionDisplay_triggered() {}
void MainWindow::on_actionCube_triggered() { modeGuard(kal::ASSEMBLY, ui->actionCube); }
void MainWindow::on_actionUse_Tool_triggered() { modeGuard(kal::ASSEMBLY, ui->actionUse_Tool); }
void MainWindow::on_actionTetrahedron_triggered() { modeGuard(kal::ASSEMBLY, ui->actionTetrahedron); }
void MainWindow::on_actionDodecahedron_triggered() { modeGuard(kal::ASSEMBLY, ui->actionDodecahedron); }
void MainWindow::on_actionOctahedron_triggered() { modeGuard(kal::ASSEMBLY, ui->actionOctahedron); }
void MainWindow::on_actionIcosahedron_triggered() { modeGuard(kal::ASSEMBLY, ui->actionIcosahedron); }
void MainWindow::on_actionSphere_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSphere); }
void MainWindow::on_actionConstrain_Rotation_triggered() { modeGuard(kal::ASSEMBLY, ui->actionConstrain_Rotation); }
void MainWindow::on_actionConstrain_Movement_triggered() { modeGuard(kal::ASSEMBLY, ui->actionConstrain_Movement); }
void MainWindow::on_actionAlign_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAlign); }
void MainWindow::on_actionRevoluton_triggered() { modeGuard(kal::ASSEMBLY, ui->actionRevoluton); }
void MainWindow::on_actionExtrude_triggered() { modeGuard(kal::SCULPT, ui->actionExtrude); }
void MainWindow::on_actionSelect_Component_triggered() { modeGuard(kal::SCULPT, ui->actionSelect_Component); }
void MainWindow::on_actionSelect_Patch_triggered() { modeGuard(kal::SCULPT, ui->actionSelect_Patch); }
void MainWindow::on_actionExtrude_Scale_triggered() { modeGuard(kal::SCULPT, ui->actionExtrude_Scale); }
void MainWindow::on_actionExtrude_Deform_triggered() { modeGuard(kal::SCULPT, ui->actionExtrude_Deform); }
void MainWindow::on_actionCut_Sphere_triggered() { modeGuard(kal::SCULPT, ui->actionCut_Sphere); }
void MainWindow::on_actionExtrude_Inflate_triggered() { modeGuard(kal::SCULPT, ui->actionExtrude_Inflate); }
void MainWindow::on_actionCut_Plane_triggered() { modeGuard(kal::SCULPT, ui->actionCut_Plane); }
void MainWindow::on_actionErase_Component_triggered() { modeGuard(kal::SCULPT, ui->actionErase_Component); }
void MainWindow::on_actionErase_Patch_triggered() { modeGuard(kal::SCULPT, ui->actionErase_Patch); }
void MainWindow::on_actionErase_Feature_triggered() { modeGuard(kal::SCULPT, ui->actionErase_Feature); }
void MainWindow::on_actionRotate_triggered() { modeGuard(kal::SCULPT, ui->actionRotate); }
void MainWindow::on_actionScale_triggered() { modeGuard(kal::SCULPT, ui->actionScale); }
void MainWindow::on_actionMove_triggered() { modeGuard(kal::SCULPT, ui->actionMove); }
void MainWindow::on_actionMirror_triggered() { modeGuard(kal::SCULPT, ui->actionMirror); }
void MainWindow::on_actionSubdivide_triggered() {}
void MainWindow::on_actionSelect_All_Patches_triggered() { modeGuard(kal::SCULPT, ui->actionSelect_All_Patches); }
void MainWindow::on_actionNormal_Tear_triggered() { modeGuard(kal::SCULPT, ui->actionNormal_Tear); }
void MainWindow::on_actionScale_Tear_triggered() { modeGuard(kal::SCULPT, ui->actionScale_Tear); }
void MainWindow::on_actionInflate_Tear_triggered() { modeGuard(kal::SCULPT, ui->actionInflate_Tear); }
void MainWindow::on_actionDeform_Tear_triggered() { modeGuard(kal::SCULPT, ui->actionDeform_Tear); }
void MainWindow::on_actionClip_Plane_triggered() { modeGuard(kal::SCULPT, ui->actionClip_Plane); }
void MainWindow::on_actionClip_Sphere_triggered() { modeGuard(kal::SCULPT, ui->actionClip_Sphere); }
void MainWindow::on_actionSub_Plane_triggered() { modeGuard(kal::SCULPT, ui->actionSub_Plane); }
void MainWindow::on_actionProfile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionProfile); }
void MainWindow::on_actionPressure_Size_triggered() {}
void MainWindow::on_actionBevel_triggered() { modeGuard(kal::SCULPT, ui->actionBevel); }
void MainWindow::on_actionClosed_triggered() { modeGuard(kal::ASSEMBLY, ui->actionClosed); }
void MainWindow::on_actionDraw_X_Mirror_triggered() {}
void MainWindow::on_actionDraw_Y_Mirror_triggered() {}
void MainWindow::on_actionDraw_Z_Mirror_triggered() {}
void MainWindow::on_actionDraw_X_Rotation_triggered() {}
void MainWindow::on_actionDraw_Y_Rotation_triggered() {}
void MainWindow::on_actionDraw_Z_Rotation_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_2_triggered() {}
void MainWindow::on_actionDraw_Rotation_Items_3_triggered() {}
void MainWindow::on_actionAnimate_triggered() {}
void MainWindow::on_actionTube_triggered() { modeGuard(kal::ASSEMBLY, ui->actionTube); }
void MainWindow::on_actionAxisFree_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisFree); }
void MainWindow::on_actionAxisSegment_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisSegment); }
void MainWindow::on_actionAxisTriangle_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisTriangle); }
void MainWindow::on_actionAxisSquare_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisSquare); }
void MainWindow::on_actionAxisPentagon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisPentagon); }
void MainWindow::on_actionAxisHexagon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisHexagon); }
void MainWindow::on_actionAxisNGon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisNGon); }
void MainWindow::on_actionAxisCircle_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisCircle); }
void MainWindow::on_actionAxisTrefoilKnot_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisTrefoilKnot); }
void MainWindow::on_actionAxisKnot_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisKnot); }
void MainWindow::on_actionSectionFree_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionFree); }
void MainWindow::on_actionSectionSegment_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionSegment); }
void MainWindow::on_actionSectionTriangle_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionTriangle); }
void MainWindow::on_actionSectionSquare_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionSquare); }
void MainWindow::on_actionSectionPentagon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionPentagon); }
void MainWindow::on_actionSectionHexagon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionHexagon); }
void MainWindow::on_actionSectionNGon_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionNGon); }
void MainWindow::on_actionSectionCircle_triggered() { modeGuard(kal::ASSEMBLY, ui->actionSectionCircle); }
void MainWindow::on_actionUniform_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionUniform_Profile); }
void MainWindow::on_actionPillow_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionPillow_Profile); }
void MainWindow::on_actionChamfer_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionChamfer_Profile); }
void MainWindow::on_actionBlob_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionBlob_Profile); }
void MainWindow::on_actionThin_triggered() { modeGuard(kal::ASSEMBLY, ui->actionThin); }
void MainWindow::on_actionThick_triggered() { modeGuard(kal::ASSEMBLY, ui->actionThick); }
void MainWindow::on_actionHalf_triggered() { modeGuard(kal::ASSEMBLY, ui->actionHalf); }
void MainWindow::on_actionChisel_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionChisel_Profile); }
void MainWindow::on_actionScoop_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionScoop_Profile); }
void MainWindow::on_actionConvex_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionConvex_Profile); }
void MainWindow::on_actionConvex_Sharp_Profile_triggered() { modeGuard(kal::ASSEMBLY, ui->actionConvex_Sharp_Profile); }
void MainWindow::on_actionAxisSection_triggered() { modeGuard(kal::SCULPT, ui->actionAxisSection); }
void MainWindow::on_actionPattern_0_triggered() { modeGuard(kal::SCULPT, ui->actionPattern_0); }
void MainWindow::on_actionPattern_1_triggered() { modeGuard(kal::SCULPT, ui->actionPattern_1); }
void MainWindow::on_actionPattern_2_triggered() { modeGuard(kal::SCULPT, ui->actionPattern_2); }
void MainWindow::on_actionPattern_3_triggered() { modeGuard(kal::SCULPT, ui->actionPattern_3); }
void MainWindow::on_actionPattern_4_triggered() { modeGuard(kal::SCULPT, ui->actionPattern_4); }
void MainWindow::on_actionCylinder_triggered() { modeGuard(kal::ASSEMBLY, ui->actionCylinder); }
void MainWindow::on_actionCapsule_triggered() { modeGuard(kal::ASSEMBLY, ui->actionCapsule); }
void MainWindow::on_actionHide_Transparent_triggered() {}
void MainWindow::on_actionScale_Direction_triggered() { modeGuard(kal::SCULPT, ui->actionScale_Direction); }
void MainWindow::on_actionAxisChainlink_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAxisChainlink); }
void MainWindow::on_actionRender_Simple_triggered() {}
void MainWindow::on_actionTwist_triggered() { modeGuard(kal::SCULPT, ui->actionTwist); }
void MainWindow::on_actionFlatten_triggered() { modeGuard(kal::SCULPT, ui->actionFlatten); }
void MainWindow::on_actionHydraulics_triggered() { modeGuard(kal::ASSEMBLY, ui->actionHydraulics); }
void MainWindow::on_actionMuscle_triggered() { modeGuard(kal::ASSEMBLY, ui->actionMuscle); }
void MainWindow::on_actionGuide_triggered() { modeGuard(kal::ASSEMBLY, ui->actionGuide); }
void MainWindow::on_actionHandles_triggered() {}
void MainWindow::on_actionLightning_triggered() { modeGuard(kal::ASSEMBLY, ui->actionLightning); }
void MainWindow::on_actionCable_triggered() { modeGuard(kal::ASSEMBLY, ui->actionCable); }
void MainWindow::on_actionDynamics_2_triggered() { modeGuard(kal::ASSEMBLY, ui->actionDynamics_2); }
void MainWindow::on_actionSnap_Symmetry_triggered() {}
void MainWindow::on_actionSnap_Grid_triggered() {}
void MainWindow::on_actionSub_Sphere_triggered() { modeGuard(kal::SCULPT, ui->actionSub_Sphere); }
void MainWindow::on_actionTurntable_triggered() {}
void MainWindow::on_actionInverse_Kinematics_triggered() { modeGuard(kal::ASSEMBLY, ui->actionInverse_Kinematics); }
void MainWindow::on_actionPivots_triggered() {}
void MainWindow::on_actionRotation_Multiplicity_triggered() { modeGuard(kal::ASSEMBLY, ui->actionRotation_Multiplicity); }
void MainWindow::on_actionIK_Chain_triggered() { ikGuard(); }
void MainWindow::on_actionIK_Chain_2_triggered() { ikGuard(); }
void MainWindow::on_actionIK_Chain_Reset_triggered() { ikGuard(); }
void MainWindow::on_actionChain_triggered() { modeGuard(kal::ASSEMBLY, ui->actionChain); }
void MainWindow::on_actionBlock_Size_triggered() {}
void MainWindow::on_actionObject_Pivot_triggered() { modeGuard(kal::ASSEMBLY, ui->actionObject_Pivot); }
void MainWindow::on_actionObject_triggered() { modeGuard(kal::ASSEMBLY, ui->actionObject); }
void MainWindow::on_actionPivot_triggered() { modeGuard(kal::ASSEMBLY, ui->actionPivot); }
void MainWindow::on_actionAsmRotateScale_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAsmRotateScale); }
void MainWindow::on_actionAsmMirror_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAsmMirror); }
void MainWindow::on_actionAsmScale_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAsmScale); }
void MainWindow::on_actionAsmMove_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAsmMove); }
void MainWindow::on_actionAsmRotate_triggered() { modeGuard(kal::ASSEMBLY, ui->actionAsmRotate); }
void MainWindow::openMenu() {}
void MainWindow::on_actionWireframe_triggered() {}
void MainWindow::on_actionSelection_triggered() {}
void MainWindow::on_actionSculpt_Unique_triggered() {}
void MainWindow::on_actionAs_Tri_Mesh_triggered() {}
void MainWindow::on_actionAs_Clay_triggered() {}
void MainWindow::on_actionPick_Object_triggered() {}
void MainWindow::on_actionPick_Element_triggered() {}
void MainWindow::on_actionPick_Component_triggered() {}
void MainWindow::on_actionPick_Patch_triggered() {}
void MainWindow::on_actionPick_Feature_triggered() {}
void MainWindow::on_actionDelete_Object_triggered() {}
void MainWindow::on_actionDelete_Element_triggered() {}
void MainWindow::on_actionDelete_Component_triggered() {}
void MainWindow::on_actionDelete_Patch_triggered() {}
void MainWindow::on_actionDelete_Feature_triggered() {}
void MainWindow::on_actionType_triggered() {}
void MainWindow::on_actionAxis_Subdivide_triggered() {}
void MainWindow::on_actionSection_Subdivide_triggered() {}
void MainWindow::on_actionPick_Object_2_triggered() {}
void MainWindow::on_actionPick_Element_2_triggered() {}
void MainWindow::on_actionConvert_To_Tri_Mesh_triggered() {}
void MainWindow::on_actionConvert_To_Clay_triggered() {}
void MainWindow::on_actionUnique_triggered() {}
void MainWindow::on_actionDelete_Object_Axis_Section_triggered() {}
void MainWindow::on_actionDelete_Element_Axis_Section_triggered() {}
void MainWindow::on_actionTYPE_triggered() {}
void MainWindow::on_actionAXIS_triggered() {}
void MainWindow::on_actionSECTION_triggered() {}
void MainWindow::on_actionDelete_Axis_Component_triggered() {}
void MainWindow::on_actionDelete_Axis_Patch_triggered() {}
void MainWindow::on_actionDelete_Axis_Feature_triggered() {}
void MainWindow::on_actionDelete_Section_Component_triggered() {}
void MainWindow::on_actionDelete_Section_Patch_triggered() {}
void MainWindow::on_actionDelete_Section_Feature_triggered() {}
void MainWindow::on_actionSimple_Delete_triggered() {}
void MainWindow::on_actionSimple_Delete_2_triggered() {}
void MainWindow::on_actionEdge_Detection_triggered() {}
void MainWindow::on_actionUndo_triggered() { idleGuard(ui->actionUndo); }
void MainWindow::on_actionRedo_triggered() { idleGuard(ui->actionRedo); }
void MainWindow::on_actionPaint_triggered() { modeGuard(kal::SCULPT, ui->actionPaint); }
void MainWindow::on_actionColor_4_triggered() { idleGuard(ui->actionColor_4); }
void MainWindow::on_actionImage_triggered() { idleGuard(ui->actionImage); }
void MainWindow::loadEnvironment(QString) {}
void MainWindow::loadEnvironment_triggered() {}
void MainWindow::loadBackgroundImage_triggered() {}
void MainWindow::loadBackgroundColor_triggered() {}
void MainWindow::on_actionEnvironment_triggered() { idleGuard(ui->actionEnvironment); }
void MainWindow::on_actionEnvironment_Blur_triggered() {}
void MainWindow::on_actionEnvironment_Rotation_triggered() {}
void MainWindow::on_actionFill_triggered() { modeGuard(kal::SCULPT, ui->actionFill); }
void MainWindow::on_actionMaterial_2_triggered() { modeGuard(kal::SCULPT, ui->actionMaterial_2); }
void MainWindow::on_actionAdd_Sphere_triggered() { modeGuard(kal::SCULPT, ui->actionAdd_Sphere); }
void MainWindow::on_actionTest_triggered() {}
void MainWindow::on_actionDefault_Light_triggered() {}
void MainWindow::on_actionDefault_Dark_triggered() {}
