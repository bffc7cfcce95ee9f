#include "foundation/Noise.h"

#include <cmath>
#include <cstdlib>

namespace kal {

const int referencePermutation[256] = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225, 140, 36,  103, 30,  69,  142,
    8,   99,  37,  240, 21,  10,  23,  190, 6,   148, 247, 120, 234, 75,  0,   26,  197, 62,  94,  252, 219, 203,
    117, 35,  11,  32,  57,  177, 33,  88,  237, 149, 56,  87,  174, 20,  125, 136, 171, 168, 68,  175, 74,  165,
    71,  134, 139, 48,  27,  166, 77,  146, 158, 231, 83,  111, 229, 122, 60,  211, 133, 230, 220, 105, 92,  41,
    55,  46,  245, 40,  244, 102, 143, 54,  65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,
    18,  169, 200, 196, 135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,  52,  217, 226, 250,
    124, 123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212, 207, 206, 59,  227, 47,  16,  58,  17,  182, 189,
    28,  42,  223, 183, 170, 213, 119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101, 155, 167, 43,  172, 9,
    129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185, 112, 104, 218, 246, 97,  228, 251, 34,
    242, 193, 238, 210, 144, 12,  191, 179, 162, 241, 81,  51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,
    181, 199, 106, 157, 184, 84,  204, 176, 115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,  222, 114,
    67,  29,  24,  72,  243, 141, 128, 195, 78,  66,  215, 61,  156, 180};

const int noiseGradients[12][3] = {{1, 1, 0},  {-1, 1, 0},  {1, -1, 0}, {-1, -1, 0}, {1, 0, 1},  {-1, 0, 1},
                                   {1, 0, -1}, {-1, 0, -1}, {0, 1, 1},  {0, -1, 1},  {0, 1, -1}, {0, -1, -1}};

std::vector<std::int32_t> noisePermutation(512, 0);
std::vector<std::int32_t> noiseGradientIndex(512, 0);
std::uint8_t noiseTablesReady = 0;

void initNoiseTables() {
    // the arrays may have been emptied or resized elsewhere; the lookups need all 512
    noisePermutation.assign(512, 0);
    noiseGradientIndex.assign(512, 0);
    for (int i = 0; i < 512; ++i) {
        noisePermutation[i] = referencePermutation[i & 255];
        noiseGradientIndex[i] = noisePermutation[i] % 12;
    }
    noiseTablesReady = 1;
}

void ensureNoiseTables() {
    if (!noiseTablesReady) initNoiseTables();
}

namespace {

struct Cell {
    int wrapped;    // lattice cell AND 255
    float fraction; // position inside the cell, 0 < f <= 1
};

// Whole numbers and negatives go to the cell below (fraction 1); the noise is continuous
// across the border, so only rounding differs. Worked in floats with fmod so that huge
// coordinates never overflow an integer conversion. v must be finite.
Cell cellOf(float v) {
    float lattice = std::trunc(v);
    if (!(v > 0)) lattice -= 1.0f;
    double wrapped = std::fmod(double(lattice), 256.0);
    if (wrapped < 0) wrapped += 256.0;
    return {int(wrapped), v - lattice};
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float blend(float a, float b, float t) { return (1.0f - t) * a + t * b; }

float corner2(int gradient, float x, float y) {
    return float(noiseGradients[gradient][0]) * x + float(noiseGradients[gradient][1]) * y;
}

float corner3(int gradient, float x, float y, float z) {
    const int* g = noiseGradients[gradient];
    return float(g[0]) * x + float(g[1]) * y + float(g[2]) * z;
}

} // namespace

float gradientNoise2(float x, float y) {
    ensureNoiseTables();
    if (!std::isfinite(x) || !std::isfinite(y)) return 0.0f; // no lattice cell to look up
    const Cell cx = cellOf(x), cy = cellOf(y);
    const int i = cx.wrapped, j = cy.wrapped;
    const float fx = cx.fraction, fy = cy.fraction;
    const std::int32_t* p = noisePermutation.data();
    const std::int32_t* g = noiseGradientIndex.data();
    const float c00 = corner2(g[i + p[j]], fx, fy);
    const float c10 = corner2(g[i + 1 + p[j]], fx - 1.0f, fy);
    const float c01 = corner2(g[i + p[j + 1]], fx, fy - 1.0f);
    const float c11 = corner2(g[i + 1 + p[j + 1]], fx - 1.0f, fy - 1.0f);
    const float u = fade(fx), v = fade(fy);
    return blend(blend(c00, c10, u), blend(c01, c11, u), v);
}

float gradientNoise3(float x, float y, float z) {
    ensureNoiseTables();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0.0f;
    const Cell cx = cellOf(x), cy = cellOf(y), cz = cellOf(z);
    const int i = cx.wrapped, j = cy.wrapped, k = cz.wrapped;
    const float fx = cx.fraction, fy = cy.fraction, fz = cz.fraction;
    const std::int32_t* p = noisePermutation.data();
    const std::int32_t* g = noiseGradientIndex.data();
    float c[2][2][2];
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int d = 0; d < 2; ++d)
                c[a][b][d] = corner3(g[i + a + p[j + b + p[k + d]]], fx - float(a), fy - float(b), fz - float(d));
    const float u = fade(fx), v = fade(fy), w = fade(fz);
    const float x00 = blend(c[0][0][0], c[1][0][0], u), x10 = blend(c[0][1][0], c[1][1][0], u);
    const float x01 = blend(c[0][0][1], c[1][0][1], u), x11 = blend(c[0][1][1], c[1][1][1], u);
    return blend(blend(x00, x10, v), blend(x01, x11, v), w);
}

float fractalNoise2(float x, float y, int seed, float lacunarity, float gain, int octaves) {
    if (octaves < 1) return 0.0f;
    float sum = 0.0f, amplitude = 1.0f, frequency = 1.0f;
    // unsigned so that a seed near the integer limit wraps instead of overflowing
    const unsigned base = unsigned(seed);
    for (int k = 0; k < octaves; ++k) {
        const float offset = (k & 1) ? 0.5f : 0.0f;
        const float sx = x * frequency + offset + float(referencePermutation[(base + unsigned(k)) & 255u]);
        const float sy =
            y * frequency + offset + float(referencePermutation[(base + unsigned(octaves) + unsigned(k)) & 255u]);
        sum += gradientNoise2(sx, sy) * amplitude;
        frequency *= lacunarity;
        amplitude *= gain;
    }
    return sum;
}

void periodicNoise1(std::vector<float>& values, int count) {
    const std::size_t n = values.size();
    for (float& v : values) v = 0.0f;
    if (count < 1) return;
    const double pi = 3.14159265358979323846;
    double amplitude = 1.0;
    for (int k = 1; k <= count; ++k) {
        amplitude /= 1.5;
        const double phase = double(std::rand());
        if (n == 0) continue;
        const double step = double(k) * 2.0 * pi / double(n);
        for (std::size_t i = 0; i < n; ++i)
            values[i] = float(double(values[i]) + std::cos(double(i) * step + phase) * amplitude);
    }
}

} // namespace kal
