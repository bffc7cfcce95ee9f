// The mesh's gesture operation forwards to the dispatcher of the editing library, which sits
// above the mesh model and registers itself through registerAll().
#include "mesh/Mesh.h"
#include "scene/Registry.h"

namespace kal {

namespace {
MeshGestureHandler gestureHandler = nullptr;
} // namespace

void registerMeshGestureHandler(MeshGestureHandler handler) { gestureHandler = handler; }

void Mesh::applyGestures(const std::vector<Gesture*>& gestures) {
    if (gestures.empty()) return;
    if (!gestureHandler) throw EmptyRegistry("mesh gesture handler");
    gestureHandler(*this, gestures);
}

} // namespace kal
