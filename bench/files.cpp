// Scene file save/load and OBJ import on a mesh of about a million triangles.
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifdef KAL_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

#include "GLBenchContext.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "mesh/ObjImport.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

constexpr int gridSide = 708; // 2 * 708^2 = 1,002,528 triangles

Mesh* gridMesh(int n) {
    Mesh* m = new Mesh();
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            m->addVertex(vec3(float(x) * 0.01f, float(y) * 0.01f, float((x * y) % 7) * 0.001f));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int a = y * (n + 1) + x, b = a + 1, c = a + n + 2, d = a + n + 1;
            MeshTriangle t1, t2;
            t1.vertex[0] = a, t1.vertex[1] = b, t1.vertex[2] = c;
            t2.vertex[0] = a, t2.vertex[1] = c, t2.vertex[2] = d;
            m->addTriangle(t1);
            m->addTriangle(t2);
        }
    m->rebuild(Recenter::Keep);
    return m;
}

Scene& bigScene() {
    static Scene* scene = [] {
        registerMeshRecords();
        Scene* s = new Scene();
        Tool* t = new Tool(gridMesh(gridSide), mat4(), pbr(), false);
        t->flags |= PlacedFlag;
        s->sceneRoot->addChild(t, false);
        return s;
    }();
    return *scene;
}

const std::string& bigObjText() {
    static const std::string text = [] {
        std::unique_ptr<Mesh> m(gridMesh(gridSide));
        std::string s;
        char buffer[64];
        for (int v = 0; v < m->vertexCount(); ++v) {
            s += "v";
            for (float c : {m->vertices[v].position.x, m->vertices[v].position.y, m->vertices[v].position.z}) {
                s += ' ';
                s.append(buffer, std::to_chars(buffer, buffer + 64, c).ptr);
            }
            s += '\n';
        }
        for (int t = 0; t < m->triangleCount(); ++t) {
            s += "f";
            for (int c = 0; c < 3; ++c) {
                s += ' ';
                s.append(buffer, std::to_chars(buffer, buffer + 64, m->triangles[t].vertex[c] + 1).ptr);
            }
            s += '\n';
        }
        return s;
    }();
    return text;
}

void BM_SceneSave(benchmark::State& state) {
    Scene& s = bigScene();
    size_t bytes = 0;
    for (auto _ : state) {
        ByteBuffer out;
        writeSceneBytes(s, out);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_SceneSave)->Unit(benchmark::kMillisecond);

// Reading includes the mesh rebuild that every load runs (links, rings, normals).
void BM_SceneLoad(benchmark::State& state) {
    ByteBuffer image;
    writeSceneBytes(bigScene(), image);
    for (auto _ : state) {
        Scene r;
        bool ok = readSceneBytes(r, image.data(), image.size());
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}
BENCHMARK(BM_SceneLoad)->Unit(benchmark::kMillisecond);

// The record alone, without the rebuild.
void BM_MeshRecordRead(benchmark::State& state) {
    ByteBuffer record;
    bigScene().sceneRoot->children[0]->element->save(record);
    fileVersion = currentFileVersion;
    for (auto _ : state) {
        record.position = 8;
        bool ok = false;
        std::unique_ptr<Element> m(readMeshRecord(record, meshRecordTag, record.size(), ok));
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(record.size()));
}
BENCHMARK(BM_MeshRecordRead)->Unit(benchmark::kMillisecond);

// The floor: every number of the OBJ text through std::from_chars, as a reader must take it (a
// vertex line's coordinates as floats, a face line's indices as integers), nothing else.
double sumNumbersFromChars(const std::string& text) {
    double sum = 0;
    int64_t indices = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    bool face = p < end && *p == 'f';
    while (p < end) {
        if (*p == '\n') {
            ++p;
            face = p < end && *p == 'f';
            continue;
        }
        if ((*p < '0' || *p > '9') && *p != '-') {
            ++p;
            continue;
        }
        std::from_chars_result r;
        if (face) {
            int32_t v = 0;
            r = std::from_chars(p, end, v);
            indices += v;
        } else {
            float v = 0;
            r = std::from_chars(p, end, v);
            sum += double(v);
        }
        p = r.ptr == p ? p + 1 : r.ptr;
    }
    return sum + double(indices);
}

void BM_ObjNumbersFromChars(benchmark::State& state) {
    const std::string& text = bigObjText();
    for (auto _ : state) benchmark::DoNotOptimize(sumNumbersFromChars(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ObjNumbersFromChars)->Unit(benchmark::kMillisecond);

// Our import as far as `stage` takes it: the parse, the finish (links, hard edges, normals,
// centring), then the corner buffer filled and written as the first frame does.
enum class Stage { Parse, Finish, Drawable };

bool importObj(const std::string& text, Mesh& m, Stage stage) {
    parseObjText(m, text.data(), text.size());
    if (stage >= Stage::Finish) m.finishImport(Recenter::Mean);
    bool drawn = stage < Stage::Drawable || m.updateGpu();
    benchmark::DoNotOptimize(m.triangleCount());
    return drawn;
}

// A GL context for the drawable stage, or the benchmark is skipped.
bool contextFor(benchmark::State& state, Stage stage) {
    if (stage < Stage::Drawable || bench::ensureGLContext()) return true;
    state.SkipWithError("no OpenGL 4.0 core context");
    return false;
}

// Times one floor pass right before each import; the reported time is the import's, counter
// x_from_chars the import as a multiple of the floor (single-threaded).
void BM_ObjImport(benchmark::State& state) {
    const Stage stage = Stage(state.range(0));
    if (!contextFor(state, stage)) return;
    const std::string& text = bigObjText();
    // One untimed import first: the process's first one meets memory the system has not handed
    // it yet and can take three times as long as the next, which would weigh on one run in five.
    {
        auto warm = std::make_unique<Mesh>();
        importObj(text, *warm, stage);
        warm->releaseGpu();
    }
    double floor = 0, measured = 0;
    for (auto _ : state) {
        auto a = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sumNumbersFromChars(text));
        floor += std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
        auto m = std::make_unique<Mesh>();
        auto b = std::chrono::steady_clock::now();
        if (!importObj(text, *m, stage)) state.SkipWithError("the corner buffer was not written");
        double ourTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - b).count();
        measured += ourTime;
        state.SetIterationTime(ourTime);
        m->releaseGpu(); // the mesh and its buffer go outside the timing
    }
    state.counters["floor_ms"] = benchmark::Counter(floor * 1000, benchmark::Counter::kAvgIterations);
    state.counters["x_from_chars"] = floor > 0 ? measured / floor : 0;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ObjImport)
    ->ArgName("stage")
    ->Arg(int(Stage::Parse))
    ->Arg(int(Stage::Finish))
    ->Arg(int(Stage::Drawable))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

#ifdef KAL_HAVE_TINYOBJLOADER
// Our import (parse and finish: a mesh with links and normals, short of the upload LoadObj has no
// counterpart for) beside tinyobjloader's LoadObj (one thread) on the same text, both from memory,
// after one untimed import as BM_ObjImport does; the two take turns at going first. The reported
// time is ours, counter x_loadobj is ours / LoadObj.
void BM_ObjImportVsLoadObj(benchmark::State& state) {
    const std::string& text = bigObjText();
    importObj(text, *std::make_unique<Mesh>(), Stage::Finish);
    double ours = 0, theirs = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        double ourTime = 0;
        for (bool oursNow : {oursFirst, !oursFirst}) {
            auto m = std::make_unique<Mesh>();
            tinyobj::attrib_t attrib;
            std::vector<tinyobj::shape_t> shapes;
            std::vector<tinyobj::material_t> materials;
            std::string warn, err;
            std::istringstream in(oursNow ? std::string() : text);
            auto a = std::chrono::steady_clock::now();
            if (oursNow)
                importObj(text, *m, Stage::Finish);
            else
                tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr);
            // what either side built is freed outside the timing
            (oursNow ? ourTime : theirs) += std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
        }
        oursFirst = !oursFirst;
        ours += ourTime;
        state.SetIterationTime(ourTime);
    }
    state.counters["loadobj_ms"] = benchmark::Counter(theirs * 1000, benchmark::Counter::kAvgIterations);
    state.counters["x_loadobj"] = theirs > 0 ? ours / theirs : 0;
}
BENCHMARK(BM_ObjImportVsLoadObj)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

} // namespace
