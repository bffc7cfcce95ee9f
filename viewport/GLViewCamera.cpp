// The view's camera operations and conversions, over the shared camera block.
#include "viewport/Camera.h"
#include "viewport/GLView.h"

namespace kal {

ProjectionSettings GLView::projectionSettings() const {
    return {width, height, perspective, nearDistance, farDistance, fieldOfView};
}

void GLView::updateCamera() { focalLength = computeCameraMatrices(camera, projectionSettings(), cameraMatrices); }

void GLView::rotateView(float a, float b, float c) { rotateCamera(camera, a, b, c); }
void GLView::panView(float dx, float dy, float dz) { camera.translation = camera.translation + vec3(dx, dy, dz); }
void GLView::zoomView(float d) { zoomCamera(camera, d); }
void GLView::zoomViewAbout(float px, float py, float d) { zoomCameraAbout(camera, px, py, d); }
void GLView::resetView(bool position, bool rotation) { resetCamera(camera, position, rotation); }

vec3 GLView::screenToWorld(float x, float y, float d) const {
    return kal::screenToWorld(projectionSettings(), cameraMatrices, x, y, d);
}
vec3 GLView::worldToNdc(vec3 p) const { return kal::worldToNdc(cameraMatrices, p); }
vec3 GLView::ndcToWindow(vec3 ndc) const { return kal::ndcToWindow(projectionSettings(), ndc); }
vec3 GLView::worldToScreen(vec3 p) const { return kal::worldToScreen(projectionSettings(), cameraMatrices, p); }
vec3 GLView::windowToNdc(vec3 q) const { return kal::windowToNdc(projectionSettings(), q); }
vec3 GLView::ndcToWorld(vec3 ndc) const { return kal::ndcToWorld(cameraMatrices, ndc); }
vec3 GLView::windowToWorld(vec3 q) const { return kal::windowToWorld(projectionSettings(), cameraMatrices, q); }
vec3 GLView::projectToScreen(vec3 p) const { return kal::projectToScreen(projectionSettings(), cameraMatrices, p); }
vec3 GLView::worldToViewDirection(vec3 v) const { return kal::worldToViewDirection(cameraMatrices, v); }
vec3 GLView::viewToWorldDirection(vec3 v) const { return kal::viewToWorldDirection(cameraMatrices, v); }
float GLView::viewZToDepth(float z) const { return kal::viewZToDepth(cameraMatrices, z); }
float GLView::depthToViewZ(float d) const { return kal::depthToViewZ(cameraMatrices, d); }

float GLView::focusDepth() const {
    const float* P = cameraMatrices.projection.m;
    const float focal = focalLength != 0.0f ? focalLength : 1.0f;
    return (P[11] / focal - P[10] + 1.0f) * 0.5f;
}

vec3 GLView::pixelVector(bool useBlock) const {
    if (useBlock && blockSize) return blockExtent;
    const float d = focusDepth();
    return screenToWorld(1, 0, d) - screenToWorld(0, 0, d);
}

vec3 GLView::screenNormal() const { return viewToWorldDirection({0, 0, 1}); }

float GLView::nearPlane() const { return nearPlaneOf(projectionSettings()); }

} // namespace kal
