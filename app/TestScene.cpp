// Test: the scene replaced by a five-by-five board of spheres, roughness growing along X and
// metalness along Z, for judging the lighting and the material model at a glance.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <algorithm>

namespace {

// -16383, -8191, 0, 8191, 16383 for k = 0..4
int16_t swatchValue(int k) {
    const double v = double(k - 2) * kal::kPbrSignedLimit * 0.25;
    return int16_t(std::clamp(int(v), -kal::kPbrSignedLimit, kal::kPbrSignedLimit));
}

} // namespace

void MainWindow::on_actionTest_triggered() {
    if (!kal::dialogs->askYesNo(tr("Test"), tr("This action clears the current scene! Proceed?"))) return;
    kal::GLWorkGuard gl;
    kal::GLView* v = view();
    v->clearScene();
    if (!v->scene) return;

    kal::Mesh* icosahedron = kal::Mesh::createIcosahedron();
    kal::Mesh* sphere = kal::Mesh::subdivided(icosahedron, 4, false, true);
    delete icosahedron;
    auto* model = new kal::Tool(sphere, kal::mat4(), kal::pbr(), false);
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            kal::mat4 place = kal::mat4::translation(kal::vec3(float(i - 2), 0, float(j - 2)));
            place *= kal::mat4::uniformScaling(0.2f);
            kal::Tool* cell = v->scene->attachCopy(model, place, 0, true);
            if (!cell) continue;
            kal::pbr material;
            material.roughness = swatchValue(i);
            material.metalness = swatchValue(j);
            // the copies share one ring: each material goes to its own sphere only
            cell->setMaterial(material, kal::kPbrAll, false, false);
        }
    }
    delete model;
    v->requestRedraw();
}
