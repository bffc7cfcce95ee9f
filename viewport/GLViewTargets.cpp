// The view's GPU-side belongings: the two scene render targets and the environment lighting.
#include <QOpenGLFunctions_4_0_Core>

#include "elements/Lightning.h"
#include "gpu/Environment.h"
#include "gpu/FBOScene.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/GLFunctions.h"
#include "tools/BiTool.h"
#include "viewport/GLView.h"

namespace kal {

void GLView::createRenderTargets() {
    opaqueTarget = new FBOScene(width, height, 1);
    transparentTarget = new FBOSceneTransparent(*opaqueTarget, 2);
    renderTargets = {opaqueTarget, transparentTarget};
}

void GLView::destroyGpuObjects() {
    delete environment;
    environment = nullptr;
    for (auto it = renderTargets.rbegin(); it != renderTargets.rend(); ++it) delete *it;
    renderTargets.clear();
    opaqueTarget = nullptr;
    transparentTarget = nullptr;
    deleteBoltTube();
    releaseQuadBuffer();
    releaseCircleBuffer();
    releaseBiToolHelpers();
}

void GLView::resizeRenderTargets() {
    for (FBO* target : renderTargets) target->resize(width, height);
}

void GLView::loadDefaultEnvironment() {
    if (glReady()) {
        gl->glEnable(GL_DEPTH_TEST);
        gl->glDisable(GL_CULL_FACE);
        gl->glDisable(GL_MULTISAMPLE);
        gl->glDisable(GL_BLEND);
        gl->glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    }
    // only ever called once per view; a second call must not leak the first environment
    delete environment;
    environment = new Environment(":/Environments/env_default.jpg", 128, 64, true);
}

bool GLView::buildEnvironment() {
    if (!environment) return true;
    if (environment->build()) return true;
    // the view carries on without environment lighting
    delete environment;
    environment = nullptr;
    return false;
}

} // namespace kal
