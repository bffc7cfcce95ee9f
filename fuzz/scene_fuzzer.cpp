// Feeds arbitrary bytes to the scene and object file reader, then makes two frames of the read
// scene as the view would: it must refuse or read them, never crash, hang, or allocate more than
// the input could hold.
#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "elements/CurveSurface.h"
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
    // each frame: the placement walk through arrays, pairs and cables, every entry's model matrix
    // (pairs measure their links, cables reshape their axes) and the CPU half of every surface
    // that is out of date, once however many entries show it
    kal::SurfaceArrays arrays;
    const bool everyPart[4] = {true, true, true, true};
    for (int frame = 0; frame < 2; ++frame) {
        ++kal::frameCounter;
        scene.rebuildToolLists();
        std::unordered_set<kal::CurveSurface*> built;
        for (int i = 0; i < scene.sceneLists.size(); ++i) {
            kal::Tool* t = scene.sceneLists.tools[size_t(i)];
            t->modelMatrix(scene.sceneLists.worlds[size_t(i)]);
            kal::CurveSurface* surface = kal::curveSurfaceOf(t->element);
            if (surface && surface->changeStamp() >= kal::frameCounter && built.insert(surface).second)
                surface->buildArrays(everyPart, arrays);
        }
    }
    return 0;
}
