#include "foundation/Pbr.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kal {

namespace {

// Field order of pbr: eight unsigned channels, then roughness and metalness.
constexpr std::uint16_t pbr::*kUnsignedFields[8] = {&pbr::red,       &pbr::green,       &pbr::blue,
                                                    &pbr::opacity,   &pbr::lightRed,    &pbr::lightGreen,
                                                    &pbr::lightBlue, &pbr::refractivity};
constexpr byte kUnsignedGroups[8] = {kPbrColor, kPbrColor, kPbrColor, kPbrOpacity,
                                     kPbrLight, kPbrLight, kPbrLight, kPbrRefractivity};
constexpr std::int16_t pbr::*kSignedFields[2] = {&pbr::roughness, &pbr::metalness};
constexpr byte kSignedGroups[2] = {kPbrRoughness, kPbrMetalness};

constexpr std::int64_t pbrAccumulator::*kAccumulatorFields[10] = {
    &pbrAccumulator::red,       &pbrAccumulator::green,      &pbrAccumulator::blue,      &pbrAccumulator::opacity,
    &pbrAccumulator::lightRed,  &pbrAccumulator::lightGreen, &pbrAccumulator::lightBlue, &pbrAccumulator::refractivity,
    &pbrAccumulator::roughness, &pbrAccumulator::metalness};
constexpr byte kAccumulatorGroups[10] = {kPbrColor, kPbrColor, kPbrColor,        kPbrOpacity,   kPbrLight,
                                         kPbrLight, kPbrLight, kPbrRefractivity, kPbrRoughness, kPbrMetalness};

std::int16_t clampStoredSigned(std::int16_t v) {
    if (v < -kPbrSignedLimit) return -kPbrSignedLimit;
    if (v > kPbrSignedLimit) return kPbrSignedLimit;
    return v;
}

std::uint16_t narrowUnsigned(std::int64_t v) { return std::uint16_t(v < 0 ? 0 : (v > 65535 ? 65535 : v)); }

std::int16_t narrowSigned(std::int64_t v) {
    return std::int16_t(v < -kPbrSignedLimit ? -kPbrSignedLimit : (v > kPbrSignedLimit ? kPbrSignedLimit : v));
}

// Truncation toward zero that saturates instead of overflowing; NaN gives the fallback.
std::int64_t truncSaturate(double v, std::int64_t nanFallback) {
    if (std::isnan(v)) return nanFallback;
    constexpr double kTwo63 = 9223372036854775808.0;
    if (v >= kTwo63) return std::numeric_limits<std::int64_t>::max();
    if (v <= -kTwo63) return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(v);
}

} // namespace

bool operator==(const pbr& a, const pbr& b) {
    for (auto f : kUnsignedFields)
        if (a.*f != b.*f) return false;
    for (auto f : kSignedFields)
        if (a.*f != b.*f) return false;
    return true;
}

void pbrCopyMasked(pbr& dst, const pbr& src, int mask) {
    for (int i = 0; i < 8; ++i)
        if (mask & kUnsignedGroups[i]) dst.*kUnsignedFields[i] = src.*kUnsignedFields[i];
    for (int i = 0; i < 2; ++i)
        if (mask & kSignedGroups[i]) dst.*kSignedFields[i] = clampStoredSigned(src.*kSignedFields[i]);
}

pbrFloat pbrFloat::fromPbr(const pbr& p) {
    pbrFloat f;
    for (int i = 0; i < 8; ++i) f.channels[i] = float(p.*kUnsignedFields[i]);
    for (int i = 0; i < 2; ++i) f.channels[8 + i] = float(p.*kSignedFields[i]);
    return f;
}

pbr pbrFloat::toPbr(const pbrFloat& f) {
    // Clamping before the integer conversion keeps NaN and huge values defined.
    pbr p;
    for (int i = 0; i < 8; ++i) {
        double v = std::isnan(f.channels[i]) ? 0.0 : std::trunc(double(f.channels[i]));
        p.*kUnsignedFields[i] = std::uint16_t(v < 0 ? 0 : (v > 65535 ? 65535 : v));
    }
    for (int i = 0; i < 2; ++i) {
        double v = std::isnan(f.channels[8 + i]) ? 0.0 : std::trunc(double(f.channels[8 + i]));
        p.*kSignedFields[i] =
            std::int16_t(v < -kPbrSignedLimit ? -kPbrSignedLimit : (v > kPbrSignedLimit ? kPbrSignedLimit : v));
    }
    return p;
}

pbrFloat operator+(const pbrFloat& a, const pbrFloat& b) {
    pbrFloat r;
    for (int i = 0; i < 10; ++i) r.channels[i] = a.channels[i] + b.channels[i];
    return r;
}

pbrFloat operator*(const pbrFloat& a, float s) {
    pbrFloat r;
    for (int i = 0; i < 10; ++i) r.channels[i] = a.channels[i] * s;
    return r;
}

pbrFloat operator/(const pbrFloat& a, float s) {
    pbrFloat r;
    for (int i = 0; i < 10; ++i) r.channels[i] = a.channels[i] / s;
    return r;
}

pbrAccumulator::pbrAccumulator(const pbr& p) {
    for (int i = 0; i < 8; ++i) this->*kAccumulatorFields[i] = p.*kUnsignedFields[i];
    for (int i = 0; i < 2; ++i) this->*kAccumulatorFields[8 + i] = p.*kSignedFields[i];
}

void pbrAccumulator::add(const pbrAccumulator& other, int mask) {
    for (int i = 0; i < 10; ++i)
        if (mask & kAccumulatorGroups[i]) this->*kAccumulatorFields[i] += other.*kAccumulatorFields[i];
}

void pbrAccumulator::divide(int count, int mask) {
    // the mean of nothing is undefined: keep the sums rather than divide by zero
    if (count < 1) return;
    for (int i = 0; i < 10; ++i)
        if (mask & kAccumulatorGroups[i]) this->*kAccumulatorFields[i] /= count;
}

pbr pbrAccumulator::toPbr() const {
    pbr p;
    for (int i = 0; i < 8; ++i) p.*kUnsignedFields[i] = narrowUnsigned(this->*kAccumulatorFields[i]);
    for (int i = 0; i < 2; ++i) p.*kSignedFields[i] = narrowSigned(this->*kAccumulatorFields[8 + i]);
    return p;
}

pbr combineMaterials(const pbr& a, const pbr& b) {
    auto product = [](uint16_t x, uint16_t y) { return uint16_t(uint64_t(x) * y / 65535); };
    auto sum = [](uint16_t x, uint16_t y) { return uint16_t(std::min(65535, int(x) + int(y))); };
    auto signedSum = [](int16_t x, int16_t y) {
        return int16_t(std::clamp(int(x) + int(y), -kPbrSignedLimit, kPbrSignedLimit));
    };
    return pbrChannels(a, b, product, sum, signedSum);
}

pbr pbrMean(const pbr& a, const pbr& b) {
    auto u = [](std::uint16_t x, std::uint16_t y) { return std::uint16_t((std::int32_t(x) + y) / 2); };
    auto s = [](std::int16_t x, std::int16_t y) { return narrowSigned((std::int32_t(x) + y) / 2); };
    return pbrChannels(a, b, u, u, s);
}

pbrAccumulator mix(const pbrAccumulator& a, const pbrAccumulator& b, float t, int mask) {
    pbrAccumulator r = a;
    for (int i = 0; i < 10; ++i) {
        if (!(mask & kAccumulatorGroups[i])) continue;
        std::int64_t av = a.*kAccumulatorFields[i];
        double difference = double(b.*kAccumulatorFields[i]) - double(av);
        r.*kAccumulatorFields[i] = truncSaturate(difference * double(t) + double(av), av);
    }
    return r;
}

pbr pbrFromBytes(const uint8_t* b) {
    pbr p;
    p.red = uint16_t(b[0] * 256);
    p.green = uint16_t(b[1] * 256);
    p.blue = uint16_t(b[2] * 256);
    p.opacity = uint16_t(b[3] * 256);
    p.lightRed = uint16_t(b[4] * 256);
    p.lightGreen = uint16_t(b[5] * 256);
    p.lightBlue = uint16_t(b[6] * 256);
    p.refractivity = uint16_t(b[7] * 256);
    p.roughness = 0;
    p.metalness = 0;
    return p;
}

} // namespace kal
