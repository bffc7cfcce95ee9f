#include "tools/ToolRecords.h"

#include "scene/SceneFile.h"
#include "tools/Array.h"

namespace kal {

namespace {

Tool* readArray(ByteBuffer& in) { return new Array(in); }

} // namespace

void registerToolRecords() {
    registerToolReader(arrayToolTag, readArray);
}

} // namespace kal
