#pragma once
// Fields of the older tool record layouts, shared by the readers of every tool kind.
#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal {

class ByteBuffer;

// Colour then light as four bytes each (a byte x 256 is the 16-bit channel); roughness and
// metalness 0.
pbr readByteMaterial(ByteBuffer& in);
// Sixteen floats stored column by column.
mat4 readColumnMat4(ByteBuffer& in);

} // namespace kal
