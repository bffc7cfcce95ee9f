#pragma once
// One end of a pair of tools bound between two objects: each end turns its frame towards the
// other and measures the distance in every placement walk; an end that carries an element draws
// it stretched along the link (guides, hydraulic cylinders, muscles, lightning bolts, cables).
// The pair lives and dies together: deleting either end deletes the other.
#include <cstdint>

#include "scene/Tool.h"

namespace kal {

class Curve;
class Mesh;

constexpr uint32_t biToolRecordTag = 0xABCDEF05;

// How an end stretches its element (BiTool::modelMatrix).
enum BiToolKind : uint32_t {
    BiToolBare = 0,     // no stretch
    BiToolUniform = 1,  // by the link length in every direction (lightning, cable)
    BiToolCylinder = 2, // (0.3, 0.3, length)
    BiToolVolume = 3,   // (s, s, length) with s*s*length the rest length: the volume is kept
};

class BiTool : public Tool {
public:
    uint32_t biToolKind = BiToolBare;
    BiTool* partnerEnd = nullptr;
    mat4 parentFrame;
    mat4 worldFrame;
    int32_t storedParentIndex = -1;
    int32_t storedSecondIndex = -1;
    float restLength = -1.0f;
    float linkLength = 0.0f;
    // The walk (placementWalk) that captured the frames and indices, and whether its frames were
    // world frames; and the last walk that appended this end.
    uint32_t capturedWalk = 0;
    bool capturedInWorld = true;
    bool capturedAsGroup = false; // handed its own index by a root: a group of its own
    uint32_t appendedWalk = 0;
    // The partner's index in the file until resolveLinks.
    uint32_t pendingPartner = 0xFFFFFFFF;

    BiTool(uint32_t kind, Element* e, const mat4& transform, const pbr& material, bool transparent);
    ~BiTool() override;

    Tool* partner() override { return partnerEnd; }
    void forgetPartner() override;
    void attachPartner(Tool* other) override;
    mat4 firstEndFrame() override { return parentFrame; }

    bool isCopyMarked() override;

    // BiToolLayout.cpp: the two-stage walk and the stretch by kind.
    void placementStep(PlacementWalker& walker, const PlacementStep& step) override;
    mat4 modelMatrix(const mat4& parentMatrix) override;
    // Whether the stretch by kind gives the element a size: not before the link is measured, nor
    // when the ends coincide.
    bool stretchDrawable() const;

    void draw(uint32_t objectId, const mat4& parentMatrix, int32_t itemId) override;
    void drawFlat(const mat4& parentMatrix, const uint8_t* colour) override;
    bool hasGeometry() override;
    void drawHelperFlat(const mat4& parentMatrix, const uint8_t* colour) override;
    bool hasHelperGeometry() override;

    void serializeBody(ByteBuffer& out, bool wholeScene) override;
    void serialize(ByteBuffer& out, bool wholeScene) override;
    void resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements) override;

protected:
    // The bare copy of this end (fields, no children, ring or pairing); a cable makes a new tube.
    virtual BiTool* newEnd();
    Tool* newCopyOfSelf(bool keepPivot) override;
    // Whichever end is copied second pairs the two copies.
    void copied(Tool* copy) override;
    void writeRecord(ByteBuffer& out, bool wholeScene, uint32_t tag);

private:
    // One end's half of the walk: measures the link, appends itself and queues its children.
    void measureAndAppend(PlacementWalker& walker, bool ownGroup, bool placed);
    void capture(const mat4& parentMatrix, int parentIndex, int secondIndex);
};

// The marker cube and the unit segment the ends draw while helpers are shown, made on first use.
// Freed with the view (a GL context current).
Mesh* biToolHelperCube();
Curve* biToolHelperSegment();
void releaseBiToolHelpers();

} // namespace kal
