// Feeds arbitrary bytes to the scene and object file reader: it must refuse or read them, never
// crash, hang, or allocate more than the input could hold.
#include <cstddef>
#include <cstdint>

#include "elements/Lightning.h"
#include "elements/SpriteImage.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (kal::registerMeshRecords(), kal::registerSpriteRecords(),
                                      kal::registerLightningRecords(), true);
    (void)registered;
    kal::Scene scene;
    kal::readSceneBytes(scene, data, size);
    return 0;
}
