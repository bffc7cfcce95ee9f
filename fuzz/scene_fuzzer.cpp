// Feeds arbitrary bytes to the scene and object file reader, then walks the read scene for two
// frames as the view would: it must refuse or read them, never crash, hang, or allocate more than
// the input could hold.
#include <cstddef>
#include <cstdint>

#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "viewport/Registries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (kal::registerAll(), true);
    (void)registered;
    // the read decodes the images its records name and resamples following curves
    kal::Scene scene;
    if (!kal::readSceneBytes(scene, data, size)) return 0;
    // two frames: the placement walk through arrays, pairs and cables, and every entry's model
    // matrix (pairs measure their links, cables reshape their axes)
    for (int frame = 0; frame < 2; ++frame) {
        ++kal::frameCounter;
        scene.rebuildToolLists();
        for (int i = 0; i < scene.sceneLists.size(); ++i)
            scene.sceneLists.tools[size_t(i)]->modelMatrix(scene.sceneLists.worlds[size_t(i)]);
    }
    return 0;
}
