// CPU work done when environment cube maps and the noise texture are built: the
// panorama resample runs size^2 texels per face at every cube compile.
#include "gpu/Texture2D.h"
#include "gpu/TextureCube.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

QImage panorama() {
    QImage image(2048, 1024, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    return image;
}

void resampleCubeFaces(benchmark::State& state) {
    const QImage source = panorama();
    const int size = int(state.range(0));
    for (auto _ : state) {
        for (int face = 0; face < 6; ++face)
            benchmark::DoNotOptimize(kal::resampleEquirectangularFace(source, face, size));
    }
    state.SetItemsProcessed(state.iterations() * 6 * size * size);
}
BENCHMARK(resampleCubeFaces)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

void buildNoiseTexture(benchmark::State& state) {
    for (auto _ : state) delete kal::makeNoiseTexture(512, 512);
}
BENCHMARK(buildNoiseTexture)->Unit(benchmark::kMillisecond);

} // namespace
