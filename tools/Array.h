#pragma once
// A tool that places copies of picked objects on every segment of every chain of its curve:
// arrays, chains of alternating links, zippers. The copies are owned by the array and reached only
// through `copies`; its own children behave as any tool's.
#include <cstdint>
#include <vector>

#include "scene/Tool.h"

namespace kal {

constexpr uint32_t arrayToolTag = 0xABCDEF04;

enum ArrayMode : int32_t { ArraySimple = 0, ArrayChain = 1, ArrayZipper = 2 };

// Item sequence entries: bits 0-14 multiplicity, 15-29 item number (1-based, 0 leaves the
// position empty), 30-31 kind.
enum ArrayEntryKind : uint32_t { EntryCyclic = 0, EntryHead = 1, EntryTail = 2 };
constexpr uint32_t arrayEntry(uint32_t item, uint32_t multiplicity, uint32_t kind) {
    return (item & 0x7FFF) << 15 | kind << 30 | (multiplicity & 0x7FFF);
}

// The matrix between neighbouring copies by mode: a quarter turn about Z for chains, the mirror
// through the XZ plane for zippers, the identity otherwise.
mat4 arrayAlternateMatrix(int32_t mode);

class Array : public Tool {
public:
    int32_t mode = ArraySimple;
    Element* source = nullptr; // always the tool's element
    std::vector<Tool*> copies; // owned; an entry may be null
    std::vector<uint32_t> itemSequence;
    mat4 alternateMatrix;

    // Clones every non-null item with its subtree; each clone joins its item's ring.
    Array(Element* source, const std::vector<Tool*>& items, const std::vector<uint32_t>& sequence, int32_t mode,
          const mat4& alternate, const mat4& transform, const pbr& material, bool transparent);
    ~Array() override;

    Tool* setCopy(int i, Tool* t);
    Tool* addCopy(Tool* t);

    int32_t setElement(Element* e) override;
    std::vector<Tool*>* heldCopies() override { return &copies; }
    // A copy leaving the array (deleted on its own) empties its slot: later copies keep their places.
    int removeChild(Tool* c) override;
    // ArrayLayout.cpp: the array's own entry and children, then one placed copy per step.
    void placementStep(PlacementWalker& walker, const PlacementStep& step) override;
    bool isEmpty() override;
    bool isArray() override;
    void serializeBody(ByteBuffer& out, bool wholeScene) override;
    void serialize(ByteBuffer& out, bool wholeScene) override;
    void resolveLinks(const std::vector<Tool*>& tools, const std::vector<Element*>& elements) override;

protected:
    Tool* newCopyOfSelf(bool keepPivot) override;

private:
    // The run of the walk's placements this array worked out, and the walk.
    uint64_t placementsWalk = 0;
    size_t placementsBegin = 0, placementsEnd = 0;
    bool placesCopies = false;
    // Works out the placements, as many as the walk's cap leaves; false when the array places
    // nothing (its element is no curve, the curve has no segments, or there are no copies).
    bool workOutPlacements(PlacementWalker& walker);
};

} // namespace kal
