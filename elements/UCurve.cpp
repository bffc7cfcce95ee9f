// The following curve: derivation from its source, forwarding of edits, its record (the
// source's index) and the older record with the source embedded.
#include "elements/UCurve.h"

#include <algorithm>

#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

UCurve::UCurve(Curve* s, uint32_t w) : Curve(w), source(s) {
    typeCode = UCurveType;
    if (!source) return;
    source->rebuild(0);
    translation = source->translation;
    scale = source->scale;
    derive();
}

UCurve::~UCurve() {
    // a source made for this curve alone goes with it once nobody else counts it
    if (ownsSource && source && source->useCount <= 0) delete source;
}

namespace {

UCurve* asFollowing(Curve* c) { return c && c->typeCode == UCurveType ? static_cast<UCurve*>(c) : nullptr; }

// The curve at the bottom of a chain of following curves.
Curve* baseOf(Curve* c) {
    while (UCurve* u = asFollowing(c)) {
        if (!u->source) break;
        c = u->source;
    }
    return c;
}

} // namespace

void UCurve::derive() {
    if (!source) return;
    ++derivations;
    bool anySegment = false;
    for (const CurveSegment& s : source->segments) anySegment = anySegment || s.alive();
    // a source its rebuild refused has no chains to follow (its links may be half made)
    if (anySegment && !source->invalid) {
        // every level is held to what the curve at the bottom allows, so levels do not compound
        Curve* chains = source->extractChains(baseOf(source)->pointCount());
        setGeometry(*chains, false);
        delete chains;
    } else {
        points.clear();
        segments.clear();
    }
    clearSelection();
    Curve::touch();
    derivedFrom = source;
    derivedFromVersion = source->shapeVersion;
}

void UCurve::reset() {
    reserved = 0.0f;
    if (source) source->reset();
    typeCode = UCurveType;
    // the derived lists stay until the next touch; the GL name is given back rather than lost
    releaseGpu();
}

void UCurve::rebuild(int mode) {
    if (!source) return;
    // The chain below, down to the curve it starts from, which alone is rebuilt; then each
    // following curve derives again only if the one below it changed since it last did, so a
    // chain rebuilt member by member derives each member once, not once per member above it.
    std::vector<UCurve*> chain{this};
    while (UCurve* below = asFollowing(chain.back()->source)) {
        if (!below->source) break;
        chain.push_back(below);
    }
    chain.back()->source->rebuild(mode);
    for (size_t i = chain.size(); i-- > 0;) {
        UCurve* u = chain[i];
        u->translation = u->source->translation;
        u->scale = u->source->scale;
        if (u->derivedFrom != u->source || u->derivedFromVersion != u->source->shapeVersion) u->derive();
    }
}

void UCurve::release(int n) {
    useCount -= n;
    if (!source) return;
    source->release(n);
    // forgotten here, so nothing reads or deletes it again
    if (source->useCount <= 0) {
        delete source;
        source = nullptr;
    }
}

Element* UCurve::clone() {
    UCurve* copy = nullptr;
    if (source) {
        copy = new UCurve(static_cast<Curve*>(source->clone()), word);
        copy->ownsSource = true;
    } else {
        copy = new UCurve(nullptr, word);
        copy->setGeometry(*this, true);
    }
    copy->translation = translation;
    copy->scale = scale;
    return copy;
}

void UCurve::listParts(std::vector<Element*>& out) {
    if (source) out.push_back(source);
}

void UCurve::collectAll(std::vector<Element*>& out) {
    out.push_back(this);
    if (source) source->collectAll(out);
}

void UCurve::resolveLinks(const std::vector<Element*>& table) {
    useCount += 1;
    if (id < 0) {
        id = 0;
        // partLinksHold has vouched for the index before anything was linked
        source = sourceIndex < table.size() ? static_cast<Curve*>(table[sourceIndex]) : nullptr;
    }
    if (source) source->resolveLinks(table);
}

bool UCurve::partLinksHold(const std::vector<Element*>& table) const {
    if (id >= 0) return true; // an embedded source is already linked
    // the source must be a curve; a chain of following curves must end in one, never loop
    uint32_t index = sourceIndex;
    for (size_t steps = 0; steps <= table.size(); ++steps) {
        if (index >= table.size()) return false;
        const Element* e = table[index];
        if (!e || e == this) return false;
        if (e->typeCode == CurveType) return true;
        if (e->typeCode != UCurveType) return false;
        const UCurve* next = static_cast<const UCurve*>(e);
        if (next->id >= 0) return true;
        index = next->sourceIndex;
    }
    return false;
}

void UCurve::touch() {
    if (source) {
        derive();
    } else {
        Curve::touch();
    }
}

void UCurve::applyGestures(const std::vector<Gesture*>& gestures) {
    if (!source) return;
    source->applyGestures(gestures);
    touch();
}

void UCurve::close() {
    if (!source) return;
    source->close();
    touch();
}

void UCurve::save(ByteBuffer& out) {
    if (!source) {
        // nothing to name: the derived shape is kept as a plain curve, in this record's place
        Curve::save(out);
        return;
    }
    out.write(followingCurveRecordTag);
    out.write(uint32_t(12));
    out.write(reserved);
    out.write(word);
    out.write(uint32_t(source->id));
}

Element* readFollowingCurveRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok) {
    ok = false;
    const size_t left = end > in.position ? std::min(end, in.size()) - in.position : 0;
    if (tag == followingCurveRecordTag) {
        if (left < 12 || !chargeRead(sizeof(UCurve))) return nullptr;
        UCurve* u = new UCurve(nullptr, 0);
        u->reserved = in.readFloat();
        u->word = in.readU32();
        u->sourceIndex = in.readU32();
        u->id = -1;
        ok = true;
        return u;
    }
    if (tag != embeddedFollowingCurveTag || left < 17 || !chargeRead(sizeof(UCurve) + sizeof(Curve))) return nullptr;
    Curve* source = new Curve(0);
    source->translation = in.readVec3();
    source->scale = in.readFloat();
    in.skip(1);
    if (!readCurveLists(*source, in, end)) {
        delete source;
        return nullptr;
    }
    source->clearSelection();
    // the lists just read, and about as much again for the derived ones
    const size_t lists = source->points.size() * sizeof(CurvePoint) + source->segments.size() * sizeof(CurveSegment);
    if (!chargeRead(2 * lists)) {
        delete source;
        return nullptr;
    }
    UCurve* u = new UCurve(source, 2);
    u->ownsSource = true;
    u->id = 0; // linked already: resolveLinks keeps the pointer
    ok = true;
    return u;
}

} // namespace kal
