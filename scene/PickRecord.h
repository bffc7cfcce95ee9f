#pragma once
// What lies under the cursor: kind, ids, point, normal and the matrices that place the hit.
// A value record, copied into gesture lists and the view's press and hover records; the tools it
// names go null when they are deleted.
#include <cstdint>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "scene/ToolRef.h"

namespace kal {

class Tool;

struct PickRecord {
    // 0 background, 1 hit, 2 same depth, 3 on normal, 4 normal plane, 5 tangent plane, 6 nothing
    int32_t kind = 6;
    int32_t tag = 0;
    // 0 plain; 1, 2, 3 a drawing point set with Shift, Alt, Ctrl
    uint32_t pointKind = 0;
    uint8_t stencilBits = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    uint32_t objectId = 0;
    uint32_t itemId = 0;
    float depth = 0.0f;
    vec3 normal{0, 0, 0};
    vec3 point{0, 0, 0};
    vec3 pixelVector{0, 0, 0};
    vec3 viewAxis{0, 0, 0};
    pbr material;
    float radius = 0.0f;
    float scale = 1.0f;
    // Carried into stroke samples; symmetric copies keep the pick's.
    float factor = 1.0f;
    // +1 for a copy of even handedness, -1 for a mirror image.
    int8_t handedness = 1;
    pbr surfaceMaterial;
    vec3 delta{0, 0, 0};
    mat4 worldToFrame;
    mat4 frameToTarget;
    mat4 rootWorld;
    mat4 objectWorld;
    ToolRef groupRoot;
    ToolRef object;

    // Something was hit and it belongs to an object.
    bool hitsObject() const { return stencilBits != 0 && object; }
};

constexpr int32_t kPickNothing = 6;
// The item id of a symmetric copy (-1 as a signed word): it names no triangle of its own.
constexpr uint32_t kSymmetricCopyItem = 0xFFFFFFFFu;

} // namespace kal
