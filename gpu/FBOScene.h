#pragma once
// The view's two scene render targets: the opaque layer and the transparent layer, of
// the window's size, sharing one depth-stencil texture. Each pixel carries ids for
// picking, colour, light, a normal, depth and the layer's stencil bit.
#include "gpu/FBO.h"

namespace kal {

class FBOScene : public FBO {
public:
    // Its own depth-stencil texture.
    FBOScene(int width, int height, std::uint8_t layer);
    // Shares the other's depth-stencil texture; the colour attachments are its own.
    FBOScene(const FBO& other, std::uint8_t layer);
    ~FBOScene() override;

    // Attachment order: id, colour, light, normal, normal scratch, second colour.
    Texture2D* idTexture = nullptr;
    Texture2D* colorTexture = nullptr;
    Texture2D* lightTexture = nullptr;
    Texture2D* normalTexture = nullptr;
    Texture2D* depthTexture = nullptr;
    Texture2D* colorTexture2 = nullptr;
    Texture2D* normalScratch = nullptr;
    // The compositing's ping-pong pair: the colour texture holding the latest result and
    // the other one. Null until a compositing sets them.
    Texture2D* currentColor = nullptr;
    Texture2D* spareColor = nullptr;

private:
    void createAttachments();
};

class FBOSceneTransparent : public FBOScene {
public:
    FBOSceneTransparent(int width, int height, std::uint8_t layer);
    FBOSceneTransparent(const FBO& other, std::uint8_t layer);
    ~FBOSceneTransparent() override;

    // A seventh colour attachment (RGBA8, linear) some passes also write.
    Texture2D* extraTexture = nullptr;

private:
    void createExtra();
};

} // namespace kal
