#pragma once
// Helpers for the file tests: a scratch folder, whole-file reads, and a scene with meshes.
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

namespace kal::test {

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& bytes);

// A heap mesh copy of a fixture, as scenes hold them.
Mesh* heapMesh(const Mesh& m);
Tool* newTool(Element* e, bool placed);

// Every tool of both trees in pre-order, tool root first.
std::vector<Tool*> allTools(Scene& s);

// Runs body with the C numeric locale set to one that writes a decimal comma; false when none exists.
bool withCommaLocale(void (*body)(void*), void* arg);

} // namespace kal::test
