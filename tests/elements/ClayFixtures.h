#pragma once
// Small clays and the deformation formulas worked out on the CPU, as the oracle of the GL tests.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "elements/Clay.h"
#include "gpu/GLFunctions.h"
#include "mesh/Mesh.h"
#include "scene/Gesture.h"

namespace kal::test {

// The icosahedron split once: 80 triangles, 42 vertices, radius about 2.
inline Mesh* subdividedIcosahedron() {
    Mesh* m = Mesh::createIcosahedron();
    m->subdivide(false);
    m->rebuild(Recenter::Keep);
    return m;
}

// One triangle (0,0,0), (1,0,0), (0,1,0) plus a vertex far out on +z in a second triangle.
inline Mesh* cornerMesh() {
    Mesh* m = new Mesh();
    m->addVertex(vec3(0, 0, 0));
    m->addVertex(vec3(1, 0, 0));
    m->addVertex(vec3(0, 1, 0));
    m->addVertex(vec3(0, 0, 5));
    MeshTriangle a, b;
    a.vertex[0] = 0, a.vertex[1] = 1, a.vertex[2] = 2;
    b.vertex[0] = 0, b.vertex[1] = 3, b.vertex[2] = 1;
    m->addTriangle(a);
    m->addTriangle(b);
    m->rebuild(Recenter::Keep);
    return m;
}

// The positions of the clay's current buffer, one per corner.
inline std::vector<vec3> gpuCorners(const Clay& clay) {
    std::vector<vec3> out(size_t(clay.vertexCount));
    if (out.empty() || clay.buffers[0] == 0) return {};
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay.buffers[clay.current]);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(out.size() * 12), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

// The source's corner positions in triangle order (what an upload writes).
inline std::vector<vec3> meshCorners(const Mesh& m) {
    std::vector<vec3> out;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) out.push_back(m.vertices[m.triangles[t].vertex[k]].position);
    return out;
}

// 1 - 3t^2 + 2t^3 of the distance t in brush radii.
inline double smoothStepDown(double t) { return 1 - 3 * t * t + 2 * t * t * t; }

inline dvec3 d3(vec3 v) { return dvec3(v); }

inline vec3 deformReference(vec3 p, const std::vector<vec3>& c, const std::vector<vec3>& disp, float radius) {
    dvec3 sum;
    for (size_t i = 0; i < c.size(); ++i) {
        double t = (d3(p) - d3(c[i])).length() / radius;
        if (t < 1) sum = sum + d3(disp[i]) * smoothStepDown(t);
    }
    return (d3(p) + sum).toFloat();
}

inline vec3 pinchReference(vec3 p, const std::vector<vec3>& c, double shaderIntensity, float radius) {
    dvec3 sum;
    for (vec3 ci : c) {
        dvec3 d = d3(ci) - d3(p);
        double t = d.length() / radius;
        if (t < 1) sum = sum + d * (shaderIntensity * smoothStepDown(t));
    }
    return (d3(p) + sum).toFloat();
}

inline vec3 twistReference(vec3 p, const std::vector<vec3>& c, const std::vector<vec3>& axes, double angle,
                           float radius) {
    dvec3 sum;
    for (size_t i = 0; i < c.size(); ++i) {
        dvec3 d = d3(p) - d3(c[i]), a = d3(axes[i]);
        double t = d.length() / radius;
        if (t >= 1) continue;
        dvec3 x = d - a * dot(d, a);
        // the part of d across the axis turned by the angle (Rodrigues), minus itself
        dvec3 turned = x * std::cos(angle) + cross(a, x) * std::sin(angle);
        sum = sum + (turned - x) * smoothStepDown(t);
    }
    return (d3(p) + sum).toFloat();
}

inline vec3 subPlaneReference(vec3 p, const std::vector<vec3>& c, const std::vector<vec3>& normals) {
    dvec3 sum;
    for (size_t i = 0; i < c.size(); ++i) {
        double s = dot(d3(p) - d3(c[i]), d3(normals[i]));
        if (s > 0) sum = sum - d3(normals[i]) * s;
    }
    return (d3(p) + sum).toFloat();
}

inline vec3 flattenReference(vec3 p, const std::vector<vec3>& c, const std::vector<vec3>& normals, double intensity,
                             float radius) {
    dvec3 sum;
    for (size_t i = 0; i < c.size(); ++i) {
        dvec3 d = d3(p) - d3(c[i]), m = d3(normals[i]);
        double t = d.length() / radius, h = dot(d, m);
        if (t >= 1 || h <= 0) continue;
        double w = t < 0.7 ? 1.0 : smoothStepDown((t - 0.7) / 0.3);
        sum = sum - m * (intensity * w * h);
    }
    return (d3(p) + sum).toFloat();
}

inline vec3 deformVolumeReference(vec3 p, const std::vector<vec3>& c, const std::vector<mat3>& frames, double weight,
                                  float radius) {
    dvec3 sum;
    const double r2 = double(radius) * radius;
    for (size_t i = 0; i < c.size(); ++i) {
        dvec3 x = d3(p) - d3(c[i]);
        double t2 = dot(x, x) / r2;
        if (t2 >= 1) continue;
        double t = std::sqrt(t2);
        double alpha = 1 - t2 * t * (4 - 3 * t), beta = 12 * (t - t2) / r2;
        const float* f = frames[i].m;
        dvec3 f0(f[0], f[1], f[2]), f1(f[3], f[4], f[5]), f2(f[6], f[7], f[8]);
        dvec3 turn = cross(x, f0) * dot(x, f1) - cross(x, f1) * dot(x, f0);
        sum = sum + (f2 * alpha + turn * beta) * alpha;
    }
    return (d3(p) + sum * weight).toFloat();
}

// A sculpt gesture of the given brush whose samples are at the given points (normal +z).
inline Sculptor* stroke(Brush action, const std::vector<vec3>& points, float radius, int32_t state) {
    Sculptor* s = new Sculptor(action, SelectElement, 2);
    for (vec3 p : points) {
        StrokeSample sample;
        sample.point = p;
        sample.normal = vec3(0, 0, 1);
        sample.radius = radius;
        s->samples.push_back(sample);
    }
    s->state = state;
    return s;
}

// A clay over the subdivided icosahedron, uploaded; expectCorners compares its current buffer
// with a formula applied to the corners as they were at `before`.
class IcosahedronClay : public ::testing::Test {
protected:
    void SetUp() override {
        gl->glGetError();
        std::unique_ptr<Mesh> mesh(subdividedIcosahedron());
        clay = std::make_unique<Clay>(mesh.get());
        ASSERT_TRUE(clay->updateGpu());
        before = gpuCorners(*clay);
    }
    void TearDown() override { EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR)); }

    template <class Formula>
    void expectCorners(Formula f, const char* what) {
        const std::vector<vec3> got = gpuCorners(*clay);
        ASSERT_EQ(got.size(), before.size()) << what;
        for (size_t i = 0; i < got.size(); ++i) {
            const vec3 want = f(before[i]);
            EXPECT_NEAR(got[i].x, want.x, 1e-5f) << what << " corner " << i;
            EXPECT_NEAR(got[i].y, want.y, 1e-5f) << what << " corner " << i;
            EXPECT_NEAR(got[i].z, want.z, 1e-5f) << what << " corner " << i;
        }
        before = got;
    }

    std::unique_ptr<Clay> clay;
    std::vector<vec3> before;
};

} // namespace kal::test
