#pragma once
// What the readers of every tool kind share: the plain tool's fields in each layout, and the
// one ending of a tool reader.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/ByteBuffer.h"
#include "foundation/Mat.h"
#include "scene/SceneFile.h"

namespace kal {

class Tool;

// The reader of the plain tool's record.
Tool* readToolRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

// The plain tool's fields in the layout of the file being read; child, ring and element indices
// stay pending until resolveLinks.
void readToolFields(Tool& t, ByteBuffer& in);
// Sixteen floats stored column by column.
mat4 readColumnMat4(ByteBuffer& in);

// The kinds with fields of their own (arrays, bi-tools) were written in an older layout up to
// this version: the tool's fields up to the element index with column matrices and a byte
// material, then the kind's fields, then the trailing scalars (only after 20060410).
constexpr uint32_t lastOlderKindLayout = 20160914;
void readOlderKindHead(Tool& t, ByteBuffer& in);
void readOlderKindTail(Tool& t, ByteBuffer& in);

// The tool's fields and the kind's own (readOwn(older), older in the older layout) in the
// layout of the file being read.
template <class ReadOwn>
void readKindFields(Tool& t, ByteBuffer& in, ReadOwn readOwn) {
    if (fileVersion > lastOlderKindLayout) {
        readToolFields(t, in);
        readOwn(false);
        return;
    }
    readOlderKindHead(t, in);
    readOwn(true);
    readOlderKindTail(t, in);
}

// The end of every tool reader: the tool, or null with ok false when its body ran short.
template <class Kind>
Tool* wholeToolOrNull(std::unique_ptr<Kind> t, const ByteBuffer& in, bool& ok) {
    ok = !in.failed();
    return ok ? t.release() : nullptr;
}

} // namespace kal
