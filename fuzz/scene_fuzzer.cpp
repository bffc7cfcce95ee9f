// Feeds arbitrary bytes to the scene and object file reader: it must refuse or read them, never
// crash, hang, or allocate more than the input could hold.
#include <cstddef>
#include <cstdint>

#include "elements/BezierCurve.h"
#include "elements/Clay.h"
#include "elements/CurveRecord.h"
#include "elements/Lightning.h"
#include "elements/SpriteImage.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "tools/ToolRecords.h"

// One call per element family, so that every reader is reached.
static void registerAllRecords() {
    kal::registerMeshRecords();
    kal::registerCurveRecords();
    kal::registerClayRecords();
    kal::registerSpriteRecords();
    kal::registerLightningRecords();
    kal::registerBezierCurveRecords();
    kal::registerToolRecords();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (registerAllRecords(), true);
    (void)registered;
    kal::Scene scene;
    kal::readSceneBytes(scene, data, size);
    return 0;
}
