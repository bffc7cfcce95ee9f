#pragma once
// Small render-target helpers shared by the GL tests.
#include <memory>

namespace kal {
class FBO;
class Texture2D;
} // namespace kal

namespace kal::test {

// Forgets the shared quad, circle and vertex-array objects: a test suite that made them
// in another state (or another context) must not draw through stale names.
void resetSharedGeometry();

// An RGBA8 colour target of w x h, bound, drawn to and cleared to (r, g, b, a).
// Answers null when the target cannot be bound.
std::unique_ptr<FBO> makeColourTarget(int w, int h, Texture2D*& colour, float r = 0, float g = 0, float b = 0,
                                      float a = 0);

} // namespace kal::test
