// Building the surface of a tube or revolution from its two curves, without GL: the ring grid,
// quad normals smoothed across unmarked joints, the six corner arrays of the GPU layout and the
// outline of rims and creases; and the same surface as a triangle mesh.
#include <algorithm>
#include <climits>

#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// Grid and face-normal lists larger than this are not built; nor is a buffer past 2^31 - 1 bytes.
constexpr uint64_t maxEntries = uint64_t(INT32_MAX) / 12;

// The neighbour of segment s at end k that normals are smoothed with: none at a mark or open end.
int smoothNeighbour(const CurveSegment& s, int k) {
    const uint8_t bit = k == 0 ? SegmentMarkA : SegmentMarkB;
    return (s.flags & bit) || s.neighbour[k] < 0 ? -1 : s.neighbour[k];
}

// A rim or crease at end k: the end is marked or open.
bool breaksAt(const CurveSegment& s, int k) {
    return (s.flags & (k == 0 ? SegmentMarkA : SegmentMarkB)) || s.neighbour[k] < 0;
}

void pushPoint(std::vector<float>& out, vec3 p) {
    out.push_back(p.x);
    out.push_back(p.y);
    out.push_back(p.z);
}

void pushHalf(std::vector<uint16_t>& out, vec3 n) {
    out.push_back(halfFromFloat(n.x));
    out.push_back(halfFromFloat(n.y));
    out.push_back(halfFromFloat(n.z));
}

int aliveSegments(const Curve& c) {
    return int(std::count_if(c.segments.begin(), c.segments.end(), [](const CurveSegment& s) { return s.alive(); }));
}

// Section points in the section's own frame (its placement removed); zero for dead points.
std::vector<vec3> sectionPoints(Curve& section, bool aliveOnly) {
    std::vector<vec3> s(section.points.size(), vec3{});
    for (size_t j = 0; j < s.size(); ++j)
        if (!aliveOnly || section.points[j].alive()) s[j] = section.toLocal(section.points[j].position);
    return s;
}

} // namespace

pbr combineMaterials(const pbr& A, const pbr& S) {
    pbr m;
    auto product = [](uint16_t a, uint16_t s) {
        return uint16_t(std::min<uint64_t>(65535, uint64_t(a) * uint64_t(s) / 65535));
    };
    auto sum = [](uint16_t a, uint16_t s) { return uint16_t(std::min<uint32_t>(65535, uint32_t(a) + s)); };
    auto signedSum = [](int16_t a, int16_t s) {
        return int16_t(std::max(-kPbrSignedLimit, std::min(kPbrSignedLimit, int(a) + int(s))));
    };
    m.red = product(A.red, S.red);
    m.green = product(A.green, S.green);
    m.blue = product(A.blue, S.blue);
    m.opacity = product(A.opacity, S.opacity);
    m.lightRed = sum(A.lightRed, S.lightRed);
    m.lightGreen = sum(A.lightGreen, S.lightGreen);
    m.lightBlue = sum(A.lightBlue, S.lightBlue);
    m.refractivity = sum(A.refractivity, S.refractivity);
    m.roughness = signedSum(A.roughness, S.roughness);
    m.metalness = signedSum(A.metalness, S.metalness);
    return m;
}

bool CurveSurface::ringCollapses(int) const { return false; }
void CurveSurface::prepareRings() {}

bool CurveSurface::buildArrays(const bool staleParts[4], SurfaceArrays& out) {
    out = SurfaceArrays();
    if (!axis || !section || axis->segments.empty() || section->segments.empty()) return false;
    const Curve& A = *axis;
    const Curve& S = *section;
    const size_t nA = A.points.size(), nS = S.points.size(), mA = A.segments.size(), mS = S.segments.size();
    const uint64_t quads = uint64_t(aliveSegments(A)) * uint64_t(aliveSegments(S));
    // sizes in 64 bits: long curves must not wrap the counts or the byte offsets
    if (quads * 6 * 34 > uint64_t(INT32_MAX) || uint64_t(nA) * nS > maxEntries || uint64_t(mA) * mS > maxEntries)
        return false;

    std::vector<vec3> grid, faces;
    if (staleParts[StalePositions] || staleParts[StaleNormals]) {
        prepareRings();
        const std::vector<vec3> s = sectionPoints(*section, true);
        grid.assign(nA * nS, vec3{});
        for (size_t i = 0; i < nA; ++i) {
            if (!A.points[i].alive()) continue;
            mat3 F;
            vec3 origin;
            ringMap(int(i), F, origin);
            for (size_t j = 0; j < nS; ++j)
                if (S.points[j].alive()) grid[i * nS + j] = origin + s[j] * F;
        }
    }
    auto P = [&](const CurveSegment& a, const CurveSegment& b, int k, int l) {
        return grid[size_t(a.end(k)) * nS + size_t(b.end(l))];
    };
    if (staleParts[StaleNormals]) {
        faces.assign(mA * mS, vec3{});
        for (size_t a = 0; a < mA; ++a) {
            if (!A.segments[a].alive()) continue;
            for (size_t b = 0; b < mS; ++b) {
                if (!S.segments[b].alive()) continue;
                const CurveSegment &sa = A.segments[a], &sb = S.segments[b];
                const vec3 p00 = P(sa, sb, 0, 0), p01 = P(sa, sb, 0, 1), p10 = P(sa, sb, 1, 0), p11 = P(sa, sb, 1, 1);
                faces[a * mS + b] = cross((p00 - p01) + (p10 - p11), (p00 + p01) - (p10 + p11));
            }
        }
    }

    const size_t n = size_t(quads) * 6;
    if (staleParts[StalePositions]) out.positions.reserve(3 * n);
    if (staleParts[StaleNormals]) out.normals.reserve(3 * n);
    if (staleParts[StaleMaterials]) {
        out.colours.reserve(4 * n);
        out.lights.reserve(4 * n);
        out.materials.reserve(2 * n);
    }
    if (staleParts[StaleIds]) out.ids.reserve(n);

    static const int order[6][2] = {{0, 0}, {0, 1}, {1, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (size_t a = 0; a < mA; ++a) {
        const CurveSegment& sa = A.segments[a];
        if (!sa.alive()) continue;
        for (size_t b = 0; b < mS; ++b) {
            const CurveSegment& sb = S.segments[b];
            if (!sb.alive()) continue;
            out.vertices += 6;
            if (staleParts[StalePositions]) {
                for (const auto& c : order) pushPoint(out.positions, P(sa, sb, c[0], c[1]));
                // a crease shared by two segments is drawn once, by the later one
                for (int k = 0; k < 2; ++k)
                    if (breaksAt(sa, k) && sa.neighbour[k] < int(a)) {
                        pushPoint(out.lines, P(sa, sb, k, 0));
                        pushPoint(out.lines, P(sa, sb, k, 1));
                    }
                for (int l = 0; l < 2; ++l)
                    if (breaksAt(sb, l) && sb.neighbour[l] < int(b)) {
                        pushPoint(out.lines, P(sa, sb, 0, l));
                        pushPoint(out.lines, P(sa, sb, 1, l));
                    }
            }
            if (staleParts[StaleNormals]) {
                const vec3 own = faces[a * mS + b];
                vec3 corner[2][2] = {{own, own}, {own, own}};
                const int pS[2] = {smoothNeighbour(sb, 0), smoothNeighbour(sb, 1)};
                for (int k = 0; k < 2; ++k) {
                    const int pA = smoothNeighbour(sa, k);
                    if (pA >= 0) {
                        for (int l = 0; l < 2; ++l) {
                            corner[k][l] += faces[size_t(pA) * mS + b];
                            if (pS[l] >= 0) corner[k][l] += faces[size_t(pA) * mS + size_t(pS[l])];
                        }
                    }
                }
                for (int l = 0; l < 2; ++l)
                    if (pS[l] >= 0)
                        for (int k = 0; k < 2; ++k) corner[k][l] += faces[a * mS + size_t(pS[l])];
                for (const auto& c : order) pushHalf(out.normals, normalize(corner[c[0]][c[1]]));
            }
            if (staleParts[StaleMaterials]) {
                for (const auto& c : order) {
                    const pbr m = combineMaterials(sa.material[c[0]], sb.material[c[1]]);
                    for (uint16_t v : {m.red, m.green, m.blue, m.opacity}) out.colours.push_back(uint8_t(v >> 8));
                    for (uint16_t v : {m.lightRed, m.lightGreen, m.lightBlue, m.refractivity})
                        out.lights.push_back(uint8_t(v >> 8));
                    out.materials.push_back(m.roughness);
                    out.materials.push_back(m.metalness);
                }
            }
            if (staleParts[StaleIds]) out.ids.insert(out.ids.end(), 6, (uint32_t(a) << 16) + uint32_t(b));
        }
    }
    return true;
}

Element* CurveSurface::toMesh() {
    if (!axis || !section) return nullptr;
    axis->cleanup(false);
    section->cleanup(false);
    touch();
    const Curve& A = *axis;
    const Curve& S = *section;
    if (A.segments.empty() || S.segments.empty()) return nullptr;
    const size_t nA = A.points.size(), nS = S.points.size(), mA = A.segments.size(), mS = S.segments.size();
    if (uint64_t(nA) * nS > maxEntries || 2 * uint64_t(mA) * mS > maxEntries) return nullptr;
    // frames as the compacted axis has them now, not as an earlier build left them
    prepareRings();

    Mesh* mesh = new Mesh();
    mesh->vertices.grow(int(nA * nS), MeshVertex(vec3(), -1, -1, VertexAlive));
    const std::vector<vec3> s = sectionPoints(*section, false);
    std::vector<uint8_t> collapsed(nA, 0);
    for (size_t i = 0; i < nA; ++i) {
        collapsed[i] = ringCollapses(int(i));
        mat3 F;
        vec3 origin;
        ringMap(int(i), F, origin);
        const bool ma = A.points[i].marked();
        for (size_t j = 0; j < nS; ++j) {
            MeshVertex& v = mesh->vertices[int(i * nS + j)];
            v.position = origin + s[j] * F;
            const bool ms = S.points[j].marked();
            v.flags = uint8_t(VertexAlive | (ma || ms ? VertexSeam : 0) | (ma && ms ? VertexPinned : 0));
            // a ring on the axis is one point: its first vertex
            if (collapsed[i] && j != 0) v.flags &= uint8_t(~VertexAlive);
        }
    }

    mesh->triangles.grow(int(2 * mA * mS));
    for (size_t a = 0; a < mA; ++a) {
        const CurveSegment& sa = A.segments[a];
        const bool r0 = collapsed[size_t(sa.a)], r1 = collapsed[size_t(sa.b)];
        for (size_t b = 0; b < mS; ++b) {
            const CurveSegment& sb = S.segments[b];
            MeshTriangle& t0 = mesh->triangles[int(2 * (a * mS + b))];
            MeshTriangle& t1 = mesh->triangles[int(2 * (a * mS + b) + 1)];
            t0.flags = t1.flags = 0;
            if (r0 && r1) continue;
            int32_t V[2][2];
            pbr M[2][2];
            for (int k = 0; k < 2; ++k)
                for (int l = 0; l < 2; ++l) {
                    const size_t ring = size_t(sa.end(k)) * nS;
                    V[k][l] = int32_t(collapsed[size_t(sa.end(k))] ? ring : ring + size_t(sb.end(l)));
                    M[k][l] = combineMaterials(sa.material[k], sb.material[l]);
                }
            if (!r0) {
                t0 = MeshTriangle(V[0][0], V[1][0], V[0][1], -1, -1, -1, r1 && breaksAt(sb, 1), breaksAt(sa, 0),
                                  breaksAt(sb, 0), M[0][0], M[1][0], M[0][1]);
            }
            if (!r1) {
                t1 = MeshTriangle(V[1][1], V[0][1], V[1][0], -1, -1, -1, r0 && breaksAt(sb, 0), breaksAt(sa, 1),
                                  breaksAt(sb, 1), M[1][1], M[0][1], M[1][0]);
            }
        }
    }
    mesh->rebuild(0);
    mesh->translation = translation;
    mesh->scale = scale;
    return mesh;
}

} // namespace kal
