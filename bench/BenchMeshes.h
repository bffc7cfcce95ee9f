#pragma once
// Generated meshes shared by the mesh benchmarks.
#include <cmath>

#include "mesh/Mesh.h"

namespace bench {

// Closed UV sphere with poles: 2 * segments * (rings - 1) triangles, not yet rebuilt.
inline kal::Mesh makeSphere(int rings, int segments) {
    kal::Mesh m;
    const double pi = 3.141592653589793;
    int north = m.addVertex(kal::vec3(0, 0, 1));
    for (int r = 1; r < rings; ++r) {
        double theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            double phi = 2 * pi * s / segments;
            m.addVertex(kal::vec3(float(std::sin(theta) * std::cos(phi)), float(std::sin(theta) * std::sin(phi)),
                                  float(std::cos(theta))));
        }
    }
    int south = m.addVertex(kal::vec3(0, 0, -1));
    auto ring = [segments](int r, int s) { return uint32_t(1 + (r - 1) * segments + (s % segments)); };
    for (int s = 0; s < segments; ++s) m.addTriangle(uint32_t(north), ring(1, s), ring(1, s + 1), false, false, false);
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s) {
            m.addTriangle(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1), false, false, false);
            m.addTriangle(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1), false, false, false);
        }
    for (int s = 0; s < segments; ++s)
        m.addTriangle(uint32_t(south), ring(rings - 1, s + 1), ring(rings - 1, s), false, false, false);
    return m;
}

// About a million triangles (501 rings of 1000 segments), rebuilt once per rebuild mode (0 to 2).
inline const kal::Mesh& millionTriangleSphere(kal::Recenter recenter) {
    static kal::Mesh* built[3] = {};
    kal::Mesh*& m = built[int(recenter)];
    if (!m) {
        m = new kal::Mesh(makeSphere(501, 1000));
        m->rebuild(recenter);
    }
    return *m;
}

} // namespace bench
