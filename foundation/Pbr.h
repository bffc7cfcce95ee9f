#pragma once
// Packed physically based material and the colour value of the colour wheel.
// A pbr is ten 16-bit channels; groups of channels are picked by a byte mask.
#include <cstdint>

namespace kal {

using byte = std::uint8_t;

// Channel groups selected by a byte mask. Bits 6 and 7 select nothing.
constexpr byte kPbrColor = 1; // red, green, blue
constexpr byte kPbrLight = 2; // emission red, green, blue
constexpr byte kPbrRoughness = 4;
constexpr byte kPbrMetalness = 8;
constexpr byte kPbrOpacity = 16;
constexpr byte kPbrRefractivity = 32;
constexpr byte kPbrAll = 255;

// Roughness and metalness never reach the i16 extremes.
constexpr int kPbrSignedLimit = 32766;

struct pbr {
    std::uint16_t red = 65535, green = 65535, blue = 65535;
    std::uint16_t opacity = 65535; // 65535 is opaque
    std::uint16_t lightRed = 0, lightGreen = 0, lightBlue = 0;
    std::uint16_t refractivity = 65535;
    std::int16_t roughness = 0, metalness = 0; // within -32766..32766
};
static_assert(sizeof(pbr) == 20, "pbr is stored raw in scene files");

bool operator==(const pbr& a, const pbr& b);
inline bool operator!=(const pbr& a, const pbr& b) { return !(a == b); }

// Copies the masked groups of src into dst; roughness and metalness are clamped
// to -32766..32766 on the way, unselected fields of dst stay as they are.
void pbrCopyMasked(pbr& dst, const pbr& src, int mask);
// The material of older files: colour and opacity, then light and refractivity, a byte each,
// widened by 256; roughness and metalness 0.
pbr pbrFromBytes(const uint8_t* colourThenLight);

// Ten floats holding the raw channel values (0..65535, -32766..32766), not 0..1.
struct pbrFloat {
    float channels[10] = {};
    float& operator[](int i) { return channels[i]; }
    float operator[](int i) const { return channels[i]; }

    static pbrFloat fromPbr(const pbr& p);
    // Truncates toward zero and clamps each channel to its range; NaN becomes 0.
    static pbr toPbr(const pbrFloat& f);
};

pbrFloat operator+(const pbrFloat& a, const pbrFloat& b);
pbrFloat operator*(const pbrFloat& a, float s);
pbrFloat operator/(const pbrFloat& a, float s);

// Widened form for sums and averages of many materials.
struct pbrAccumulator {
    std::int64_t red = 0, green = 0, blue = 0, opacity = 0;
    std::int64_t lightRed = 0, lightGreen = 0, lightBlue = 0, refractivity = 0;
    // Held in 64 bits like the rest so long sums of extreme values cannot overflow.
    std::int64_t roughness = 0, metalness = 0;

    pbrAccumulator() = default;
    pbrAccumulator(const pbr& p); // widening; implicit so a pbr can be added directly

    void add(const pbrAccumulator& other, int mask);
    // Turns a sum of count materials into their mean (truncating toward zero).
    // A count below 1 leaves the sums as they are.
    void divide(int count, int mask);
    pbr toPbr() const;
    void toPbr(pbr& out) const { out = toPbr(); }
};

// A material made channel by channel from a and b: colour(x, y) for red, green, blue and opacity,
// light(x, y) for the light channels and refractivity, sign(x, y) for roughness and metalness.
template <class Colour, class Light, class Signed>
pbr pbrChannels(const pbr& a, const pbr& b, Colour colour, Light light, Signed sign) {
    pbr p;
    p.red = colour(a.red, b.red);
    p.green = colour(a.green, b.green);
    p.blue = colour(a.blue, b.blue);
    p.opacity = colour(a.opacity, b.opacity);
    p.lightRed = light(a.lightRed, b.lightRed);
    p.lightGreen = light(a.lightGreen, b.lightGreen);
    p.lightBlue = light(a.lightBlue, b.lightBlue);
    p.refractivity = light(a.refractivity, b.refractivity);
    p.roughness = sign(a.roughness, b.roughness);
    p.metalness = sign(a.metalness, b.metalness);
    return p;
}

// A surface material under a tool's or another curve's: colours and opacity multiplied, light and
// refractivity added up to 65535, roughness and metalness added within the signed range.
pbr combineMaterials(const pbr& a, const pbr& b);

// The mean of two materials, channel by channel, truncated toward zero: what an accumulator of the
// two divided by 2 gives, without its wide sums (a subdivision takes millions of midpoints).
pbr pbrMean(const pbr& a, const pbr& b);

// Starts from a; every masked channel becomes trunc((b - a) * t + a), computed in
// double. t outside 0..1 extrapolates; results past the integer range saturate.
pbrAccumulator mix(const pbrAccumulator& a, const pbrAccumulator& b, float t, int mask);

// Colour of the colour wheel: four 16-bit channels.
struct wvec4 {
    std::uint16_t r = 0, g = 0, b = 0, a = 0;
    constexpr wvec4() = default;
    constexpr wvec4(std::uint16_t r_, std::uint16_t g_, std::uint16_t b_, std::uint16_t a_)
        : r(r_), g(g_), b(b_), a(a_) {}
};

inline bool operator==(wvec4 x, wvec4 y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }
inline bool operator!=(wvec4 x, wvec4 y) { return !(x == y); }

} // namespace kal
