// Symmetric copies of one pick per frame: replication under three mirrors and a rotation, the
// merging of copies that coincide (every copy on the rotation axis collapses to one), and the
// placement matrices of all copies.
#include <benchmark/benchmark.h>

#include "viewport/GLView.h"
#include "viewport/SymmetricPlacement.h"
#include "viewport/SymmetryReplication.h"

using namespace kal;

namespace {

std::vector<SymmetryOp> allOps(int count) {
    std::vector<SymmetryOp> ops;
    symmetryOps(ops, true, true, true, false, false, true, count);
    return ops;
}

void replicate(benchmark::State& state) {
    const auto ops = allOps(int(state.range(0)));
    for (auto _ : state) {
        std::vector<vec3> p{{0.3f, 0.2f, 0.1f}};
        std::vector<mat3> f{mat3()};
        std::vector<float> s;
        replicateBySymmetry(p, f, s, mat4::translationXYZ(1, 2, 3), ops);
        benchmark::DoNotOptimize(p.data());
    }
    state.SetItemsProcessed(state.iterations() * 8 * state.range(0));
}
BENCHMARK(replicate)->Arg(6)->Arg(100)->Arg(1000);

// The worst case of snapping: a point on the axis, whose copies all merge into one.
void mergeOnAxis(benchmark::State& state) {
    const auto ops = allOps(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<vec3> p{{0, 0, 0.5f}};
        std::vector<mat3> f{mat3()};
        std::vector<float> s;
        replicateBySymmetry(p, f, s, mat4(), ops);
        std::vector<uint8_t> masks;
        symmetryMasks(masks, ops);
        std::vector<std::vector<vec3>> cols(3);
        for (const mat3& m : f)
            for (int c = 0; c < 3; ++c) cols[size_t(c)].push_back(m.column(c));
        std::vector<int32_t> first, second;
        int32_t count = int32_t(state.range(0));
        state.ResumeTiming();
        mergeCoincidentCopies(p, masks, count, cols, s, first, second, 0.01f);
        benchmark::DoNotOptimize(p.data());
    }
}
BENCHMARK(mergeOnAxis)->Arg(6)->Arg(32)->Arg(128);

void placements(benchmark::State& state) {
    SymmetricPlacementInput in;
    in.point = {0.3f, 0.2f, 0.1f};
    in.normal = {0, 0, 1};
    in.pixelVector = {0.01f, 0, 0};
    in.sizeInPixels = 20;
    const SymmetrySetting s{1, 1, 1, 0, 0, 1, int32_t(state.range(0))};
    SymmetricPlacementResult out;
    for (auto _ : state) {
        buildSymmetricPlacements(in, s, out);
        benchmark::DoNotOptimize(out.placements.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(out.placements.size()));
}
BENCHMARK(placements)->Arg(6)->Arg(100);

} // namespace
