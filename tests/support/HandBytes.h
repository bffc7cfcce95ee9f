#pragma once
// Little-endian fields appended one by one, as a format table lists them: the hand-laid oracle
// that record tests compare the writers' bytes with.
#include <cstdint>
#include <cstring>
#include <string>

namespace kal::test {

struct Bytes {
    std::string s;
    template <class T>
    Bytes& raw(T v) {
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v); // the tests run on little-endian hosts
        s.append(b, sizeof v);
        return *this;
    }
    Bytes& u32(uint32_t v) { return raw(v); }
    Bytes& i32(int32_t v) { return raw(v); }
    Bytes& u16(uint16_t v) { return raw(v); }
    Bytes& i16(int16_t v) { return raw(v); }
    Bytes& u8(uint8_t v) { return raw(v); }
    Bytes& f32(float v) { return raw(v); }
    Bytes& add(const Bytes& b) {
        s += b.s;
        return *this;
    }
    // Sixteen floats in the order given.
    Bytes& matrix(const float* m) {
        for (int i = 0; i < 16; ++i) f32(m[i]);
        return *this;
    }
    Bytes& identity() {
        for (int i = 0; i < 16; ++i) f32(i % 5 == 0 ? 1.0f : 0.0f);
        return *this;
    }
    uint32_t size() const { return uint32_t(s.size()); }
};

} // namespace kal::test
