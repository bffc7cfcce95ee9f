#pragma once
// A curve that follows another: its points and segments are the source's chains resampled at
// steps of the local radius (Curve::extractChains), derived again whenever it is touched.
// Edits, closing and rebuilding go to the curve at the bottom of the chain; drawing is the curve's
// own. A file may stack following curves far deeper than the call stack reaches, so every walk
// down a chain is a loop.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "elements/Curve.h"

namespace kal {

class ByteBuffer;

constexpr uint32_t followingCurveRecordTag = 0xE1000007;
// The older form with the source curve embedded in the body.
constexpr uint32_t embeddedFollowingCurveTag = 0xE0000007;

// Derivations made by this thread, and steps it took down chains of following curves; the tests
// read them to see a chain derive each member once and walk it in work linear in its length.
inline thread_local uint64_t derivations = 0;
inline thread_local uint64_t followingSteps = 0;

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
    // Rebuilds the curve at the bottom, then derives again each curve of the chain up to this one
    // whose source changed since it last derived.
    void rebuild(Recenter mode) override;
    Element* acquire(int n) override;
    void release(int n) override;
    Element* clone() override;
    void listParts(std::vector<Element*>& out) override;
    void collectAll(std::vector<Element*>& out) override;
    void resolveLinks(const std::vector<Element*>& table) override;
    bool partLinksHold(const std::vector<Element*>& table) const override;
    void touch() override;
    void applyGestures(const std::vector<Gesture*>& gestures) override;
    bool save(ByteBuffer& out) override;
    void close() override;

    // The source's chains again, into this curve's lists.
    void derive();
    // The curve at the bottom of the chain: the first that follows nothing, or is no following
    // curve. Found again only after some following curve's source changed.
    Curve* base();

private:
    // The source index partLinksHold found to lead down to a curve.
    mutable uint32_t vouchedFor = UINT32_MAX;
    Curve* baseFound = nullptr;
    uint64_t baseFoundUnder = 0;
    // The base's state when this curve, and every one below it, last derived and took the base's
    // placement: while it holds, a rebuild from above stops here.
    struct Settled {
        uint64_t links = 0, version = 0;
        vec3 translation;
        float scale = 0.0f;
    } settled;
    bool settledOn(const Curve* b) const;
    void settle(const Curve* b);
    void setSource(Curve* s);
    // This curve and the following curves below it, top first; answers the curve at the bottom
    // that is no following curve, or null when the chain ends in one that follows nothing.
    Curve* chainBelow(std::vector<UCurve*>& out);
    // Derives every curve of the chain below the bottom one again, upwards, as touching each does.
    void deriveChain();
};

// The element reader of 0xE1000007 (a 12-byte body) and 0xE0000007 (the source embedded):
// null with ok false when the body is damaged.
Element* readFollowingCurveRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

} // namespace kal
