#pragma once
// The file records of the assembly tools (arrays, bi-tools, cables); registerAll() makes the call.
#include <cstddef>
#include <cstdint>

namespace kal {

class ByteBuffer;
class Tool;

void registerToolRecords();

// The array's record: the tool's fields, then the copies' indices, the item sequence, the mode and
// the matrix between neighbouring copies; the copies stay indices until resolveLinks.
Tool* readArrayRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);
// A bi-tool end's record, or a cable's by its tag: the tool's fields, then the partner's index
// (kept until resolveLinks), the stretch kind and the rest length.
Tool* readBiToolRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
