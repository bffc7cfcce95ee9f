#include "scene/Globals.h"

#include "scene/CameraMatrices.h"

namespace kal {

uint8_t showHelpers = 1;
CameraMatrices cameraMatrices;

} // namespace kal
