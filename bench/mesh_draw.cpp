// Drawing a 1M-triangle mesh into the scene render target, and the frame after a brush-sized
// edit: with a marked range the upload follows what the brush touched, without one it rewrites
// the flagged groups of the whole mesh; and the first upload. bytes_per_frame is what was written
// into the corner and line buffers.
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/Texture2D.h"
#include "mesh/Mesh.h"
#include "scene/CameraMatrices.h"

#include "GLBenchContext.h"

#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace kal;

constexpr int targetSize = 512;

// A closed UV sphere of radius 1: 2 x segments x (rings - 1) triangles, about 1M for 501 x 1000.
Mesh* sphere(int rings, int segments) {
    Mesh* m = new Mesh();
    const double pi = 3.141592653589793;
    const int north = m->addVertex(vec3(0, 0, 1));
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double theta = pi * r / rings, phi = 2 * pi * s / segments;
            m->addVertex(vec3(float(std::sin(theta) * std::cos(phi)), float(std::sin(theta) * std::sin(phi)),
                              float(std::cos(theta))));
        }
    const int south = m->addVertex(vec3(0, 0, -1));
    auto at = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    const pbr material;
    auto tri = [&](int a, int b, int c) {
        m->addTriangle(MeshTriangle(a, b, c, -1, -1, -1, false, false, false, material, material, material));
    };
    for (int s = 0; s < segments; ++s) tri(north, at(1, s), at(1, s + 1));
    for (int r = 1; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            tri(at(r, s), at(r + 1, s), at(r + 1, s + 1));
            tri(at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
    for (int s = 0; s < segments; ++s) tri(south, at(rings - 1, s + 1), at(rings - 1, s));
    m->rebuild(Recenter::Keep);
    return m;
}

Mesh& bigMesh() {
    static Mesh* mesh = sphere(501, 1000);
    return *mesh;
}

FBOScene& target() {
    static FBOScene* t = new FBOScene(targetSize, targetSize, 1);
    return *t;
}

void drawFrame(Mesh& mesh) {
    FBOScene& t = target();
    t.bind();
    gl->glViewport(0, 0, targetSize, targetSize);
    const GLenum buffers[4] = {GLenum(t.idTexture->attachment), GLenum(t.colorTexture->attachment),
                               GLenum(t.lightTexture->attachment), GLenum(t.normalTexture->attachment)};
    gl->glDrawBuffers(4, buffers);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
    mesh.draw(1, -1, mat4(), pbr(), false, 0, true);
    gl->glFinish();
}

void setCamera() {
    cameraMatrices = CameraMatrices();
    cameraMatrices.projectionView = mat4{{0.8f, 0, 0, 0, 0, 0.8f, 0, 0, 0, 0, -0.4f, 0, 0, 0, 0, 1}};
}

void meshFrame(benchmark::State& state) {
    if (!bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    setCamera();
    Mesh& mesh = bigMesh();
    drawFrame(mesh); // the first upload is not a frame's work
    const uint64_t start = mesh.bytesUploaded;
    for (auto _ : state) drawFrame(mesh);
    state.counters["triangles"] = double(mesh.gpuVertexCount / 3);
    state.counters["bytes_per_frame"] = double(mesh.bytesUploaded - start) / double(state.iterations());
}
BENCHMARK(meshFrame)->Unit(benchmark::kMillisecond);

// The first frame's upload of the sphere: the corners of every group filled into fresh storage.
void firstUpload(benchmark::State& state) {
    if (!bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    Mesh& mesh = bigMesh();
    for (auto _ : state) {
        state.PauseTiming();
        mesh.releaseGpu();
        state.ResumeTiming();
        if (!mesh.updateGpu()) state.SkipWithError("the corner buffer was not written");
    }
    state.counters["triangles"] = double(mesh.gpuVertexCount / 3);
}
BENCHMARK(firstUpload)->Unit(benchmark::kMillisecond);

// One brush dab: a band of about 2000 triangles pushed out a little, positions and normals flagged.
void brushFrame(benchmark::State& state) {
    if (!bench::ensureGLContext()) {
        state.SkipWithError("no OpenGL 4.0 core context");
        return;
    }
    const bool ranged = state.range(0) != 0;
    setCamera();
    Mesh& mesh = bigMesh();
    drawFrame(mesh);
    const int first = 400000, last = first + 2000;
    const uint64_t start = mesh.bytesUploaded;
    float push = 1.0f;
    for (auto _ : state) {
        push = push > 1.05f ? 1.0f : push + 0.001f;
        for (int t = first; t <= last; ++t)
            for (int k = 0; k < 3; ++k) {
                MeshVertex& v = mesh.vertices[mesh.triangles[t].vertex[k]];
                v.position = normalize(v.position) * push;
            }
        mesh.partChanged[0] = mesh.partChanged[1] = true;
        if (ranged) mesh.markGpuRange(first, last);
        drawFrame(mesh);
    }
    state.counters["bytes_per_frame"] = double(mesh.bytesUploaded - start) / double(state.iterations());
}
BENCHMARK(brushFrame)->Arg(1)->Arg(0)->ArgName("ranged")->Unit(benchmark::kMillisecond);

} // namespace
