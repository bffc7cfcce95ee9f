// One place that hands the file reader every tool record of this folder.
#include "tools/ToolRecords.h"

#include <cmath>
#include <memory>
#include <vector>

#include "scene/SceneFile.h"
#include "scene/ToolRecordParts.h"
#include "tools/Array.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"

namespace kal {

namespace {

// Counted lists of 32-bit words; a count past the record's end fails the buffer, allocating nothing.
template <class T>
void readWords(ByteBuffer& in, std::vector<T>& out) {
    uint32_t n = in.readCount(4);
    out.resize(n);
    for (uint32_t i = 0; i < n; ++i) out[i] = in.read<T>();
}

} // namespace

Tool* readArrayRecord(ByteBuffer& in, uint32_t, size_t, bool& ok) {
    std::unique_ptr<Array> a(new Array(nullptr, {}, {}, ArraySimple, mat4(), mat4(), pbr(), false));
    readKindFields(*a, in, [&](bool older) {
        readWords(in, a->pendingCopies);
        readWords(in, a->itemSequence);
        a->mode = in.readU8();
        a->alternateMatrix = older ? readColumnMat4(in) : in.readMat4();
    });
    return wholeToolOrNull(std::move(a), in, ok);
}

Tool* readBiToolRecord(ByteBuffer& in, uint32_t tag, size_t, bool& ok) {
    std::unique_ptr<BiTool> end(tag == cableRecordTag ? new Cable(BiToolBare, nullptr, mat4(), pbr(), false)
                                                      : new BiTool(BiToolBare, nullptr, mat4(), pbr(), false));
    readKindFields(*end, in, [&](bool) {
        end->pendingPartner = in.readU32();
        end->biToolKind = in.readU8();
        end->restLength = in.readFloat();
        // a length that is no number is measured again by the next walk
        if (!std::isfinite(end->restLength)) end->restLength = -1.0f;
    });
    return wholeToolOrNull(std::move(end), in, ok);
}

void registerToolRecords() {
    registerToolReader(arrayToolTag, readArrayRecord);
    registerToolReader(biToolRecordTag, readBiToolRecord);
    registerToolReader(cableRecordTag, readBiToolRecord);
}

} // namespace kal
