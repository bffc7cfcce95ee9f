// The following curve: derivation from its source, forwarding of edits, its record (the
// source's index) and the older record with the source embedded.
#include "elements/UCurve.h"

#include <algorithm>

#include "elements/CurveRecord.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

UCurve* asFollowing(Curve* c) { return c && c->typeCode == UCurveType ? static_cast<UCurve*>(c) : nullptr; }

// Changes whenever a following curve's source does (or one goes): bases found before are found
// again, and no chain counts as settled.
uint64_t followingLinks = 1;

} // namespace

UCurve::UCurve(Curve* s, uint32_t w) : Curve(w), source(s) {
    typeCode = UCurveType;
    // nothing follows a curve being made, so no base found before changes
    if (source) UCurve::rebuild(Recenter::Keep);
}

UCurve::~UCurve() {
    ++followingLinks;
    // A source made for this curve alone goes with it once nobody else counts it. A chain of such
    // sources (a clone's) goes one by one, rather than each deleting the next.
    Curve* doomed = ownsSource && source && source->useCount <= 0 ? source : nullptr;
    source = nullptr;
    while (doomed) {
        UCurve* u = asFollowing(doomed);
        Curve* next = u && u->ownsSource && u->source && u->source->useCount <= 0 ? u->source : nullptr;
        if (u) u->source = nullptr;
        delete doomed;
        doomed = next;
    }
}

void UCurve::setSource(Curve* s) {
    source = s;
    ++followingLinks;
}

Curve* UCurve::chainBelow(std::vector<UCurve*>& out) {
    Curve* c = this;
    while (UCurve* u = asFollowing(c)) {
        ++followingSteps;
        out.push_back(u);
        c = u->source;
    }
    return c;
}

Curve* UCurve::base() {
    if (baseFoundUnder == followingLinks) return baseFound;
    // down to the bottom, or to a curve that knows it; every curve passed learns it too
    std::vector<UCurve*> passed;
    Curve* c = this;
    while (UCurve* u = asFollowing(c)) {
        if (u->baseFoundUnder == followingLinks) {
            c = u->baseFound;
            break;
        }
        ++followingSteps;
        passed.push_back(u);
        if (!u->source) break;
        c = u->source;
    }
    for (UCurve* u : passed) {
        u->baseFound = c;
        u->baseFoundUnder = followingLinks;
    }
    return c;
}

bool UCurve::settledOn(const Curve* b) const {
    const vec3& t = settled.translation;
    return settled.links == followingLinks && settled.version == b->shapeVersion && t.x == b->translation.x &&
           t.y == b->translation.y && t.z == b->translation.z && settled.scale == b->scale;
}

void UCurve::settle(const Curve* b) { settled = {followingLinks, b->shapeVersion, b->translation, b->scale}; }

void UCurve::derive() {
    if (!source) return;
    ++derivations;
    bool anySegment = false;
    for (const CurveSegment& s : source->segments) anySegment = anySegment || s.alive();
    // a source its rebuild refused has no chains to follow (its links may be half made)
    if (anySegment && !source->invalid) {
        // every level is held to what the curve at the bottom allows, so levels do not compound
        Curve* chains = source->extractChains(base()->pointCount());
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

void UCurve::deriveChain() {
    std::vector<UCurve*> chain;
    chainBelow(chain);
    for (size_t i = chain.size(); i-- > 0;) chain[i]->derive();
}

void UCurve::reset() {
    std::vector<UCurve*> chain;
    Curve* bottom = chainBelow(chain);
    if (bottom) bottom->reset();
    for (UCurve* u : chain) {
        u->reserved = 0.0f;
        u->typeCode = UCurveType;
        // the derived lists stay until the next touch; the GL name is given back rather than lost
        u->releaseGpu();
    }
}

void UCurve::rebuild(Recenter mode) {
    if (!source) return;
    Curve* b = base();
    b->rebuild(mode);
    // Down to the first curve settled on the base as it is now (or to the base), then up again:
    // each takes the placement of its source and derives only if its source changed since it
    // last did. Rebuilding every member of a chain so walks each member once, not once per
    // member above it.
    std::vector<UCurve*> chain;
    for (UCurve* u = this; u && u != b && !u->settledOn(b); u = asFollowing(u->source)) {
        ++followingSteps;
        chain.push_back(u);
    }
    for (size_t i = chain.size(); i-- > 0;) {
        UCurve* u = chain[i];
        u->translation = u->source->translation;
        u->scale = u->source->scale;
        if (u->derivedFrom != u->source || u->derivedFromVersion != u->source->shapeVersion) u->derive();
        u->settle(b);
    }
    // this curve takes its source's placement even when settled, as it always has
    translation = source->translation;
    scale = source->scale;
}

Element* UCurve::acquire(int n) {
    std::vector<UCurve*> chain;
    Curve* bottom = chainBelow(chain);
    for (UCurve* u : chain) u->useCount += n;
    if (bottom) bottom->acquire(n);
    return this;
}

void UCurve::release(int n) {
    std::vector<UCurve*> chain;
    Curve* bottom = chainBelow(chain);
    for (UCurve* u : chain) u->useCount -= n;
    if (bottom) bottom->release(n);
    // deepest first, each lets go of a source nobody counts any more: forgotten here, so nothing
    // reads or deletes it again
    for (size_t i = chain.size(); i-- > 0;) {
        UCurve* u = chain[i];
        if (u->source && u->source->useCount <= 0) {
            delete u->source;
            u->setSource(nullptr);
        }
    }
}

Element* UCurve::clone() {
    // from the bottom up, each copy following (and owning) the copy of the curve below it
    std::vector<UCurve*> chain;
    Curve* bottom = chainBelow(chain);
    Curve* below = bottom ? static_cast<Curve*>(bottom->clone()) : nullptr;
    UCurve* copy = nullptr;
    for (size_t i = chain.size(); i-- > 0;) {
        UCurve* u = chain[i];
        if (below) {
            copy = new UCurve(below, u->word);
            copy->ownsSource = true;
        } else {
            copy = new UCurve(nullptr, u->word);
            copy->setGeometry(*u, true);
        }
        copy->translation = u->translation;
        copy->scale = u->scale;
        below = copy;
    }
    return copy;
}

void UCurve::listParts(std::vector<Element*>& out) {
    if (source) out.push_back(source);
}

void UCurve::collectAll(std::vector<Element*>& out) {
    std::vector<UCurve*> chain;
    Curve* bottom = chainBelow(chain);
    out.insert(out.end(), chain.begin(), chain.end());
    if (bottom) bottom->collectAll(out);
}

void UCurve::resolveLinks(const std::vector<Element*>& table) {
    // every curve of the chain takes one more holder, as this one does
    Curve* c = this;
    while (UCurve* u = asFollowing(c)) {
        ++followingSteps;
        u->useCount += 1;
        if (u->id < 0) {
            u->id = 0;
            // partLinksHold has vouched for the index before anything was linked
            u->setSource(u->sourceIndex < table.size() ? static_cast<Curve*>(table[u->sourceIndex]) : nullptr);
        }
        c = u->source;
    }
    if (c) c->resolveLinks(table);
}

bool UCurve::partLinksHold(const std::vector<Element*>& table) const {
    if (id >= 0 || vouchedFor == sourceIndex) return true; // an embedded source is already linked
    // The source must be a curve; a chain of following curves must end in one, never loop. Every
    // curve passed on the way down to one is vouched for, so that the reader's check of each
    // member of a chain walks each once.
    std::vector<const UCurve*> passed{this};
    uint32_t index = sourceIndex;
    for (size_t steps = 0; steps <= table.size(); ++steps) {
        ++followingSteps;
        if (index >= table.size()) return false;
        const Element* e = table[index];
        if (!e || e == this) return false;
        if (e->typeCode != CurveType) {
            if (e->typeCode != UCurveType) return false;
            const UCurve* next = static_cast<const UCurve*>(e);
            if (next->id < 0 && next->vouchedFor != next->sourceIndex) {
                passed.push_back(next);
                index = next->sourceIndex;
                continue;
            }
        }
        for (const UCurve* u : passed) u->vouchedFor = u->sourceIndex;
        return true;
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
    if (Curve* b = base(); !asFollowing(b)) b->applyGestures(gestures);
    deriveChain();
}

void UCurve::close() {
    if (!source) return;
    if (Curve* b = base(); !asFollowing(b)) b->close();
    deriveChain();
}

bool UCurve::save(ByteBuffer& out) {
    // nothing to name: the derived shape is kept as a plain curve, in this record's place
    if (!source) return Curve::save(out);
    out.write(followingCurveRecordTag);
    out.write(uint32_t(12));
    out.write(reserved);
    out.write(word);
    out.write(uint32_t(source->id));
    return true;
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
