#include "foundation/ByteBuffer.h"

#include <cstring>

namespace kal {

std::uint16_t halfFromAnyFloat(float f) {
    // Branch-free: every range test becomes an all-ones or all-zeros mask applied with XOR.
    std::uint32_t a;
    std::memcpy(&a, &f, 4);
    const std::uint32_t sign = a & 0x80000000u;
    a ^= sign;

    // below 2^-14: the subnormal trunc(|f| * 2^24) lands in the low bits after the shift.
    // The product is taken of a value capped at 2^-14 so the integer conversion stays
    // defined for large inputs and NaN; the mask drops it for those anyway.
    const std::uint32_t isSmall = 0u - std::uint32_t(a < 0x38800000u);
    std::uint32_t capped = a ^ ((a ^ 0x38800000u) & ~isSmall);
    float cappedFloat;
    std::memcpy(&cappedFloat, &capped, 4);
    const float twoTo37 = 137438953472.0f; // 0x52000000
    const std::uint32_t subnormal = std::uint32_t(std::int32_t(cappedFloat * twoTo37));
    a ^= (a ^ subnormal) & isSmall;

    // above 65504 (up to the largest float): infinity
    const std::uint32_t isHuge = 0u - std::uint32_t((a > 0x477FE000u) & (a < 0x7F800000u));
    a ^= (a ^ 0x7F800000u) & isHuge;

    // a NaN whose ten kept fraction bits are zero must not turn into infinity
    const std::uint32_t isLowNaN = 0u - std::uint32_t((a > 0x7F800000u) & (a < 0x7F802000u));
    a ^= (a ^ 0x7F802000u) & isLowNaN;

    std::uint32_t m = a >> 13;
    m ^= ((m - 0x1C000u) ^ m) & (0u - std::uint32_t(m > 0x23BFFu));
    m ^= ((m - 0x1C000u) ^ m) & (0u - std::uint32_t(m > 0x3FFu));
    return std::uint16_t(m | (sign >> 16));
}

void ByteBuffer::clear() {
    bytes.clear();
    position = 0;
    failed_ = false;
}

void ByteBuffer::append(const void* data, std::size_t n) {
    if (n == 0) return;
    const auto* src = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), src, src + n);
}

void ByteBuffer::writeHalf3(const vec3& v) {
    if (remaining() < 6) {
        fail();
        return;
    }
    const std::uint16_t h[3] = {halfFromFloat(v.x), halfFromFloat(v.y), halfFromFloat(v.z)};
    std::memcpy(bytes.data() + position, h, 6);
    position += 6;
}

bool ByteBuffer::fail() {
    failed_ = true;
    position = std::uint32_t(bytes.size());
    return false;
}

bool ByteBuffer::read(void* dst, std::size_t n) {
    if (n > remaining()) {
        if (n) std::memset(dst, 0, n);
        return fail();
    }
    if (n) std::memcpy(dst, bytes.data() + position, n);
    position += std::uint32_t(n);
    return true;
}

vec3 ByteBuffer::readVec3() { return read<vec3>(); }

mat4 ByteBuffer::readMat4() { return read<mat4>(); }

pbr ByteBuffer::readPbr() { return read<pbr>(); }

std::string ByteBuffer::readBytes(std::size_t n) {
    if (n > remaining()) {
        fail();
        return {};
    }
    std::string s(reinterpret_cast<const char*>(bytes.data() + position), n);
    position += std::uint32_t(n);
    return s;
}

std::uint32_t ByteBuffer::readCount(std::size_t itemSize) {
    const std::uint32_t count = readU32();
    if (itemSize == 0) itemSize = 1; // even empty items must not let a count run away
    if (count > remaining() / itemSize) {
        fail();
        return 0;
    }
    return count;
}

bool ByteBuffer::skip(std::size_t n) {
    if (n > remaining()) return fail();
    position += std::uint32_t(n);
    return true;
}

bool ByteBuffer::seek(std::size_t offset) {
    if (offset > bytes.size()) return fail();
    position = std::uint32_t(offset);
    return true;
}

} // namespace kal
