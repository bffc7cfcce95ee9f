#include "viewport/Registries.h"

#include "editing/MeshEditing.h"
#include "elements/BezierCurve.h"
#include "elements/Clay.h"
#include "elements/CurveRecord.h"
#include "elements/Lightning.h"
#include "elements/SpriteImage.h"
#include "mesh/MeshRecord.h"
#include "tools/ToolRecords.h"

namespace kal {

void registerAll() {
    registerMeshRecords();
    registerCurveRecords();
    registerClayRecords();
    registerSpriteRecords();
    registerLightningRecords();
    registerBezierCurveRecords();
    registerToolRecords();
    registerMeshEditing();
}

} // namespace kal
