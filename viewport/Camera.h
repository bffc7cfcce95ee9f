#pragma once
// The camera of the viewport: its pan/rotation/zoom state, the projection settings, and the maths
// that turns them into the shared CameraMatrices block and converts between world, normalised
// device and window coordinates. Plain maths: no GL, no Qt.
#include "foundation/Mat.h"
#include "scene/CameraMatrices.h"

namespace kal {

// Pan, rotation and zoom of the one camera the view owns.
struct CameraState {
    vec3 translation{0, 0, 0}; // pan, view units, added after rotation and scale
    mat3 rotation;             // identity
    float scale = 1.0f;        // uniform zoom, never below kMinCameraScale
    bool animateCamera = true; // the "Animate Camera" action
};

constexpr float kMinCameraScale = 1e-5f;

// What the projection needs of the view besides the camera state.
struct ProjectionSettings {
    int width = 1, height = 1; // render pixels
    int perspective = 0;       // 0 orthographic, 1 perspective
    float nearDistance = 10.0f;
    float farDistance = 10000.0f;
    float fieldOfView = 60.0f; // horizontal, degrees
};

// Fills every entry of out from the camera and the projection; answers the focal length (pixels
// at which one view unit is one pixel).
float computeCameraMatrices(const CameraState& camera, const ProjectionSettings& p, CameraMatrices& out);

// Full 4x4 inverse (computed in double); the identity when the matrix is singular.
mat4 inverseFull(const mat4& m);

// Window coordinates count pixels from the left and from the bottom row; depth runs 0..1.
vec3 screenToWorld(const ProjectionSettings& p, const CameraMatrices& c, float x, float y, float depth);
vec3 worldToNdc(const CameraMatrices& c, vec3 world);
vec3 ndcToWindow(const ProjectionSettings& p, vec3 ndc);
vec3 windowToNdc(const ProjectionSettings& p, vec3 window);
vec3 ndcToWorld(const CameraMatrices& c, vec3 ndc);
vec3 worldToScreen(const ProjectionSettings& p, const CameraMatrices& c, vec3 world);
vec3 windowToWorld(const ProjectionSettings& p, const CameraMatrices& c, vec3 window);
vec3 projectToScreen(const ProjectionSettings& p, const CameraMatrices& c, vec3 world);
vec3 worldToViewDirection(const CameraMatrices& c, vec3 v);
vec3 viewToWorldDirection(const CameraMatrices& c, vec3 v);
float viewZToDepth(const CameraMatrices& c, float viewZ);
float depthToViewZ(const CameraMatrices& c, float depth);
// Near bound of the window depth: the near distance in perspective, -far in orthographic.
float nearPlaneOf(const ProjectionSettings& p);

// Camera operations of the view.
void rotateCamera(CameraState& camera, float a, float b, float c);
void zoomCamera(CameraState& camera, float d);
void zoomCameraAbout(CameraState& camera, float px, float py, float d);
void resetCamera(CameraState& camera, bool position, bool rotation);
// One turntable step: the rotation turned from the right by 0.25 degrees about +Y.
void turnCamera(CameraState& camera);

} // namespace kal
