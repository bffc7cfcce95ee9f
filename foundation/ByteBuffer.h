#pragma once
// Growable little-endian byte buffer with one read/write position, used for scene and
// object file records and for staging GPU data.
//
// Writing: append() and write<T>() add bytes at the end and never move the position.
// writeHalf3() writes at the position into an already sized buffer.
//
// Reading: every read takes its bytes at the position and advances it. Reads are
// checked: a read that would pass the end copies nothing, returns zeros (or an empty
// string), moves the position to the end and sets the failure flag. The flag stays set
// until clear() or clearFailure(), so a reader can read a whole record and test
// failed() once at the end. Lengths and counts taken from the data are never trusted:
// readBytes() and readCount() refuse anything larger than what remains, without
// allocating for it.
#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "foundation/Vec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace kal {

// halfFromFloat's whole rule, for any float.
std::uint16_t halfFromAnyFloat(float f);

// Float to IEEE binary16 with the fraction truncated (never rounded to nearest):
// too large becomes infinity, too small a subnormal or zero, NaN stays NaN. Inline, as uploads
// convert millions of normals: in the normal half range it is a plain shift of the float's bits.
inline std::uint16_t halfFromFloat(float f) {
    std::uint32_t a;
    std::memcpy(&a, &f, 4);
    const std::uint32_t sign = a & 0x80000000u, m = a ^ sign;
    if (m >= 0x38800000u && m <= 0x477FE000u) return std::uint16_t((sign >> 16) | ((m - 0x38000000u) >> 13));
    return halfFromAnyFloat(f);
}

class ByteBuffer {
public:
    std::vector<std::uint8_t> bytes; // the data; its size is the number of valid bytes
    std::uint32_t position = 0;      // read position, and write position of writeHalf3

    ByteBuffer() = default;
    explicit ByteBuffer(std::size_t n) : bytes(n, 0) {} // n zero bytes, position 0

    std::size_t size() const { return bytes.size(); }
    const std::uint8_t* data() const { return bytes.data(); }
    std::uint8_t* data() { return bytes.data(); }
    // Empties the buffer: no bytes, position 0, no failure.
    void clear();

    // --- writing (appends at the end; the position is unchanged) ---
    void append(const void* data, std::size_t n);
    template <class T>
    void write(const T& value) {
        static_assert(std::is_trivially_copyable<T>::value, "only plain values are written raw");
        append(&value, sizeof value);
    }
    // Three half floats at the position, which advances by 6. The buffer is not grown:
    // when the six bytes do not fit, nothing is written and the failure flag is set.
    void writeHalf3(const vec3& v);

    // --- checked reading ---
    bool failed() const { return failed_; }
    void clearFailure() { failed_ = false; }
    // Bytes between the position and the end (0 when the position lies past it).
    std::size_t remaining() const { return position < bytes.size() ? bytes.size() - position : 0; }
    bool atEnd() const { return remaining() == 0; }

    // Copies n bytes to dst and advances; past the end dst is zero-filled and the flag set.
    bool read(void* dst, std::size_t n);
    template <class T>
    T read() {
        static_assert(std::is_trivially_copyable<T>::value, "only plain values are read raw");
        T value;
        read(&value, sizeof value);
        return value;
    }
    std::uint8_t readU8() { return read<std::uint8_t>(); }
    std::uint16_t readU16() { return read<std::uint16_t>(); }
    std::uint32_t readU32() { return read<std::uint32_t>(); }
    std::int32_t readI32() { return read<std::int32_t>(); }
    float readFloat() { return read<float>(); }
    vec3 readVec3();
    mat4 readMat4(); // sixteen floats m[0]..m[15]; all zero past the end
    pbr readPbr();   // ten 16-bit fields; all zero past the end

    // n raw bytes as a string; n larger than what remains fails without allocating.
    std::string readBytes(std::size_t n);
    // A u32 count of items of itemSize bytes each that must still fit in the buffer;
    // a count that cannot fit returns 0 and sets the flag.
    std::uint32_t readCount(std::size_t itemSize);

    // Moves the position; a target past the end moves to the end and sets the flag.
    bool skip(std::size_t n);
    bool seek(std::size_t offset);

private:
    bool fail();
    bool failed_ = false;
};

} // namespace kal
