// Our mesh core beside OpenMesh on the same closed mesh of about a million triangles. Each
// benchmark times both sides in the same iteration, each doing the same work: where our pass
// leaves normals up to date, OpenMesh's side updates its face and vertex normals too. The
// reported time is ours; counter openmesh_ms is OpenMesh's (it runs on one thread), x_openmesh
// is ours / OpenMesh's, and x_openmesh_1t the same with ours on one thread. Built only when
// OpenMesh is found.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Smoother/JacobiLaplaceSmootherT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/LoopT.hh>

#include "BenchMeshes.h"
#include "mesh/Mesh.h"

namespace {

using OmMesh = OpenMesh::TriMesh_ArrayKernelT<>;
using Clock = std::chrono::steady_clock;
using Smoother = OpenMesh::Smoother::JacobiLaplaceSmootherT<OmMesh>;

const kal::Mesh& sphere() { return bench::millionTriangleSphere(kal::Recenter::Keep); }

// OpenMesh's own build from the index list: its adjacency rebuild.
void buildOpenMesh(OmMesh& om) {
    const kal::Mesh& src = sphere();
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

// Times ours() then theirs() once per iteration, after prepare() (not timed).
template <class Prepare, class Ours, class Theirs>
void versus(benchmark::State& state, Prepare&& prepare, Ours&& ours, Theirs&& theirs) {
    double oursMs = 0, theirsMs = 0;
    for (auto _ : state) {
        prepare();
        Clock::time_point a = Clock::now();
        ours();
        double ourTime = msSince(a);
        Clock::time_point b = Clock::now();
        theirs();
        double theirTime = msSince(b);
        oursMs += ourTime;
        theirsMs += theirTime;
        state.SetIterationTime(ourTime / 1000.0);
    }
    state.counters["ours_ms"] = benchmark::Counter(oursMs, benchmark::Counter::kAvgIterations);
    state.counters["openmesh_ms"] = benchmark::Counter(theirsMs, benchmark::Counter::kAvgIterations);
    state.counters["x_openmesh"] = theirsMs > 0 ? oursMs / theirsMs : 0;
}

// OpenMesh with face and vertex normals, as our meshes always carry.
void requestNormals(OmMesh& om) {
    om.request_face_normals();
    om.request_vertex_normals();
    om.update_normals();
}

// Both sides from the index list to a linked mesh, each into a fresh mesh with our rebuild arrays
// given back first: our records added and linked, OpenMesh's add_vertex and add_face.
void BM_VsBuildLinks(benchmark::State& state) {
    const kal::Mesh& src = sphere();
    std::unique_ptr<kal::Mesh> m;
    std::unique_ptr<OmMesh> om;
    versus(
        state,
        [&] {
            m = std::make_unique<kal::Mesh>();
            om = std::make_unique<OmMesh>();
            kal::releaseRebuildScratch();
        },
        [&] {
            m->vertices.reserve(src.vertexCount());
            m->triangles.reserve(src.triangleCount());
            for (int v = 0; v < src.vertexCount(); ++v) m->addVertex(src.vertices[v].position);
            for (int t = 0; t < src.triangleCount(); ++t) {
                const int32_t* c = src.triangles[t].vertex;
                m->addTriangle(uint32_t(c[0]), uint32_t(c[1]), uint32_t(c[2]), false, false, false);
            }
            benchmark::DoNotOptimize(m->buildLinks());
        },
        [&] { buildOpenMesh(*om); });
}
BENCHMARK(BM_VsBuildLinks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Our whole rebuild (links, winding, rings, normals) against OpenMesh's build without normals.
void BM_VsRebuild(benchmark::State& state) {
    kal::Mesh m = sphere();
    OmMesh om;
    versus(
        state, [] {}, [&] { m.rebuild(kal::Recenter::Keep); }, [&] { buildOpenMesh(om); });
}
BENCHMARK(BM_VsRebuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VsAllNormals(benchmark::State& state) {
    kal::Mesh m = sphere();
    OmMesh om;
    buildOpenMesh(om);
    requestNormals(om);
    versus(
        state, [] {}, [&] { m.updateNormals(kal::NormalUpdate::All); }, [&] { om.update_normals(); });
}
BENCHMARK(BM_VsAllNormals)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// One uniform Laplace (Jacobi) pass: OpenMesh's smooth(1) alone, its smoother built and
// initialised beforehand. Ours also averages the corner materials (skipped on a mesh of one
// material). With argument 1 both sides update the normals afterwards.
void BM_VsSmoothPass(benchmark::State& state) {
    const bool normals = state.range(0) != 0;
    kal::Mesh m = sphere();
    OmMesh om;
    buildOpenMesh(om);
    requestNormals(om);
    Smoother smoother(om);
    smoother.initialize(Smoother::Tangential_and_Normal, Smoother::C0);
    versus(
        state, [] {}, [&] { m.relax(false, normals); },
        [&] {
            smoother.smooth(1);
            if (normals) om.update_normals();
        });
}
BENCHMARK(BM_VsSmoothPass)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("normals")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// One subdivision of a fresh copy on each side (copies made outside the clocks): OpenMesh's Loop
// and our smoothed subdivision both split every triangle in four and move the old vertices; ours
// leaves the normals up to date, so OpenMesh's side updates them too.
void BM_VsSubdivideLoop(benchmark::State& state) {
    std::unique_ptr<kal::Mesh> m;
    std::unique_ptr<OmMesh> om;
    versus(
        state,
        [&] {
            m.reset();
            om.reset();
            m = std::make_unique<kal::Mesh>(sphere());
            om = std::make_unique<OmMesh>();
            buildOpenMesh(*om);
            requestNormals(*om);
        },
        [&] { m->subdivide(true); },
        [&] {
            OpenMesh::Subdivider::Uniform::LoopT<OmMesh> loop;
            loop.attach(*om);
            loop(1);
            loop.detach();
            om->update_normals();
        });
    state.counters["triangles_after"] = double(m->triangleCount());
    state.counters["openmesh_faces_after"] = double(om->n_faces());
}
BENCHMARK(BM_VsSubdivideLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
