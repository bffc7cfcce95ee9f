#include "gpu/FBOScene.h"

#include "gpu/Texture2D.h"

#include <QOpenGLFunctions_4_0_Core>

namespace kal {

namespace {

Texture2D* sceneTexture(int w, int h, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                        std::uint32_t filter) {
    return new Texture2D(w, h, internalFormat, format, type, GL_CLAMP_TO_EDGE, filter);
}

Texture2D* colour8(int w, int h) { return sceneTexture(w, h, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR); }

} // namespace

FBOScene::FBOScene(int width, int height, std::uint8_t layer) : FBO(2, width, height, layer) { createAttachments(); }

FBOScene::FBOScene(const FBO& other, std::uint8_t layer) : FBO(other, layer) { createAttachments(); }

FBOScene::~FBOScene() = default;

void FBOScene::createAttachments() {
    depthTexture = textures.empty() ? nullptr : textures[0];
    const int w = width, h = height;
    idTexture = addAttachment(sceneTexture(w, h, GL_RGB32UI, GL_RGB_INTEGER, GL_UNSIGNED_INT, GL_NEAREST));
    colorTexture = addAttachment(colour8(w, h));
    lightTexture = addAttachment(colour8(w, h));
    normalTexture = addAttachment(sceneTexture(w, h, GL_RGB16F, GL_RGB, GL_HALF_FLOAT, GL_LINEAR));
    normalScratch = addAttachment(sceneTexture(w, h, GL_RGB16F, GL_RGB, GL_HALF_FLOAT, GL_LINEAR));
    colorTexture2 = addAttachment(colour8(w, h));
}

FBOSceneTransparent::FBOSceneTransparent(int width, int height, std::uint8_t layer) : FBOScene(width, height, layer) {
    createExtra();
}

FBOSceneTransparent::FBOSceneTransparent(const FBO& other, std::uint8_t layer) : FBOScene(other, layer) {
    createExtra();
}

FBOSceneTransparent::~FBOSceneTransparent() = default;

void FBOSceneTransparent::createExtra() { extraTexture = addAttachment(colour8(width, height)); }

} // namespace kal
