#pragma once
// Arrays of 2D layers (one image file per layer) and arrays of cube maps (filled cube
// by cube by the environment builder).
#include "gpu/Texture.h"

namespace kal {

class TextureCube;

class Texture2DArray : public Texture {
public:
    Texture2DArray(int size, int layers, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                   std::uint32_t wrap, std::uint32_t filter);

    void resize(int w, int h, int layers);

    // Adds one layer from an image file; the layer count follows the number of files.
    bool loadFile(const std::string& file, bool usePath);
    // Adds a layer for every line of a list file, each relative to the textures
    // folder; blank lines and lines starting with '#' are skipped.
    bool loadFiles(const std::string& listFile, bool usePath);

    // Reads every file again and scales it to the array's layer size.
    bool compile() override;

    std::vector<std::string> files;
};

class TextureCubeArray : public Texture {
public:
    TextureCubeArray(int size, int cubes, std::uint32_t internalFormat, std::uint32_t format, std::uint32_t type,
                     std::uint32_t wrap, std::uint32_t filter);

    void resize(int size, int cubes);

    // Allocates the storage only; the cubes arrive through setLayer or copyCube.
    bool compile() override;
    // Uploads the six faces of cube n, in face order. Refuses a cube index outside the
    // array and a buffer too short for six faces.
    bool setLayer(int n, const std::vector<std::uint8_t>& faces);
    // Copies a cube map of the same face size into cube n.
    bool copyCube(int n, TextureCube* cube);
};

} // namespace kal
