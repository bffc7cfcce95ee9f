// The flat line passes of the scene: everything through the shared curve program.
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "scene/Scene.h"

namespace kal {

void Scene::drawListedTools(int mode, bool working, const uint8_t* colour) {
    if (!shaderCurve || !shaderCurve->bind()) return;
    (working ? workLists : sceneLists).drawGeometry(mode, colour);
}

void Scene::drawListedToolsB(int mode, bool working, const uint8_t* colour) {
    if (!shaderCurve || !shaderCurve->bind()) return;
    (working ? workLists : sceneLists).drawHelpers(mode, colour);
}

} // namespace kal
