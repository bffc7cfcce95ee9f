// The mesh's element record: header, vertex entries of 13 bytes, triangle entries of 73 bytes
// (41 in files before 20060412). Bodies are written and read in one pass over raw bytes.
#include "mesh/MeshRecord.h"

#include <cstring>
#include <memory>

#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "scene/ObjMtlExport.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

constexpr size_t vertexEntry = 13;
constexpr size_t triangleEntry = 73;
constexpr size_t legacyTriangleEntry = 41;

template <class T>
void put(uint8_t*& p, const T& v) {
    std::memcpy(p, &v, sizeof v);
    p += sizeof v;
}
template <class T>
T get(const uint8_t*& p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}

// What a copy of a mesh of n vertices and m triangles reserves.
size_t meshBytes(int n, int m) {
    return sizeof(Mesh) + MeshStore<MeshVertex>::bytesFor(n) + MeshStore<MeshTriangle>::bytesFor(m);
}

// One mesh body at the position into an empty mesh; false when the body is damaged (counts
// beyond the bytes left, corner indices outside the vertex records).
bool readMeshBody(Mesh& mesh, ByteBuffer& in) {
    mesh.translation = in.readVec3();
    mesh.scale = in.readFloat();
    uint32_t n = in.readCount(vertexEntry);
    if (in.failed() || n > uint32_t(INT32_MAX) || !chargeRead(MeshStore<MeshVertex>::bytesFor(int(n)))) return false;
    const uint8_t* p = in.data() + in.position;
    mesh.vertices.grow(int(n));
    for (uint32_t i = 0; i < n; ++i) {
        MeshVertex& v = mesh.vertices[int(i)];
        std::memcpy(&v.position, p, 12);
        // the selection lists are not stored, so a selected flag read back would name nothing
        v.flags = uint8_t(p[12] & ~VertexSelected);
        p += vertexEntry;
    }
    in.skip(size_t(n) * vertexEntry);

    const bool legacy = legacyLayout();
    const size_t entry = legacy ? legacyTriangleEntry : triangleEntry;
    uint32_t m = in.readCount(entry);
    if (in.failed() || m > uint32_t(INT32_MAX) || !chargeRead(MeshStore<MeshTriangle>::bytesFor(int(m)))) return false;
    p = in.data() + in.position;
    mesh.triangles.grow(int(m));
    for (uint32_t i = 0; i < m; ++i) {
        MeshTriangle& t = mesh.triangles[int(i)];
        for (int c = 0; c < 3; ++c) {
            uint32_t vi = get<uint32_t>(p);
            // an index outside the vertex records would be followed by every walk
            if (vi >= n) return false;
            t.vertex[c] = int32_t(vi);
            pbr& q = t.corner[c];
            if (!legacy) {
                std::memcpy(&q, p, sizeof(pbr));
                p += sizeof(pbr);
            } else {
                q = pbrFromBytes(p);
                p += 8;
            }
        }
        if (legacy) p += 4;
        // selection and the passes' scratch marks are working state: a Visited mark read back
        // would keep the triangle out of the winding pass, and its rings would never close
        t.flags = uint8_t(*p++ & ~(TriangleSelected | TriangleVisited | TriangleProcessed));
    }
    in.skip(size_t(m) * entry);
    return !in.failed();
}

// Stands in for a record whose kind this program does not know: the create menu's sphere (the
// icosahedron subdivided three times), built once and rebuilt as a read element is; each
// placeholder is a copy of it.
Element* makePlaceholderSphere(bool charged) {
    static const std::unique_ptr<Mesh> sphere = [] {
        std::unique_ptr<Mesh> ico(Mesh::createIcosahedron());
        std::unique_ptr<Mesh> made(Mesh::subdivided(ico.get(), 3, false, true));
        made->rebuild(Recenter::Keep);
        return made;
    }();
    if (charged && !chargeRead(meshBytes(sphere->vertexCount(), sphere->triangleCount()))) return nullptr;
    return sphere->clone();
}

void writeObjGroup(Element& e, ObjExportTarget& t, const mat4& m, const pbr& material) {
    static_cast<Mesh&>(e).exportObjWithMaterials(t.baseColour, t.emission, t.metalness, t.roughness, t.obj, t.mtl,
                                                 t.totalTools, t.objectNumber, t.vertexBase, t.texCoordBase,
                                                 t.normalBase, t.cellNumber, m, material);
}

void countObjGroup(Element& e, int64_t& vertices, int64_t& triangles) {
    const Mesh& mesh = static_cast<Mesh&>(e);
    vertices = mesh.vertexCount();
    triangles = mesh.triangleCount();
}

bool writeJoinedObj(const std::vector<Element*>& meshes, const std::vector<mat4>& matrices, const std::string& path,
                    std::string* why) {
    Mesh joined;
    for (size_t i = 0; i < meshes.size(); ++i) {
        Mesh part;
        transformMesh(part, static_cast<const Mesh&>(*meshes[i]), matrices[i]);
        joined.append(&part);
    }
    joined.rebuild(Recenter::Keep);
    return joined.exportObj(path, why);
}

} // namespace

Element* readMeshRecord(ByteBuffer& in, uint32_t, size_t, bool& ok) {
    if (!chargeRead(sizeof(Mesh))) return ok = false, nullptr;
    auto mesh = std::make_unique<Mesh>();
    ok = readMeshBody(*mesh, in);
    return ok ? mesh.release() : nullptr;
}

void registerMeshRecords() {
    registerElementReader(meshRecordTag, readMeshRecord);
    registerPlaceholderElement(makePlaceholderSphere);
    registerObjMeshWriter(writeObjGroup, countObjGroup);
    registerObjJoinedWriter(writeJoinedObj);
}

bool Mesh::save(ByteBuffer& out) {
    const size_t n = size_t(vertices.size()), m = size_t(triangles.size());
    const size_t body = 24 + vertexEntry * n + triangleEntry * m;
    const size_t start = out.bytes.size();
    out.bytes.resize(start + 8 + body);
    uint8_t* p = out.bytes.data() + start;
    put(p, meshRecordTag);
    put(p, uint32_t(body));
    put(p, translation);
    put(p, scale);
    put(p, uint32_t(n));
    for (size_t i = 0; i < n; ++i) {
        const MeshVertex& v = vertices[int(i)];
        put(p, v.position);
        put(p, v.flags);
    }
    put(p, uint32_t(m));
    for (size_t i = 0; i < m; ++i) {
        const MeshTriangle& t = triangles[int(i)];
        for (int c = 0; c < 3; ++c) {
            put(p, uint32_t(t.vertex[c]));
            put(p, t.corner[c]);
        }
        put(p, t.flags);
    }
    return true;
}

} // namespace kal
