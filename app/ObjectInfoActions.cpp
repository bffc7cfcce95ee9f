// Actions on the object under the last click: information boxes, picks into the tool library,
// conversions and uniqueness; with Undo, Redo and the contour colour, which share their form.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "elements/Clay.h"
#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "mesh/Mesh.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <QAction>

namespace {

// "12 Vertices ,  20 Faces": record counts, dead records included.
QString meshCounts(const kal::Mesh& m) {
    return QStringLiteral("%1 Vertices ,  %2 Faces").arg(m.vertexCount()).arg(m.triangleCount());
}

} // namespace

void MainWindow::pickContext(int level) {
    kal::Tool* t = contextTool();
    if (!t) return;
    kal::GLWorkGuard gl;
    view()->pickInto(t, uint8_t(level));
}

void MainWindow::on_actionPick_Object_triggered() { on_actionPick_Object_2_triggered(); }
void MainWindow::on_actionPick_Element_triggered() { on_actionPick_Element_2_triggered(); }
void MainWindow::on_actionPick_Component_triggered() { pickContext(2); }
void MainWindow::on_actionPick_Patch_triggered() { pickContext(3); }
void MainWindow::on_actionPick_Feature_triggered() { pickContext(4); }
void MainWindow::on_actionPick_Object_2_triggered() { pickContext(0); }
void MainWindow::on_actionPick_Element_2_triggered() { pickContext(1); }

void MainWindow::deleteContext(int level, bool section) {
    // the view erases on the named tool only, picking again where the click was
    if (kal::Tool* t = contextTool()) view()->deleteByMode(t, uint8_t(level), section);
}

void MainWindow::on_actionSimple_Delete_triggered() { on_actionSimple_Delete_2_triggered(); }
void MainWindow::on_actionDelete_Object_triggered() { on_actionSimple_Delete_2_triggered(); }
void MainWindow::on_actionDelete_Object_Axis_Section_triggered() { on_actionSimple_Delete_2_triggered(); }
void MainWindow::on_actionSimple_Delete_2_triggered() { deleteContext(0, false); }
void MainWindow::on_actionDelete_Element_triggered() { on_actionDelete_Element_Axis_Section_triggered(); }
void MainWindow::on_actionDelete_Element_Axis_Section_triggered() { deleteContext(1, false); }
void MainWindow::on_actionDelete_Component_triggered() { on_actionDelete_Axis_Component_triggered(); }
void MainWindow::on_actionDelete_Patch_triggered() { on_actionDelete_Axis_Patch_triggered(); }
void MainWindow::on_actionDelete_Feature_triggered() { on_actionDelete_Axis_Feature_triggered(); }
void MainWindow::on_actionDelete_Axis_Component_triggered() { deleteContext(2, false); }
void MainWindow::on_actionDelete_Axis_Patch_triggered() { deleteContext(3, false); }
void MainWindow::on_actionDelete_Axis_Feature_triggered() { deleteContext(4, false); }
void MainWindow::on_actionDelete_Section_Component_triggered() { deleteContext(2, true); }
void MainWindow::on_actionDelete_Section_Patch_triggered() { deleteContext(3, true); }
void MainWindow::on_actionDelete_Section_Feature_triggered() { deleteContext(4, true); }

void MainWindow::on_actionAs_Tri_Mesh_triggered() { on_actionConvert_To_Tri_Mesh_triggered(); }
void MainWindow::on_actionAs_Clay_triggered() { on_actionConvert_To_Clay_triggered(); }
void MainWindow::on_actionSculpt_Unique_triggered() { on_actionUnique_triggered(); }

void MainWindow::on_actionConvert_To_Tri_Mesh_triggered() {
    if (!contextTool()) return;
    kal::GLWorkGuard gl;
    view()->convertToTriMesh();
}

void MainWindow::on_actionConvert_To_Clay_triggered() {
    if (!contextTool()) return;
    kal::GLWorkGuard gl;
    view()->convertToClay();
}

void MainWindow::on_actionUnique_triggered() {
    if (!contextTool()) return;
    kal::GLWorkGuard gl;
    view()->makeUnique();
}

void MainWindow::on_actionType_triggered() {
    kal::Tool* t = contextTool();
    // the box describes a mesh or a clay object; anything else has nothing to show
    if (!t || !t->element) return;
    kal::Element* e = t->element;
    if (e->typeCode == kal::MeshType) {
        kal::dialogs->inform(tr("TRI-MESH"), meshCounts(*static_cast<kal::Mesh*>(e)));
    } else if (e->typeCode == kal::ClayType) {
        const kal::Mesh* source = static_cast<kal::Clay*>(e)->source;
        if (source) kal::dialogs->inform(tr("CLAY"), meshCounts(*source));
    }
}

namespace {

kal::CurveSurface* surfaceOf(kal::Tool* t) { return t ? kal::curveSurfaceOf(t->element) : nullptr; }

} // namespace

void MainWindow::on_actionTYPE_triggered() {
    kal::CurveSurface* s = surfaceOf(contextTool());
    if (!s || !s->axis || !s->section) return;
    const kal::Curve& a = *s->axis;
    const kal::Curve& c = *s->section;
    const qint64 vertices = qint64(a.pointCount()) * c.pointCount();
    const qint64 faces = qint64(a.segmentCount()) * c.segmentCount();
    kal::dialogs->inform(s->typeCode == kal::TubeType ? tr("TUBE") : tr("REVOLUTON"),
                         QStringLiteral("%1 Vertices ,  %2 Faces").arg(vertices).arg(faces));
}

void MainWindow::showCurveBox(bool section) {
    kal::CurveSurface* s = surfaceOf(contextTool());
    const kal::Curve* c = s ? (section ? s->section : s->axis) : nullptr;
    if (!c) return;
    const QString uniform = c->word == 2 ? QStringLiteral("Uniform ,  ") : QString();
    kal::dialogs->inform(section ? tr("SECTION") : tr("AXIS"),
                         uniform +
                             QStringLiteral("%1 Vertices ,  %2 Edges").arg(c->pointCount()).arg(c->segmentCount()));
}

void MainWindow::subdivideCurve(bool section) {
    kal::CurveSurface* s = surfaceOf(contextTool());
    kal::Curve* c = s ? (section ? s->section : s->axis) : nullptr;
    if (!c) return;
    kal::GLWorkGuard gl;
    c->subdivide(true);
    c->touch();
    s->touch();
    view()->requestRedraw();
}

void MainWindow::on_actionAXIS_triggered() { showCurveBox(false); }
void MainWindow::on_actionSECTION_triggered() { showCurveBox(true); }
void MainWindow::on_actionAxis_Subdivide_triggered() { subdivideCurve(false); }
void MainWindow::on_actionSection_Subdivide_triggered() { subdivideCurve(true); }

void MainWindow::on_actionUndo_triggered() {
    if (!idleGuard(ui->actionUndo)) return;
    kal::GLWorkGuard gl;
    view()->undo();
}

void MainWindow::on_actionRedo_triggered() {
    if (!idleGuard(ui->actionRedo)) return;
    kal::GLWorkGuard gl;
    view()->redo();
}

void MainWindow::on_actionContour_triggered() {
    if (!idleGuard(ui->actionContour)) return;
    kal::dialogs->chooseColor(&view()->contourColor, tr("Contour Color"));
}
