#pragma once
// A curve that follows another: its points and segments are the source's chains resampled at
// steps of the local radius (Curve::extractChains), derived again whenever it is touched.
// Edits, closing and rebuilding go to the source; drawing is the curve's own.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "elements/Curve.h"

namespace kal {

class ByteBuffer;

constexpr uint32_t followingCurveRecordTag = 0xE1000007;
// The older form with the source curve embedded in the body.
constexpr uint32_t embeddedFollowingCurveTag = 0xE0000007;

// Derivations made by this thread; the tests read it to see a chain derive each member once.
inline thread_local uint64_t derivations = 0;

class UCurve : public Curve {
public:
    float reserved = 0.0f;
    Curve* source = nullptr;
    // Between reading a record and resolveLinks: the source's index in the file's element table.
    uint32_t sourceIndex = 0;
    // The source was made for this curve alone (embedded in an older record, or a clone's copy).
    bool ownsSource = false;
    // The source and its shapeVersion this curve last derived from.
    Curve* derivedFrom = nullptr;
    uint64_t derivedFromVersion = 0;

    // Derives at once from source (which may be null: an empty curve that follows nothing).
    UCurve(Curve* source, uint32_t word);
    ~UCurve() override;

    void reset() override;
    void rebuild(int mode) override;
    void release(int n) override;
    Element* clone() override;
    void listParts(std::vector<Element*>& out) override;
    void collectAll(std::vector<Element*>& out) override;
    void resolveLinks(const std::vector<Element*>& table) override;
    bool partLinksHold(const std::vector<Element*>& table) const override;
    void touch() override;
    void applyGestures(const std::vector<Gesture*>& gestures) override;
    void save(ByteBuffer& out) override;
    void close() override;

    // The source's chains again, into this curve's lists.
    void derive();
};

// The element reader of 0xE1000007 (a 12-byte body) and 0xE0000007 (the source embedded):
// null with ok false when the body is damaged.
Element* readFollowingCurveRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
