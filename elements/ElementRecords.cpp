// One place that hands the file reader every element record of this folder.
#include "elements/CurveRecord.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "scene/SceneFile.h"

namespace kal {

void registerCurveRecords() {
    registerElementReader(curveRecordTag, readCurveRecord);
    registerElementReader(bareCurveRecordTag, readCurveRecord);
    registerElementReader(followingCurveRecordTag, readFollowingCurveRecord);
    registerElementReader(embeddedFollowingCurveTag, readFollowingCurveRecord);
    registerElementReader(tubeRecordTag, readTubeRecord);
    registerElementReader(embeddedTubeRecordTag, readTubeRecord);
    registerElementReader(revolutonRecordTag, readRevolutonRecord);
    registerElementReader(embeddedRevolutonRecordTag, readRevolutonRecord);
}

} // namespace kal
