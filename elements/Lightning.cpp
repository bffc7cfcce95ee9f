#include "elements/Lightning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "foundation/ByteBuffer.h"
#include "gpu/Texture2D.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

float randomPhase(int r) { return float(r % 8009) / 8009.0f * 2.0f - 1.0f; }

int32_t heldOctaves(int32_t n) { return std::clamp(n, 0, maxLightningOctaves); }

// One coordinate of a repeat-wrapped lookup of n texels: the texel below and the weight of the
// one above. Wrapped in floating point first, so a large time or frequency never overflows.
void wrapCoordinate(double a, int n, int& below, double& weight) {
    if (!std::isfinite(a)) a = 0.0;
    a -= double(n) * std::floor(a / double(n));
    const double whole = std::floor(a);
    weight = a - whole;
    below = std::clamp(int(whole), 0, n - 1);
}

} // namespace

Lightning::Lightning(const vec2& amplitude_, const vec2& scale_, int octaves_)
    : Element(LightningType), amplitude(amplitude_), scale(scale_), octaves(heldOctaves(octaves_)) {
    const int r1 = std::rand();
    const int r2 = std::rand();
    phase = vec2(randomPhase(r2), randomPhase(r1));
}

Element* Lightning::acquire(int) {
    if (useCount == 0) {
        useCount = 1;
        return this;
    }
    auto* bolt = new Lightning(amplitude, scale, octaves);
    bolt->useCount = 1;
    return bolt;
}

Element* Lightning::clone() {
    if (useCount == 0) return acquire(1);
    return new Lightning(amplitude, scale, octaves);
}

bool Lightning::save(ByteBuffer& out) {
    out.write(lightningRecordTag);
    out.write(uint32_t(20));
    out.write(amplitude.x);
    out.write(amplitude.y);
    out.write(scale.x);
    out.write(scale.y);
    out.write(octaves);
    return true;
}

vec3 Lightning::displace(const vec3& p, float time) const {
    const double u = double(p.x) * scale.x + phase.x;
    const double v = double(time) * scale.y + phase.y;
    const int H = int(noiseTable.size());
    const int W = H > 0 ? int(noiseTable[0].size()) : 0;
    if (W == 0) return p;
    vec3 sum;
    float f = 1.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        int c0 = 0, r0 = 0;
        double fa = 0, fb = 0;
        wrapCoordinate(u / f * W - 0.5, W, c0, fa);
        wrapCoordinate(v / f * H - 0.5, H, r0, fb);
        const int c1 = (c0 + 1) % W, r1 = (r0 + 1) % H;
        const auto& low = noiseTable[size_t(r0)];
        const auto& high = noiseTable[size_t(r1)];
        const float a = float(fa), b = float(fb);
        const vec3 sample = (high[size_t(c1)] * a + high[size_t(c0)] * (1 - a)) * b +
                            (low[size_t(c1)] * a + low[size_t(c0)] * (1 - a)) * (1 - b);
        sum = sum + sample * f;
        f *= 0.5f;
    }
    return p + sum * amplitude.x;
}

mat4 Lightning::endsTransform(float time) const {
    const vec3 a = displace(vec3(0, 0, 0), time);
    const vec3 b = displace(vec3(1, 0, 0), time);
    mat4 m = mat4::translation(vec3() - a);
    // ends that fall together have no direction: mapVectorOnto then leaves the span as it is
    m *= mat4::mapVectorOnto(b - a, vec3(0, 0, 1));
    return m;
}

namespace {

// The body: amplitude, scale (two floats each) and the octave count; numbers that are not
// finite make the record damaged.
Element* readLightningRecord(ByteBuffer& in, uint32_t, size_t end, bool& ok) {
    ok = false;
    if (end < size_t(in.position) + 20) return nullptr;
    vec2 amplitude, scale;
    amplitude.x = in.readFloat();
    amplitude.y = in.readFloat();
    scale.x = in.readFloat();
    scale.y = in.readFloat();
    const int32_t octaves = in.readI32();
    if (in.failed() || !std::isfinite(amplitude.x) || !std::isfinite(amplitude.y) || !std::isfinite(scale.x) ||
        !std::isfinite(scale.y))
        return nullptr;
    ok = true;
    return new Lightning(amplitude, scale, octaves);
}

} // namespace

void registerLightningRecords() { registerElementReader(lightningRecordTag, readLightningRecord); }

} // namespace kal
