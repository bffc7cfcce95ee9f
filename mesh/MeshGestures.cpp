// The mesh's gesture operation forwards to the dispatcher of the editing library, which sits
// above the mesh model and registers itself when the view is built.
#include "mesh/Mesh.h"

namespace kal {

namespace {
MeshGestureHandler gestureHandler = nullptr;
} // namespace

void registerMeshGestureHandler(MeshGestureHandler handler) { gestureHandler = handler; }

void Mesh::applyGestures(const std::vector<Gesture*>& gestures) {
    if (gestureHandler && !gestures.empty()) gestureHandler(*this, gestures);
}

} // namespace kal
