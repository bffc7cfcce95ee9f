#pragma once
// The one top-level window: the form's actions and menus, the viewport in the middle, three
// toolbars, the status bar with its progress bar, the two modes with their shared keys, and one
// slot per action. Every slot reaches the viewport through the view of glWidget.

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "scene/Brushes.h"
#include "scene/PickRecord.h"
#include "viewport/Commands.h"

class GLWidget;
class QAction;
class QMenu;
class QToolBar;
class Ui_MainWindow;

namespace kal {
class GLView;
enum class ViewNumber;
enum class ViewSwitch;
class Tool;
namespace ui {
struct ParameterQuestion;
}
} // namespace kal

// The licence display's content: the text up to its first zero byte, escaped and kept preformatted.
QString licenceHtml(QByteArray bytes);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Enables or disables every action of the walk of a menu or toolbar (MenuWalk.h).
    void setMenuActionsEnabled(QMenu* menu, bool enabled);
    void setToolBarActionsEnabled(QToolBar* bar, bool enabled);
    // Makes the window hold every action below the menu, so their keys work whatever is shown.
    void addMenuActions(QMenu* menu);

    // Mode and interface switches (ModeSwitching.cpp).
    void setAssemblyMode(bool enter);
    void setSculptMode(bool enter);
    void setSimpleMode(bool simple);
    bool simpleMode() const;

    // Brings back the placing command after a shape or tool was chosen (MainWindowDispatch.cpp).
    void restorePlacementCommand();

    kal::GLView* view() const;

    QList<QToolBar*> toolBars;
    QToolBar* fullToolBar = nullptr;
    QToolBar* sculptToolBar = nullptr;
    QToolBar* simpleToolBar = nullptr;
    GLWidget* glWidget = nullptr;
    kal::mat3 savedViewRotation;
    bool textDisplay = true; // the window's copy of the view's status-text switch
    QList<QKeySequence> assemblyShortcuts;
    QList<QKeySequence> sculptShortcuts;
    Ui_MainWindow* ui = nullptr;

    // Declared in the order of the window's method table; the form connects them by name.
public slots:
    void setInAction(bool InAction);
    void on_actionAnimate_Camera_triggered();
    void on_actionOrthogonal_triggered();
    void on_actionPerspective_triggered();
    void on_actionGlow_triggered();
    void on_actionAssembly_triggered();
    void on_actionSculpt_triggered();
    void on_actionContour_triggered();
    void on_actionSize_triggered();
    void on_actionSize_2_triggered();
    void on_actionPrevious_Tool_triggered();
    void on_actionNext_Tool_triggered();
    void on_actionAdd_To_Scene_triggered();
    void on_actionAdd_To_Parent_triggered();
    void on_actionAdd_To_Child_triggered();
    void on_actionRelative_To_Child_triggered();
    void on_actionX_Mirror_Symmetry_triggered();
    void on_actionY_Mirror_Symmetry_triggered();
    void on_actionZ_Mirror_Symmetry_triggered();
    void on_actionX_Rotation_Symmetry_triggered();
    void on_actionY_Rotation_Symmetry_triggered();
    void on_actionZ_Rotation_Symmetry_triggered();
    void on_actionRotation_Items_triggered();
    void on_actionNew_triggered();
    void on_actionOpen_triggered();
    void on_actionSave_triggered();
    void on_actionInsert_triggered();
    void on_actionPlace_triggered();
    void on_actionMaterial_triggered();
    void on_actionLens_Chromatism_triggered();
    void on_actionObjects_Chromatism_triggered();
    void on_actionScreen_Frame_triggered();
    void on_actionWorld_Frame_triggered();
    void on_actionObject_Frame_triggered();
    void on_actionRotation_Items_2_triggered();
    void on_actionRotation_Items_3_triggered();
    void on_actionDeform_triggered();
    void on_actionDeform_Volume_triggered();
    void on_actionRelax_triggered();
    void on_actionSmooth_triggered();
    void on_actionInflate_triggered();
    void on_actionDeflate_triggered();
    void on_actionGrow_triggered();
    void on_actionPinch_triggered();
    void on_actionFront_triggered();
    void on_actionBack_triggered();
    void on_actionLeft_triggered();
    void on_actionRight_triggered();
    void on_actionTop_triggered();
    void on_actionBottom_triggered();
    void on_actionAdd_Linked_triggered();
    void on_actionLink_triggered();
    void on_actionAdd_On_All_Instances_triggered();
    void on_actionUnlink_triggered();
    void on_actionQuick_Save_triggered();
    void on_actionMatch_Pivot_triggered();
    void on_actionReplace_Tool_triggered();
    void on_actionGroups_triggered();
    void on_actionDisplay_triggered();
    void on_actionCube_triggered();
    void on_actionUse_Tool_triggered();
    void on_actionTetrahedron_triggered();
    void on_actionDodecahedron_triggered();
    void on_actionOctahedron_triggered();
    void on_actionIcosahedron_triggered();
    void on_actionSphere_triggered();
    void on_actionConstrain_Rotation_triggered();
    void on_actionConstrain_Movement_triggered();
    void on_actionAlign_triggered();
    void on_actionRevoluton_triggered();
    void on_actionFull_Screen_triggered();
    void on_actionExtrude_triggered();
    void on_actionSelect_Element_triggered();
    void on_actionSelect_Component_triggered();
    void on_actionSelect_Patch_triggered();
    void on_actionExtrude_Scale_triggered();
    void on_actionExtrude_Deform_triggered();
    void on_actionCut_Sphere_triggered();
    void on_actionExtrude_Inflate_triggered();
    void on_actionCut_Plane_triggered();
    void on_actionErase_Component_triggered();
    void on_actionErase_Patch_triggered();
    void on_actionErase_Feature_triggered();
    void on_actionRotate_triggered();
    void on_actionScale_triggered();
    void on_actionMove_triggered();
    void on_actionMirror_triggered();
    void on_actionSubdivide_triggered();
    void on_actionSelect_All_Patches_triggered();
    void on_actionNormal_Tear_triggered();
    void on_actionScale_Tear_triggered();
    void on_actionInflate_Tear_triggered();
    void on_actionDeform_Tear_triggered();
    void on_actionClip_Plane_triggered();
    void on_actionClip_Sphere_triggered();
    void on_actionSub_Plane_triggered();
    void on_actionProfile_triggered();
    void on_actionOn_Object_triggered();
    void on_actionNormal_Plane_triggered();
    void on_actionTangent_Plane_triggered();
    void on_actionSame_Depth_triggered();
    void on_actionPressure_Size_triggered();
    void on_actionArray_triggered();
    void on_actionBevel_triggered();
    void on_actionClosed_triggered();
    void on_actionDraw_X_Mirror_triggered();
    void on_actionDraw_Y_Mirror_triggered();
    void on_actionDraw_Z_Mirror_triggered();
    void on_actionDraw_X_Rotation_triggered();
    void on_actionDraw_Y_Rotation_triggered();
    void on_actionDraw_Z_Rotation_triggered();
    void on_actionDraw_Rotation_Items_triggered();
    void on_actionDraw_Rotation_Items_2_triggered();
    void on_actionDraw_Rotation_Items_3_triggered();
    void on_actionAnimate_triggered();
    void on_actionTube_triggered();
    void on_actionAxisFree_triggered();
    void on_actionAxisSegment_triggered();
    void on_actionAxisTriangle_triggered();
    void on_actionAxisSquare_triggered();
    void on_actionAxisPentagon_triggered();
    void on_actionAxisHexagon_triggered();
    void on_actionAxisNGon_triggered();
    void on_actionAxisCircle_triggered();
    void on_actionAxisTrefoilKnot_triggered();
    void on_actionAxisKnot_triggered();
    void on_actionSectionFree_triggered();
    void on_actionSectionSegment_triggered();
    void on_actionSectionTriangle_triggered();
    void on_actionSectionSquare_triggered();
    void on_actionSectionPentagon_triggered();
    void on_actionSectionHexagon_triggered();
    void on_actionSectionNGon_triggered();
    void on_actionSectionCircle_triggered();
    void on_actionUniform_Profile_triggered();
    void on_actionPillow_Profile_triggered();
    void on_actionChamfer_Profile_triggered();
    void on_actionBlob_Profile_triggered();
    void on_actionThin_triggered();
    void on_actionThick_triggered();
    void on_actionHalf_triggered();
    void on_actionOn_Normal_triggered();
    void on_actionChisel_Profile_triggered();
    void on_actionScoop_Profile_triggered();
    void on_actionConvex_Profile_triggered();
    void on_actionConvex_Sharp_Profile_triggered();
    void on_actionHi_res_triggered();
    void on_actionAxisSection_triggered();
    void on_actionGeneral_triggered();
    void on_actionPattern_0_triggered();
    void on_actionPattern_1_triggered();
    void on_actionPattern_2_triggered();
    void on_actionPattern_3_triggered();
    void on_actionPattern_4_triggered();
    void on_actionCylinder_triggered();
    void on_actionCapsule_triggered();
    void on_actionHide_Transparent_triggered();
    void onExit();
    void on_actionScale_Direction_triggered();
    void on_actionAxisChainlink_triggered();
    void on_actionRender_Simple_triggered();
    void on_actionTwist_triggered();
    void on_actionFlatten_triggered();
    void on_actionHydraulics_triggered();
    void on_actionElevation_triggered();
    void on_actionElevation_2_triggered();
    void on_actionMuscle_triggered();
    void on_actionGuide_triggered();
    void on_actionHandles_triggered();
    void on_actionLightning_triggered();
    void on_actionCable_triggered();
    void on_actionDynamics_2_triggered();
    void on_actionSnap_Symmetry_triggered();
    void on_actionSnap_Grid_triggered();
    void on_actionSub_Sphere_triggered();
    void on_actionTurntable_triggered();
    void on_actionInverse_Kinematics_triggered();
    void on_actionPivots_triggered();
    void on_actionElevation_0_triggered();
    void on_actionRotation_Multiplicity_triggered();
    void on_actionIK_Chain_triggered();
    void on_actionIK_Chain_2_triggered();
    void on_actionIK_Chain_Reset_triggered();
    void on_actionChain_triggered();
    void on_actionBlock_Size_triggered();
    void on_actionFULL_MODE_triggered();
    void on_actionObject_Pivot_triggered();
    void on_actionObject_triggered();
    void on_actionPivot_triggered();
    void on_actionAsmRotateScale_triggered();
    void on_actionAsmMirror_triggered();
    void on_actionAsmScale_triggered();
    void on_actionAsmMove_triggered();
    void on_actionAsmRotate_triggered();
    void openMenu();
    void on_actionWireframe_triggered();
    void on_actionSelection_triggered();
    void on_actionSculpt_Unique_triggered();
    void on_actionAs_Tri_Mesh_triggered();
    void on_actionAs_Clay_triggered();
    void on_actionPick_Object_triggered();
    void on_actionPick_Element_triggered();
    void on_actionPick_Component_triggered();
    void on_actionPick_Patch_triggered();
    void on_actionPick_Feature_triggered();
    void on_actionDelete_Object_triggered();
    void on_actionDelete_Element_triggered();
    void on_actionDelete_Component_triggered();
    void on_actionDelete_Patch_triggered();
    void on_actionDelete_Feature_triggered();
    void on_actionType_triggered();
    void on_actionAxis_Subdivide_triggered();
    void on_actionSection_Subdivide_triggered();
    void on_actionPick_Object_2_triggered();
    void on_actionPick_Element_2_triggered();
    void on_actionConvert_To_Tri_Mesh_triggered();
    void on_actionConvert_To_Clay_triggered();
    void on_actionUnique_triggered();
    void on_actionDelete_Object_Axis_Section_triggered();
    void on_actionDelete_Element_Axis_Section_triggered();
    void on_actionTYPE_triggered();
    void on_actionAXIS_triggered();
    void on_actionSECTION_triggered();
    void on_actionDelete_Axis_Component_triggered();
    void on_actionDelete_Axis_Patch_triggered();
    void on_actionDelete_Axis_Feature_triggered();
    void on_actionDelete_Section_Component_triggered();
    void on_actionDelete_Section_Patch_triggered();
    void on_actionDelete_Section_Feature_triggered();
    void on_actionSimple_Delete_triggered();
    void on_actionSimple_Delete_2_triggered();
    void on_actionEdge_Detection_triggered();
    void on_actionUndo_triggered();
    void on_actionRedo_triggered();
    void on_actionPaint_triggered();
    void on_actionColor_4_triggered();
    void on_actionImage_triggered();
    void loadEnvironment(QString filename);
    void loadEnvironment_triggered();
    void loadBackgroundImage_triggered();
    void loadBackgroundColor_triggered();
    void on_actionEnvironment_triggered();
    void on_actionEnvironment_Blur_triggered();
    void on_actionEnvironment_Rotation_triggered();
    void on_actionFill_triggered();
    void on_actionMaterial_2_triggered();
    void on_actionAdd_Sphere_triggered();
    void on_actionTest_triggered();
    void on_actionBackspace_triggered();
    void on_actionLarge_Fonts_triggered();
    void on_actionOnline_help_triggered();
    void on_actionLicense_triggered();
    void on_actionDefault_Light_triggered();
    void on_actionDefault_Dark_triggered();

private:
    // The five guards a slot passes before it may touch the view; each answers whether to go on.
    // A refused checkable action gets its check mark back from the view.
    bool modeGuard(int mode, QAction* action);
    bool idleGuard(QAction* action);
    bool sculptGestureGuard(QAction* action);
    bool ikGuard();
    // Ctrl as the viewport's last tick saw it.
    bool ctrlHeld() const;
    // Sets the check marks of the action and of its exclusive group from the view's settings.
    void showViewState(QAction* action);
    // View and symmetry helpers (ViewActions.cpp, SymmetryActions.cpp).
    void showProjection();
    void showPreset(int preset);
    void setPlacement(QAction* action, int placement);
    QList<QAction*> symmetryActions() const;
    void applySymmetry();
    void toggleSymmetry(int index);
    void showRotationItems();
    // Assembly helpers (AssemblyActions.cpp): the guard, then the view setter.
    void showChoice(QMenu* menu, QAction* chosen);
    void chooseCommand(QAction* action, kal::Command id, QMenu* iconMenu = nullptr);
    void chooseKind(QAction* action, kal::InsertKind kind, QMenu* iconMenu = nullptr);
    void selectShape(bool axis, int code);
    void chooseShape(QAction* action, bool axis, int code);
    void chooseCountedShape(QAction* action, bool axis, int code, const kal::ui::ParameterQuestion& question,
                            kal::ViewNumber which, int32_t count, const char* prefix);
    void choosePivot(QAction* action, int mode);
    void chooseHierarchy(QAction* action, int target);
    void stepTool(QAction* action, bool back);
    // Sculpt helpers (SculptActions.cpp).
    void chooseBrush(QAction* action, kal::Brush brush, QMenu* iconMenu = nullptr);
    void chooseSelection(QAction* action, int selection);
    // The object context menu (ObjectMenu.cpp, ObjectInfoActions.cpp): the pick of the click is
    // kept while the popup is up and put back before an entry runs.
    void popupMenu(QMenu* menu);
    void releaseMenuPick();
    bool restoreMenuPick();
    kal::Tool* contextTool();
    void pickContext(int level);
    void deleteContext(int level, bool section);
    // The AXIS or SECTION box, and Subdivide of that curve, of a tube or revolution.
    void showCurveBox(bool section);
    void subdivideCurve(bool section);
    kal::PickRecord menuPick;
    bool menuPickKept = false;
    // Background and display helpers (BackgroundActions.cpp, DisplayActions.cpp).
    void setBackgroundSource(QAction* action, int source);
    // A check mark the view setting follows.
    void followCheck(QAction* action, kal::ViewSwitch which);
    void setChromatism(QAction* action, kal::ViewSwitch which, bool on, kal::wvec4& colour, const char* title);
    void askSnapValue(QAction* action, const kal::ui::ParameterQuestion& question, kal::ViewNumber which, float value,
                      bool flag);
    // Actions the form disables for good; a gesture's end must not wake them.
    QList<QAction*> disabledForGood;
};
