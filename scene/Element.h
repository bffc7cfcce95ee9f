#pragma once
// The base of everything a tool can carry. Elements are shared between tools by use count;
// a holder that wants to edit a shared element detaches it first (copy-on-write).
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Mat.h"
#include "gpu/GLAtom.h" // undrawnThisFrame, which textures count too

namespace kal {

struct pbr;
class ByteBuffer;
class Gesture;

// Rendered frames so far; starts at 1 and the view adds 1 per frame. Change stamps compare with it.
extern int32_t frameCounter;

// One symmetry operation: kind 0..2 mirror in X/Y/Z, 3..5 rotation about X/Y/Z into `count` items.
struct SymmetryOp {
    int32_t kind = 0;
    int32_t count = 0;
};

// Element type codes (8 is unused).
enum ElementType : int32_t {
    MeshType = 0,
    ClayType = 1,
    CurveType = 2,
    UCurveType = 3,
    RevolutonType = 4,
    TubeType = 5,
    LightningType = 6,
    SpriteType = 7,
    AnimatedSpriteType = 9,
};

// Where a rebuild leaves the element's placement (translation and scale).
enum class Recenter {
    Keep, // as it was
    Mean, // on the points' mean, the scale twice the farthest point's distance from it
    Box,  // on the middle of the points' box, the scale its diagonal
};

class Element {
public:
    int32_t stamp = 0;
    int32_t id = -1;
    int32_t useCount = 0;
    bool invalid = false;
    int32_t typeCode = 0;
    bool transparent = false;
    vec3 translation;
    float scale = 1.0f;
    // The last upload of its GL copy failed and was said (uploadRefused).
    bool uploadFailed = false;

    explicit Element(int32_t type) : typeCode(type) {}
    // A copy is a new element: it has no holders and no file id; placement and class carry over.
    Element(const Element& other);
    Element& operator=(const Element& other);
    // Abstract: only the element classes are made.
    virtual ~Element() = 0;

    virtual void reset();
    virtual void rebuild(Recenter mode);
    virtual Element* acquire(int n);
    virtual void release(int n);
    virtual Element* clone();
    virtual Element* detach();
    // point: the picked point in element space; item: the picked triangle or segment (in/out), -1 for none.
    virtual Element* extractSelection(const vec3& point, int& item, int mode);
    virtual Element* extractComponent(const vec3& point, int& item);
    virtual Element* detachComponent(int item);
    virtual Element* extractPatch(const vec3& point, int& item);
    virtual Element* toMesh();
    virtual bool subdivide(bool flag);
    virtual void listParts(std::vector<Element*>& out);
    virtual void collectAll(std::vector<Element*>& out);
    virtual void clearIds();
    virtual void resolveLinks(const std::vector<Element*>& table);
    // Whether the element indices a file gave this element name fitting elements of the file's
    // table; the reader refuses the file otherwise, so resolveLinks never meets a bad index.
    virtual bool partLinksHold(const std::vector<Element*>& table) const;
    virtual void touch();
    virtual bool animate(double time, bool top);
    virtual int32_t changeStamp();
    virtual bool updateGpu();
    virtual void releaseGpu();
    virtual bool bind();
    virtual void unbind();
    virtual bool useShader();
    virtual void endDraw();
    virtual void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight,
                      float time, bool last);
    virtual bool hasGpuGeometry();
    // colour: four bytes red, green, blue, alpha.
    virtual void drawFlat(const mat4& model, const uint8_t* colour, bool last);
    virtual bool hasEditPreview();
    virtual void drawEditPreview(const mat4& model, const uint8_t* colour, bool last);
    // Symmetric copies of one centre and one frame whose Z column is `axis`. signs gets +1 for copies of
    // even handedness and -1 for mirror images, one per centre. itemId and toggle serve the curve kinds.
    virtual void symmetryFrames(std::vector<SymmetryOp>& ops, vec3 centre, vec3 axis, uint8_t mirrorX, uint8_t mirrorY,
                                uint8_t mirrorZ, uint8_t rotateX, uint8_t rotateY, uint8_t rotateZ, int32_t count,
                                std::vector<vec3>& centres, std::vector<mat3>& frames, std::vector<float>& signs,
                                int32_t itemId, uint8_t toggle);
    virtual void applyGestures(const std::vector<Gesture*>& gestures);
    // The view dropped a running stroke (Escape, or the view closing) without its finishing call:
    // whatever the element keeps for the stroke goes.
    virtual void cancelGestures();
    virtual vec3 toWorld(vec3 p);
    virtual float lengthToWorld(float l);
    virtual vec3 toLocal(vec3 p);
    virtual float lengthToLocal(float l);
    virtual mat4 inverseTransform();
    // Writes the element's record; its reader is registered by tag (registerElementReader). False
    // when the element cannot give its present state (bringHome).
    virtual bool save(ByteBuffer& out);
    // Brings what the element keeps only on the GPU (a clay's sculpting) into its own store; false
    // when that fails, and a record or mesh made of it now would be stale.
    virtual bool bringHome();
    virtual bool loadFromFile(const std::string& path);
    virtual bool saveToFile(const std::string& path);
};

// Lets a holder go of its element: releases one count and deletes the element when nobody holds it.
// Answers true when the element was deleted.
bool releaseElement(Element* e);

// What an element whose GL copy could not be made does: it draws nothing, and says so once, in
// the log with its kind, the bytes it tried and why (the GL error), until an upload of it
// succeeds (which clears e.uploadFailed). Counted in undrawnThisFrame. Answers false.
bool uploadRefused(Element& e, const char* kind, uint64_t bytes, const char* why);

} // namespace kal
