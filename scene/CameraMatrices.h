#pragma once
// The camera block: written once per frame by the view's camera update, read by draws and by
// camera-facing tools. Identity until the first frame is rendered.
#include "foundation/Mat.h"

namespace kal {

struct CameraMatrices {
    mat4 lineProjectionView;
    mat4 lineProjection;
    mat3 inverseCameraRotation;
    mat3 cameraRotation;
    mat4 inverseProjectionView;
    mat4 projectionView;
    mat4 cameraTransform; // the facing matrix of camera-facing mode 0x40
    mat4 inverseView;
    mat4 viewMatrix;
    mat4 projection;
};

extern CameraMatrices cameraMatrices;

} // namespace kal
