#include "tools/ToolRecords.h"

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

} // namespace kal
