// Feeds arbitrary bytes to the scene and object file reader: it must refuse or read them, never
// crash, hang, or allocate more than the input could hold.
#include <cstddef>
#include <cstdint>

#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "viewport/Registries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (kal::registerAll(), true);
    (void)registered;
    kal::Scene scene;
    if (!kal::readSceneBytes(scene, data, size)) return 0;
    // what the next frame does with a read scene: the placement walk, and the matrices it draws
    // with (two-object tools measure their links, cables reshape their axes)
    scene.rebuildToolLists();
    for (int i = 0; i < scene.sceneLists.size(); ++i)
        scene.sceneLists.tools[size_t(i)]->modelMatrix(scene.sceneLists.worlds[size_t(i)]);
    return 0;
}
