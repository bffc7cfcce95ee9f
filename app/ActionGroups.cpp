#include "app/ActionGroups.h"

#include "app/Ui_MainWindow.h"

#include <QActionGroup>

namespace kal::ui {
namespace {

const char* const mode[] = {"actionAssembly", "actionSculpt"};
const char* const assemblyCommand[] = {
    "actionDynamics_2",
    "actionInsert",
    "actionPlace",
    "actionMaterial",
    "actionLink",
    "actionUnlink",
    "actionMatch_Pivot",
    "actionRotation_Multiplicity",
    "actionConstrain_Rotation",
    "actionConstrain_Movement",
    "actionAlign",
    "actionInverse_Kinematics",
    "actionAsmMove",
    "actionAsmRotate",
    "actionAsmScale",
    "actionAsmMirror",
    "actionAsmRotateScale",
};
const char* const transformers[] = {"actionObject_Pivot", "actionObject", "actionPivot"};
const char* const insertKind[] = {
    "actionUse_Tool",
    "actionTetrahedron",
    "actionCube",
    "actionOctahedron",
    "actionDodecahedron",
    "actionIcosahedron",
    "actionSphere",
    "actionCylinder",
    "actionCapsule",
    "actionProfile",
    "actionUniform_Profile",
    "actionPillow_Profile",
    "actionBlob_Profile",
    "actionChamfer_Profile",
    "actionChisel_Profile",
    "actionConvex_Profile",
    "actionConvex_Sharp_Profile",
    "actionScoop_Profile",
    "actionRevoluton",
    "actionTube",
    "actionArray",
    "actionChain",
    "actionGuide",
    "actionHydraulics",
    "actionMuscle",
    "actionLightning",
    "actionCable",
};
const char* const profileThickness[] = {"actionThin", "actionThick", "actionHalf"};
const char* const axisShape[] = {
    "actionAxisFree",      "actionAxisSegment",     "actionAxisTriangle", "actionAxisSquare",
    "actionAxisPentagon",  "actionAxisHexagon",     "actionAxisNGon",     "actionAxisCircle",
    "actionAxisChainlink", "actionAxisTrefoilKnot", "actionAxisKnot",
};
const char* const sectionShape[] = {
    "actionSectionFree",     "actionSectionSegment", "actionSectionTriangle", "actionSectionSquare",
    "actionSectionPentagon", "actionSectionHexagon", "actionSectionNGon",     "actionSectionCircle",
};
const char* const hierarchy[] = {"actionAdd_To_Scene", "actionAdd_To_Parent", "actionAdd_To_Child"};
// The three Erase brushes are added a second time before Move; adding a member again is harmless.
const char* const sculptBrush[] = {
    "actionErase_Component", "actionErase_Patch",   "actionErase_Feature", "actionDeform",
    "actionDeform_Volume",   "actionPaint",         "actionFill",          "actionSmooth",
    "actionInflate",         "actionDeflate",       "actionExtrude",       "actionExtrude_Deform",
    "actionExtrude_Scale",   "actionNormal_Tear",   "actionScale_Tear",    "actionDeform_Tear",
    "actionCut_Plane",       "actionCut_Sphere",    "actionClip_Plane",    "actionClip_Sphere",
    "actionAdd_Sphere",      "actionSub_Sphere",    "actionSub_Plane",     "actionErase_Component",
    "actionErase_Patch",     "actionErase_Feature", "actionMove",          "actionScale",
    "actionScale_Direction", "actionRotate",        "actionMirror",        "actionBevel",
    "actionPinch",           "actionGrow",          "actionTwist",         "actionFlatten",
};
const char* const selection[] = {
    "actionSelect_Element",
    "actionSelect_Component",
    "actionSelect_Patch",
    "actionSelect_All_Patches",
};
const char* const background[] = {"actionColor_4", "actionImage", "actionEnvironment"};
const char* const frame[] = {"actionScreen_Frame", "actionWorld_Frame", "actionObject_Frame"};
const char* const projection[] = {
    "actionSame_Depth", "actionNormal_Plane", "actionTangent_Plane", "actionOn_Object", "actionOn_Normal",
};

template <int N>
Rows<const char*> rowsOf(const char* const (&a)[N]) {
    return {a, N};
}

} // namespace

Rows<const char*> actionGroupRows(int group) {
    switch (group) {
    case 1: return rowsOf(mode);
    case 2: return rowsOf(assemblyCommand);
    case 3: return rowsOf(transformers);
    case 4: return rowsOf(insertKind);
    case 5: return rowsOf(profileThickness);
    case 6: return rowsOf(axisShape);
    case 7: return rowsOf(sectionShape);
    case 8: return rowsOf(hierarchy);
    case 9: return rowsOf(sculptBrush);
    case 10: return rowsOf(selection);
    case 11: return rowsOf(background);
    case 12: return rowsOf(frame);
    case 13: return rowsOf(projection);
    default: return {nullptr, 0};
    }
}

} // namespace kal::ui

QActionGroup* makeActionGroup(QObject* parent, const Ui_MainWindow& ui, int group) {
    if (group < 1 || group > kal::ui::actionGroupCount) return nullptr;
    auto* g = new QActionGroup(parent);
    for (const char* name : kal::ui::actionGroupRows(group))
        if (QAction* a = ui.action(name)) g->addAction(a);
    return g;
}
