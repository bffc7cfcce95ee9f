#pragma once
// Gradient noise (improved fade curve) in 2-D and 3-D over the reference permutation,
// a fractal sum of 2-D octaves and a seamless 1-D noise made of cosine waves.
#include <cstdint>
#include <vector>

namespace kal {

extern const int referencePermutation[256];
extern const int noiseGradients[12][3];

// Filled on first use: entry i is referencePermutation[i mod 256], and that mod 12.
// Doubled so that an index up to 511 needs no wrapping.
extern std::vector<std::int32_t> noisePermutation;
extern std::vector<std::int32_t> noiseGradientIndex;
extern std::uint8_t noiseTablesReady;

void initNoiseTables();
void ensureNoiseTables();

// Zero at every lattice point; repeats every 256 units along each axis.
// A NaN or infinite coordinate gives 0.
float gradientNoise2(float x, float y);
float gradientNoise3(float x, float y, float z);

// Sum of octaves of 2-D noise, each shifted by table entries picked by the seed.
float fractalNoise2(float x, float y, int seed, float lacunarity, float gain, int octaves);

// Overwrites values (keeping their number) with count cosine waves; wave k runs k whole
// periods over the array with amplitude 1/1.5^k and a random phase, so the result wraps
// seamlessly from the last value to the first.
void periodicNoise1(std::vector<float>& values, int count);

} // namespace kal
