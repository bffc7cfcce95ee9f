#pragma once
// A surface sculpted on the GPU: a private mesh holds the topology, two GL buffers hold one
// position per triangle corner, and brush passes move them by transform feedback from one
// buffer into the other. The positions come back into the mesh only when the clay is saved,
// copied, converted or subdivided (Clay.cpp storage and drawing, ClayPasses.cpp the passes,
// ClaySculpt.cpp the brush dispatch).
#include <cstdint>
#include <vector>

#include "scene/Element.h"

namespace kal {

class Mesh;
class Shader;

class Clay : public Element {
public:
    // The brush instances one pass can carry (the shaders' uniform arrays).
    static constexpr int passInstances = 20;

    Mesh* source = nullptr;
    std::vector<uint32_t> buffers{0, 0}; // 0 = not created
    uint8_t current = 0;                 // the buffer holding the current positions
    bool bound = false;                  // attribute 0 reads buffers[current]
    int32_t vertexCount = 0;             // corners uploaded: 3 x the source's triangles then
    // Per source vertex, the last corner naming it at the upload (-1: none); the read-back
    // copies one corner per vertex instead of every corner.
    std::vector<int32_t> lastCorner;

    // Builds the clay over a deep copy of element (a mesh); element stays the caller's.
    explicit Clay(Element* element);
    ~Clay() override;
    Clay(const Clay&) = delete;
    Clay& operator=(const Clay&) = delete;

    void reset() override;
    void rebuild(Recenter mode) override;
    Element* acquire(int n) override;
    void release(int n) override;
    // Null while the sculpting cannot come back from the GPU (readBack).
    Element* clone() override;
    Element* toMesh() override;
    bool subdivide(bool flag) override;
    void listParts(std::vector<Element*>& out) override;
    bool updateGpu() override;
    // Keeps the buffers while the sculpting cannot come back from them.
    void releaseGpu() override;
    bool bind() override;
    void unbind() override;
    bool useShader() override;
    void endDraw() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;
    void applyGestures(const std::vector<Gesture*>& gestures) override;
    bool save(ByteBuffer& out) override;
    bool bringHome() override;

    // Copies the current positions into the source (a vertex takes its last corner). False, and
    // the source unchanged, without buffers, with a stale upload, without a current context, or
    // when the driver refuses the read (said in the log).
    bool readBack();
    // Deletes both buffers; the clay keeps its transform (the names can only be deleted with a
    // current context, else they are forgotten).
    void releaseBuffers();
    // Deletes the buffers and uploads the source anew.
    void reupload();
    void drawPass(uint32_t objectId, int32_t itemId, const mat4& world, const pbr& material, bool last);

    // Deformation passes (ClayPasses.cpp). Each runs over every position in batches of at most
    // passInstances instances; without buffers it uploads first, and does nothing when that fails.
    void deform(const std::vector<vec3>& centres, const std::vector<vec3>& displacements, float radius);
    void deformVolume(const std::vector<vec3>& centres, const std::vector<mat3>& frames, float weight, float radius);
    void pinch(const std::vector<vec3>& centres, float intensity, float radius);
    void twist(const std::vector<vec3>& centres, const std::vector<vec3>& axes, float cosA, float sinA, float radius);
    void subPlane(const std::vector<vec3>& centres, const std::vector<vec3>& normals);
    void flatten(const std::vector<vec3>& centres, const std::vector<vec3>& normals, float intensity, float radius);
    // One transform-feedback pass of the current program from buffers[current] into the other
    // buffer; flips current.
    void runDeformPass();
};

// Registers how the scene makes a clay from a mesh and the clay record reader (0xE000000A, a
// mesh body). Safe to call repeatedly.
void registerClayRecords();

} // namespace kal
