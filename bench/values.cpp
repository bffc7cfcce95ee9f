// Half-float packing and record writing: the two byte-buffer paths that run over whole
// meshes (normal staging for the GPU, element records in scene files).
#include "foundation/ByteBuffer.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

using namespace kal;

namespace {
constexpr int kValues = 1 << 20;

std::vector<vec3> makeNormals(int count) {
    std::vector<vec3> normals(std::size_t(count / 3 + 1));
    for (std::size_t i = 0; i < normals.size(); ++i) {
        const float a = float(i) * 0.013f, b = float(i) * 0.0071f;
        normals[i] = vec3(std::cos(a) * std::sin(b), std::sin(a) * std::sin(b), std::cos(b));
    }
    return normals;
}
} // namespace

static void HalfFromFloat1M(benchmark::State& state) {
    std::vector<float> values(kValues);
    // a spread of magnitudes, subnormal to overflow, so no range is favoured
    for (int i = 0; i < kValues; ++i) values[std::size_t(i)] = std::ldexp(float(i % 977) - 488.0f, i % 40 - 30);
    std::vector<std::uint16_t> out(kValues);
    for (auto _ : state) {
        for (int i = 0; i < kValues; ++i) out[std::size_t(i)] = halfFromFloat(values[std::size_t(i)]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(HalfFromFloat1M)->Unit(benchmark::kMillisecond);

static void WriteHalf3Normals1M(benchmark::State& state) {
    const std::vector<vec3> normals = makeNormals(kValues);
    ByteBuffer buffer(normals.size() * 6);
    for (auto _ : state) {
        buffer.position = 0;
        for (const vec3& n : normals) buffer.writeHalf3(n);
        benchmark::DoNotOptimize(buffer.bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(normals.size()) * 3);
}
BENCHMARK(WriteHalf3Normals1M)->Unit(benchmark::kMillisecond);

// A mesh-sized record: 100k vertices (position + normal) and 200k triangles of
// three indices and three corner materials, appended value by value.
static void AppendMeshRecord(benchmark::State& state) {
    const int vertices = 100000, triangles = 200000;
    const pbr material;
    for (auto _ : state) {
        ByteBuffer out;
        out.write(std::uint32_t(vertices));
        for (int i = 0; i < vertices; ++i) {
            out.write(vec3(float(i), 1.0f, 2.0f));
            out.write(vec3(0.0f, 0.0f, 1.0f));
        }
        out.write(std::uint32_t(triangles));
        for (int i = 0; i < triangles; ++i) {
            const std::uint32_t corners[3] = {std::uint32_t(i), std::uint32_t(i + 1), std::uint32_t(i + 2)};
            out.write(corners);
            for (int c = 0; c < 3; ++c) out.write(material);
        }
        benchmark::DoNotOptimize(out.bytes.data());
    }
}
BENCHMARK(AppendMeshRecord)->Unit(benchmark::kMillisecond);

static void ReadMeshRecordChecked(benchmark::State& state) {
    const int vertices = 100000;
    ByteBuffer in;
    in.write(std::uint32_t(vertices));
    for (int i = 0; i < vertices; ++i) {
        in.write(vec3(float(i), 1.0f, 2.0f));
        in.write(vec3(0.0f, 0.0f, 1.0f));
    }
    for (auto _ : state) {
        in.position = 0;
        in.clearFailure();
        const std::uint32_t count = in.readCount(2 * sizeof(vec3));
        float sum = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            sum += in.readVec3().x;
            sum += in.readVec3().z;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(ReadMeshRecordChecked)->Unit(benchmark::kMillisecond);
