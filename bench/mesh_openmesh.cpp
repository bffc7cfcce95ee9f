// Our mesh core beside OpenMesh on the same closed mesh of about a million triangles. Each
// benchmark times both sides in the same iteration; the reported time is ours, and the counters
// give OpenMesh's time and the ratio ours / OpenMesh (the team's goal is a ratio of 0.5 or less).
// Built only when OpenMesh is found.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/MidpointT.hh>

#include "BenchMeshes.h"
#include "mesh/Mesh.h"

namespace {

using OmMesh = OpenMesh::TriMesh_ArrayKernelT<>;
using Clock = std::chrono::steady_clock;

const kal::Mesh& sphere() { return bench::millionTriangleSphere(0); }

// OpenMesh's own build from the index list: its adjacency rebuild.
void buildOpenMesh(const kal::Mesh& src, OmMesh& om) {
    om.clear();
    om.reserve(size_t(src.vertexCount()), size_t(src.triangleCount()) * 3 / 2, size_t(src.triangleCount()));
    std::vector<OmMesh::VertexHandle> handles(size_t(src.vertexCount()));
    for (int v = 0; v < src.vertexCount(); ++v) {
        kal::vec3 p = src.vertices[v].position;
        handles[size_t(v)] = om.add_vertex(OmMesh::Point(p.x, p.y, p.z));
    }
    for (int t = 0; t < src.triangleCount(); ++t) {
        const int32_t* c = src.triangles[t].vertex;
        om.add_face(handles[size_t(c[0])], handles[size_t(c[1])], handles[size_t(c[2])]);
    }
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(benchmark::State& state, double oursMs, double theirsMs) {
    state.counters["ours_ms"] = benchmark::Counter(oursMs, benchmark::Counter::kAvgIterations);
    state.counters["openmesh_ms"] = benchmark::Counter(theirsMs, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = theirsMs > 0 ? oursMs / theirsMs : 0;
}

// Times ours(mesh) and theirs(openmesh) once per iteration; prepare steps stay outside the clocks.
template <class Ours, class Theirs>
void versus(benchmark::State& state, bool omNormals, Ours&& ours, Theirs&& theirs) {
    double oursMs = 0, theirsMs = 0;
    kal::Mesh m = sphere();
    OmMesh om;
    buildOpenMesh(sphere(), om);
    if (omNormals) {
        om.request_face_normals();
        om.request_vertex_normals();
        om.update_normals();
    }
    for (auto _ : state) {
        Clock::time_point a = Clock::now();
        ours(m);
        double ourTime = msSince(a);
        Clock::time_point b = Clock::now();
        theirs(om);
        double theirTime = msSince(b);
        oursMs += ourTime;
        theirsMs += theirTime;
        state.SetIterationTime(ourTime / 1000.0);
    }
    report(state, oursMs, theirsMs);
}

void BM_VsBuildLinks(benchmark::State& state) {
    versus(
        state, false, [](kal::Mesh& m) { benchmark::DoNotOptimize(m.buildLinks()); },
        [](OmMesh& om) { buildOpenMesh(sphere(), om); });
}
BENCHMARK(BM_VsBuildLinks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VsRebuild(benchmark::State& state) {
    versus(
        state, false, [](kal::Mesh& m) { m.rebuild(0); }, [](OmMesh& om) { buildOpenMesh(sphere(), om); });
}
BENCHMARK(BM_VsRebuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VsAllNormals(benchmark::State& state) {
    versus(
        state, true, [](kal::Mesh& m) { m.updateNormals(2); }, [](OmMesh& om) { om.update_normals(); });
}
BENCHMARK(BM_VsAllNormals)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// One uniform Laplace (Jacobi) pass; ours also averages the corner materials, as the product does.
void BM_VsSmoothPass(benchmark::State& state) {
    versus(
        state, true, [](kal::Mesh& m) { m.relax(false, false); },
        [](OmMesh& om) {
            OpenMesh::Smoother::JacobiLaplaceSmootherT<OmMesh> smoother(om);
            smoother.initialize(OpenMesh::Smoother::JacobiLaplaceSmootherT<OmMesh>::Tangential_and_Normal,
                                OpenMesh::Smoother::JacobiLaplaceSmootherT<OmMesh>::C0);
            smoother.smooth(1);
        });
}
BENCHMARK(BM_VsSmoothPass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// One subdivision of a fresh copy on each side; copies are made outside the clocks.
template <class Subdivider>
void subdivideVersus(benchmark::State& state, bool smooth) {
    double oursMs = 0, theirsMs = 0;
    for (auto _ : state) {
        kal::Mesh m = sphere();
        OmMesh om;
        buildOpenMesh(sphere(), om);
        Clock::time_point a = Clock::now();
        m.subdivide(smooth);
        double ourTime = msSince(a);
        Clock::time_point b = Clock::now();
        Subdivider subdivider;
        subdivider.attach(om);
        subdivider(1);
        subdivider.detach();
        double theirTime = msSince(b);
        oursMs += ourTime;
        theirsMs += theirTime;
        state.SetIterationTime(ourTime / 1000.0);
        state.counters["triangles_after"] = double(m.triangleCount());
        state.counters["openmesh_faces_after"] = double(om.n_faces());
    }
    report(state, oursMs, theirsMs);
}

// OpenMesh's "midpoint" subdivider cuts corners off (old vertices go); ours splits 1 to 4.
void BM_VsSubdivideMidpoint(benchmark::State& state) {
    subdivideVersus<OpenMesh::Subdivider::Uniform::MidpointT<OmMesh>>(state, false);
}
BENCHMARK(BM_VsSubdivideMidpoint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// Loop is OpenMesh's 1-to-4 split; it also smooths, so it stands beside our smoothed subdivision.
void BM_VsSubdivideLoop(benchmark::State& state) {
    subdivideVersus<OpenMesh::Subdivider::Uniform::LoopT<OmMesh>>(state, true);
}
BENCHMARK(BM_VsSubdivideLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
