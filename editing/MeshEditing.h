#pragma once
// The editing library's entry: it hands the mesh its sculpt dispatcher. The view calls this once
// when it is built; tests call it before they apply gestures.
#include <vector>

namespace kal {

class Gesture;
class Mesh;

void registerMeshEditing();

// The dispatcher itself: chooses, per gesture, the operation by action code, selection mode,
// state and sample count, and raises the mesh's upload flags.
void applyMeshGestures(Mesh& mesh, const std::vector<Gesture*>& gestures);

} // namespace kal
