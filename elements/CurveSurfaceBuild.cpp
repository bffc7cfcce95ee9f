// Building the surface of a tube or revolution from its two curves, without GL: the ring grid,
// quad normals smoothed across unmarked joints, the six corner arrays of the GPU layout and the
// outline of rims and creases; and the same surface as a triangle mesh.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "elements/Curve.h"
#include "elements/CurveSurface.h"
#include "foundation/ByteBuffer.h"
#include "foundation/Parallel.h"
#include "mesh/Mesh.h"

namespace kal {

namespace {

// A mesh of more grid points or triangles than this is not made.
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

// A corner material as the colour, light and material arrays hold it.
struct PackedCorner {
    uint8_t colour[4];
    uint8_t light[4];
    int16_t surface[2];
};

void packCorner(const pbr& m, PackedCorner& out) {
    const uint16_t c[4] = {m.red, m.green, m.blue, m.opacity};
    const uint16_t l[4] = {m.lightRed, m.lightGreen, m.lightBlue, m.refractivity};
    for (int q = 0; q < 4; ++q) {
        out.colour[q] = uint8_t(c[q] >> 8);
        out.light[q] = uint8_t(l[q] >> 8);
    }
    out.surface[0] = m.roughness;
    out.surface[1] = m.metalness;
}

} // namespace

vec3 CurveSurface::sectionToLocal(vec3 p) const {
    const float k = sectionScale != 0.0f ? sectionScale : section->scale;
    const vec3 d = p - section->translation;
    return k == 0.0f ? d : vec3(d.x / k, d.y / k, d.z / k);
}

// Section points in the section's own frame (its placement removed); zero for dead points.
std::vector<vec3> CurveSurface::sectionPoints(bool aliveOnly) const {
    std::vector<vec3> s(section->points.size(), vec3{});
    for (size_t j = 0; j < s.size(); ++j)
        if (!aliveOnly || section->points[j].alive()) s[j] = sectionToLocal(section->points[j].position);
    return s;
}

bool CurveSurface::ringCollapses(int) const { return false; }
void CurveSurface::prepareRings() {}

CurveSurface::LivePart::LivePart(const Curve& c) {
    segmentPlace.assign(c.segments.size(), -1);
    for (size_t i = 0; i < segmentPlace.size(); ++i)
        if (c.segments[i].alive()) {
            segmentPlace[i] = int32_t(segments.size());
            segments.push_back(int32_t(i));
        }
    pointPlace.assign(c.points.size(), -1);
    for (int32_t s : segments)
        for (int k = 0; k < 2; ++k) pointPlace[size_t(c.segments[size_t(s)].end(k))] = 0;
    for (size_t i = 0; i < pointPlace.size(); ++i)
        if (pointPlace[i] == 0) {
            pointPlace[i] = int32_t(points.size());
            points.push_back(int32_t(i));
        }
}

bool CurveSurface::buildArrays(const bool staleParts[4], SurfaceArrays& out) {
    // arrays that are not rebuilt keep whatever they held; a reused scratch keeps its storage
    out.corners = 0;
    out.lines.clear();
    if (!axis || !section || axis->segments.empty() || section->segments.empty()) return false;
    const Curve& A = *axis;
    const Curve& S = *section;
    // Everything is sized by the live parts: dead segments are drawn by nobody, and a long curve
    // with one alive segment must not cost the square of its length.
    const LivePart liveAxis(A), liveSection(S);
    const std::vector<int32_t>& la = liveAxis.segments;
    const std::vector<int32_t>& ls = liveSection.segments;
    const std::vector<int32_t>& liveA = liveAxis.segmentPlace;
    const std::vector<int32_t>& liveS = liveSection.segmentPlace;
    const uint64_t quads = uint64_t(la.size()) * uint64_t(ls.size());
    // sizes in 64 bits: long curves must not wrap the counts or the byte offsets; the grid has at
    // most four points a quad
    if (quads * 6 * 34 > uint64_t(INT32_MAX)) return false;
    // the grid's rows and columns: the points the alive segments end on
    const std::vector<int32_t>& rowOf = liveAxis.pointPlace;
    const std::vector<int32_t>& colOf = liveSection.pointPlace;
    const std::vector<int32_t>& rows = liveAxis.points;
    const std::vector<int32_t>& cols = liveSection.points;
    const size_t nS = cols.size();

    std::vector<vec3> grid, faces;
    if (staleParts[StalePositions] || staleParts[StaleNormals]) {
        prepareRings();
        const std::vector<vec3> s = sectionPoints(true);
        grid.assign(rows.size() * nS, vec3{});
        // the ring maps first, then the grid in blocks of points: rings alone are too few to split
        std::vector<mat3> maps(rows.size());
        std::vector<vec3> origins(rows.size());
        for (size_t r = 0; r < rows.size(); ++r)
            if (A.points[size_t(rows[r])].alive()) ringMap(rows[r], maps[r], origins[r]);
        parallelFor(int(grid.size()), [&](int begin, int end) {
            for (int k = begin; k < end; ++k) {
                const size_t r = size_t(k) / nS, j = size_t(cols[size_t(k) % nS]);
                if (A.points[size_t(rows[r])].alive() && S.points[j].alive())
                    grid[size_t(k)] = origins[r] + s[j] * maps[r];
            }
        });
    }
    auto P = [&](const CurveSegment& a, const CurveSegment& b, int k, int l) {
        return grid[size_t(rowOf[size_t(a.end(k))]) * nS + size_t(colOf[size_t(b.end(l))])];
    };
    // the face normal of a pair of segments, zero where either is dead
    auto face = [&](int32_t a, int32_t b) {
        const int32_t ia = liveA[size_t(a)], ib = liveS[size_t(b)];
        return ia < 0 || ib < 0 ? vec3{} : faces[size_t(ia) * ls.size() + size_t(ib)];
    };
    if (staleParts[StaleNormals]) {
        faces.assign(size_t(quads), vec3{});
        // one block per run of quads: the loop over axis segments alone is too short to split
        parallelFor(int(quads), [&](int begin, int end) {
            for (int q = begin; q < end; ++q) {
                const int32_t a = la[size_t(q) / ls.size()], b = ls[size_t(q) % ls.size()];
                const CurveSegment &sa = A.segments[size_t(a)], &sb = S.segments[size_t(b)];
                const vec3 p00 = P(sa, sb, 0, 0), p01 = P(sa, sb, 0, 1), p10 = P(sa, sb, 1, 0), p11 = P(sa, sb, 1, 1);
                faces[size_t(q)] = cross((p00 - p01) + (p10 - p11), (p00 + p01) - (p10 + p11));
            }
        });
    }

    const size_t n = size_t(quads) * 6;
    out.corners = int32_t(n);
    out.forGroups(staleParts, [n](auto& a, size_t perCorner) { a.resize(perCorner * n); });

    // vertices of a quad: triangles c0 c1 c3 and c0 c3 c2, corner c = 2k + l
    static const int order[6] = {0, 1, 3, 0, 3, 2};
    parallelFor(int(quads), [&](int begin, int end) {
        // the section segments this block reaches, a run of one row or else all: a block packs
        // no corners it does not use, or a long section on a short axis packs it once a block
        const size_t rowOfFirst = size_t(begin) / ls.size(), rowOfLast = size_t(end - 1) / ls.size();
        const size_t lo = rowOfFirst == rowOfLast ? size_t(begin) % ls.size() : 0;
        const size_t hi = rowOfFirst == rowOfLast ? size_t(end - 1) % ls.size() + 1 : ls.size();
        std::vector<PackedCorner> corners(staleParts[StaleMaterials] ? (hi - lo) * 4 : 0);
        pbr cachedEnds[2];
        bool cornersValid = false;
        for (int ia = begin / int(ls.size()); ia <= (end - 1) / int(ls.size()); ++ia) {
            const int32_t a = la[size_t(ia)];
            const CurveSegment& sa = A.segments[size_t(a)];
            const int pA[2] = {smoothNeighbour(sa, 0), smoothNeighbour(sa, 1)};
            const size_t first = std::max<size_t>(size_t(begin), size_t(ia) * ls.size()) - size_t(ia) * ls.size();
            const size_t last = std::min<size_t>(size_t(end), size_t(ia + 1) * ls.size()) - size_t(ia) * ls.size();
            // most axis segments carry the materials of the one before: reuse its corners
            if (staleParts[StaleMaterials] &&
                (!cornersValid || sa.material[0] != cachedEnds[0] || sa.material[1] != cachedEnds[1])) {
                cachedEnds[0] = sa.material[0];
                cachedEnds[1] = sa.material[1];
                cornersValid = true;
                for (size_t jb = lo; jb < hi; ++jb)
                    for (int c = 0; c < 4; ++c)
                        packCorner(combineMaterials(sa.material[c >> 1], S.segments[size_t(ls[jb])].material[c & 1]),
                                   corners[(jb - lo) * 4 + size_t(c)]);
            }
            for (size_t ib = first; ib < last; ++ib) {
                const int32_t b = ls[ib];
                const CurveSegment& sb = S.segments[size_t(b)];
                const size_t v0 = (size_t(ia) * ls.size() + ib) * 6;
                if (staleParts[StalePositions]) {
                    const vec3 c[4] = {P(sa, sb, 0, 0), P(sa, sb, 0, 1), P(sa, sb, 1, 0), P(sa, sb, 1, 1)};
                    float* o = out.positions.data() + 3 * v0;
                    for (int v = 0; v < 6; ++v, o += 3) {
                        o[0] = c[order[v]].x;
                        o[1] = c[order[v]].y;
                        o[2] = c[order[v]].z;
                    }
                }
                if (staleParts[StaleNormals]) {
                    const vec3 own = faces[size_t(ia) * ls.size() + ib];
                    vec3 corner[4] = {own, own, own, own};
                    const int pS[2] = {smoothNeighbour(sb, 0), smoothNeighbour(sb, 1)};
                    for (int k = 0; k < 2; ++k) {
                        if (pA[k] < 0) continue;
                        for (int l = 0; l < 2; ++l) {
                            corner[2 * k + l] += face(pA[k], b);
                            if (pS[l] >= 0) corner[2 * k + l] += face(pA[k], pS[l]);
                        }
                    }
                    for (int l = 0; l < 2; ++l)
                        if (pS[l] >= 0)
                            for (int k = 0; k < 2; ++k) corner[2 * k + l] += face(a, pS[l]);
                    uint16_t half[4][3];
                    for (int c = 0; c < 4; ++c) {
                        // normalised in float: the half float keeps ten bits of it
                        const vec3 v = corner[c];
                        const float l2 = v.x * v.x + v.y * v.y + v.z * v.z;
                        const vec3 u = l2 > 1e-20f ? v * (1.0f / std::sqrt(l2)) : v;
                        half[c][0] = halfFromFloat(u.x);
                        half[c][1] = halfFromFloat(u.y);
                        half[c][2] = halfFromFloat(u.z);
                    }
                    uint16_t* o = out.normals.data() + 3 * v0;
                    for (int v = 0; v < 6; ++v, o += 3) std::memcpy(o, half[order[v]], 6);
                }
                if (staleParts[StaleMaterials]) {
                    const PackedCorner* q = &corners[(ib - lo) * 4];
                    for (int v = 0; v < 6; ++v) {
                        const PackedCorner& k = q[order[v]];
                        std::memcpy(out.colours.data() + 4 * (v0 + size_t(v)), k.colour, 4);
                        std::memcpy(out.lights.data() + 4 * (v0 + size_t(v)), k.light, 4);
                        std::memcpy(out.materials.data() + 2 * (v0 + size_t(v)), k.surface, 4);
                    }
                }
                if (staleParts[StaleIds]) std::fill_n(out.ids.data() + v0, 6, (uint32_t(a) << 16) + uint32_t(b));
            }
        }
    });

    if (staleParts[StalePositions]) {
        // rims and creases: a crease shared by two segments is drawn once, by the later one
        auto lineAt = [](const CurveSegment& s, int k, int self) { return breaksAt(s, k) && s.neighbour[k] < self; };
        std::vector<uint8_t> sectionLines(ls.size(), 0);
        for (size_t ib = 0; ib < ls.size(); ++ib)
            sectionLines[ib] = uint8_t(lineAt(S.segments[size_t(ls[ib])], 0, ls[ib]) |
                                       (lineAt(S.segments[size_t(ls[ib])], 1, ls[ib]) << 1));
        for (int32_t a : la) {
            const CurveSegment& sa = A.segments[size_t(a)];
            const uint8_t axisLines = uint8_t(lineAt(sa, 0, a) | (lineAt(sa, 1, a) << 1));
            for (size_t ib = 0; ib < ls.size(); ++ib) {
                if (!(axisLines | sectionLines[ib])) continue;
                const CurveSegment& sb = S.segments[size_t(ls[ib])];
                for (int k = 0; k < 2; ++k)
                    if (axisLines & (1 << k)) {
                        pushPoint(out.lines, P(sa, sb, k, 0));
                        pushPoint(out.lines, P(sa, sb, k, 1));
                    }
                for (int l = 0; l < 2; ++l)
                    if (sectionLines[ib] & (1 << l)) {
                        pushPoint(out.lines, P(sa, sb, 0, l));
                        pushPoint(out.lines, P(sa, sb, 1, l));
                    }
            }
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
    const std::vector<vec3> s = sectionPoints(false);
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
    mesh->rebuild(Recenter::Keep);
    mesh->translation = translation;
    mesh->scale = scale;
    return mesh;
}

} // namespace kal
