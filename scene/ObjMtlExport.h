#pragma once
// Export of the scene root's objects as Wavefront OBJ with a material file and four PNG maps
// (base colour, emission, metalness, roughness), one 2 x 2 texel cell per triangle.
#include <QImage>
#include <string>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal {

class Element;
class Scene;

// What the per-mesh writer appends to and advances while one export runs.
struct ObjExportTarget {
    QImage baseColour, emission, metalness, roughness;
    std::string obj, mtl;
    int totalTools = 0;
    int objectNumber = 0, vertexBase = 0, texCoordBase = 0, normalBase = 0, cellNumber = 0;
};

// The mesh model writes the object group of one mesh (it lives above the scene model).
using ObjMeshWriter = void (*)(Element& mesh, ObjExportTarget& target, const mat4& exportMatrix,
                               const pbr& toolMaterial);
// Its vertex and triangle store sizes, for the global line and the map size.
using ObjMeshCounter = void (*)(Element& mesh, int64_t& vertices, int64_t& triangles);
void registerObjMeshWriter(ObjMeshWriter writer, ObjMeshCounter counter);

// The mesh model joins meshes, each through its matrix, and writes them as one plain OBJ file
// (why receives the reason of a failed write).
using ObjJoinedWriter = bool (*)(const std::vector<Element*>& meshes, const std::vector<mat4>& matrices,
                                 const std::string& path, std::string* why);
void registerObjJoinedWriter(ObjJoinedWriter writer);
ObjJoinedWriter objJoinedWriter();

// Map size in pixels for a number of faces: cells double across, then down, until they hold them.
void objMapSize(int64_t faces, int& width, int& height);

// Writes prefix.obj, prefix.mtl and the four maps beside them; false when any file failed (why,
// when given, then receives the reason of the first).
bool exportSceneObj(Scene& scene, const std::string& path, std::string* why = nullptr);

} // namespace kal
