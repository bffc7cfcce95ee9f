#include "tools/ToolRecords.h"

#include "elements/BezierCurve.h"
#include "elements/Clay.h"
#include "elements/CurveRecord.h"
#include "elements/Lightning.h"
#include "elements/SpriteImage.h"
#include "mesh/MeshRecord.h"
#include "scene/SceneFile.h"
#include "tools/Array.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"

namespace kal {

namespace {

Tool* readArray(ByteBuffer& in) { return new Array(in); }
Tool* readBiTool(ByteBuffer& in) { return new BiTool(in); }
Tool* readCable(ByteBuffer& in) { return new Cable(in); }

} // namespace

void registerToolRecords() {
    registerToolReader(arrayToolTag, readArray);
    registerToolReader(biToolRecordTag, readBiTool);
    registerToolReader(cableRecordTag, readCable);
}

void registerEveryRecord() {
    registerMeshRecords();
    registerCurveRecords();
    registerClayRecords();
    registerSpriteRecords();
    registerLightningRecords();
    registerBezierCurveRecords();
    registerToolRecords();
}

} // namespace kal
