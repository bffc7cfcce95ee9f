#include "tools/ToolRecords.h"

#include "scene/SceneFile.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"

namespace kal {

namespace {

Tool* readBiTool(ByteBuffer& in) { return new BiTool(in); }
Tool* readCable(ByteBuffer& in) { return new Cable(in); }

} // namespace

void registerToolRecords() {
    registerToolReader(biToolRecordTag, readBiTool);
    registerToolReader(cableRecordTag, readCable);
}

} // namespace kal
