#pragma once
// A view with a scene and its two render targets and nothing else, for the GL tests that draw a
// few objects into a small square picture and read it back.
#include "gpu/FBOScene.h"
#include "scene/Scene.h"
#include "viewport/GLView.h"

namespace kal::test {

class TargetsView : public GLView {
public:
    explicit TargetsView(int size) : GLView(size, size, Bare{}) {
        scene = new Scene();
        opaqueTarget = new FBOScene(size, size, 1);
        transparentTarget = new FBOSceneTransparent(*opaqueTarget, 2);
        renderTargets = {opaqueTarget, transparentTarget};
    }
};

} // namespace kal::test
