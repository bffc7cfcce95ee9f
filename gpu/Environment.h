#pragma once
// The image-based lighting source: one 360-degree image turned into a cube-map array.
// Layers 0 .. levels - 1 hold the image blurred progressively further (layer 0 is the
// image itself cut into faces), for smoother to rougher reflections; layer `levels`
// holds the diffuse light, the image seen through a cosine lobe. Every layer keeps the
// total brightness of layer 0.
#include <string>

namespace kal {

class TextureCubeArray;

class Environment {
public:
    // A relative name not starting with ':' is looked up in the environments folder.
    // No GL work happens here.
    Environment(const std::string& name, int size, int levels, bool relative);
    virtual ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // Renders every layer; needs the GL context current. True at once when already
    // built. False when the image cannot be read: nothing is built and the caller
    // keeps the environment it had.
    bool build();

    std::string fileName;
    bool built = false;
    int size = 0;
    int levels = 0;
    // levels + 1 cubes of size x size RGB8 faces, +X, -X, +Y, -Y, +Z, -Z each.
    TextureCubeArray* map = nullptr;
};

// Blur passes run on level L before the next level is stored: trunc(L ln(L + 1) + 1).
int blurPassCount(int level);

} // namespace kal
