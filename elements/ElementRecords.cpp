// One place that hands the file reader every element record of this folder.
#include <memory>

#include "elements/CurveRecord.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

// Both records of a tube or a revolution: the linked one names its two curves by element index,
// the older one holds them in its body.
template <class Surface>
Element* readCurveSurfaceRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok) {
    if (!chargeRead(sizeof(Surface))) return ok = false, nullptr;
    auto surface = std::make_unique<Surface>();
    if (tag == surface->linkedTag()) {
        ok = readLinkedSurface(*surface, in, end);
    } else {
        surface->id = 0; // the curves are objects already, not indices to resolve
        ok = readEmbeddedCurves(*surface, in, end);
    }
    return ok ? surface.release() : nullptr;
}

} // namespace

void registerCurveRecords() {
    registerElementReader(curveRecordTag, readCurveRecord);
    registerElementReader(bareCurveRecordTag, readCurveRecord);
    registerElementReader(followingCurveRecordTag, readFollowingCurveRecord);
    registerElementReader(embeddedFollowingCurveTag, readFollowingCurveRecord);
    registerElementReader(tubeRecordTag, readCurveSurfaceRecord<Tube>);
    registerElementReader(embeddedTubeRecordTag, readCurveSurfaceRecord<Tube>);
    registerElementReader(revolutonRecordTag, readCurveSurfaceRecord<Revoluton>);
    registerElementReader(embeddedRevolutonRecordTag, readCurveSurfaceRecord<Revoluton>);
}

} // namespace kal
