// The element side of tubes and revolutions: their two curves as shared parts, replacing a curve,
// rebuild, the linked record and its resolution.
#include "elements/CurveSurface.h"

#include <algorithm>
#include <cstdint>

#include "elements/Curve.h"
#include "foundation/ByteBuffer.h"
#include "mesh/MeshGpuArrays.h"
#include "scene/SceneFile.h"

namespace kal {

CurveSurface::CurveSurface(int32_t type, Curve* axisCurve, Curve* sectionCurve)
    : Element(type), axis(axisCurve), section(sectionCurve), ownsUnheldCurves(true) {}

CurveSurface::~CurveSurface() {
    releaseGpu();
    dropWorkingCurve();
    if (!ownsUnheldCurves) return;
    // never held: the curves were given to this element alone, and nobody else will free them
    for (Curve* c : {axis, section})
        if (c && c->useCount <= 0) delete c;
}

void CurveSurface::reset() {
    cancelGestures();
    if (axis) axis->reset();
    if (section) section->reset();
    // the GL names stay ours (deleting needs a context): the next upload rebuilds into them
    rebuildNeeded = true;
}

void CurveSurface::followAxis(Recenter mode) {
    if (!axis) return;
    axis->recenter(mode);
    placeFromAxis();
}

void CurveSurface::rebuild(Recenter mode) {
    if (axis) axis->rebuild(mode);
    if (section) section->rebuild(Recenter::Keep);
    chargeSweep();
    followAxis(mode);
    rebuildNeeded = true;
}

// Within a read (a linked record's curves are known, and following curves resampled, only by its
// rebuild) the sweep is charged before any frame builds it. Every sweep draws on the read's
// surface allowance (chargeReadSurface): one surface over stored curves is what drawing in the
// program makes, however large, but not many of them from a small file; a following curve's
// samples are what the program made of its stored points, as a save would write them. What a file
// multiplies without storing it is charged to the read's budget as well: a pair of curves swept
// again, an older record's circle. A curve no sweep of the read used yet brings its sweep along
// (cables sharing one section each store their own axis). A refused charge refuses the file.
void CurveSurface::chargeSweep() {
    const uint64_t read = openReadSerial();
    if (read == 0 || !axis || !section) return;
    auto held = [](const Curve* c) { return c->typeCode == CurveType || c->typeCode == UCurveType; };
    const bool stored = !sectionMade && held(axis) && held(section);
    const bool first = axis->sweptInRead != read || section->sweptInRead != read;
    axis->sweptInRead = section->sweptInRead = read;
    const size_t bytes = sweepBytes();
    // no build stages more than the largest one (buildArrays refuses past it): a larger sweep
    // counts as that, so a file of one such surface opens as it always did
    if (chargeReadSurface(std::min<uint64_t>(bytes, readSurfaceSlack)) && (!stored || !first)) chargeRead(bytes);
}

Element* CurveSurface::acquire(int n) {
    if (n > 0) ownsUnheldCurves = false;
    return Element::acquire(n);
}

void CurveSurface::listParts(std::vector<Element*>& out) {
    if (axis) out.push_back(axis);
    if (section) out.push_back(section);
}

void CurveSurface::collectAll(std::vector<Element*>& out) {
    out.push_back(this);
    if (axis) axis->collectAll(out);
    if (section) section->collectAll(out);
}

size_t CurveSurface::sweepBytes() const {
    if (!axis || !section) return 0;
    // dead segments and the points only they end on are built by nobody, however many a file
    // holds; counts from a file: a product that would wrap is simply too large
    const LivePart a(*axis), s(*section);
    const uint64_t points = uint64_t(a.points.size()) * s.points.size();
    const uint64_t segments = uint64_t(a.segments.size()) * s.segments.size();
    const uint64_t quads = std::max(points, segments), perQuad = 6 * bytesPerCorner;
    return quads > SIZE_MAX / perQuad ? SIZE_MAX : size_t(quads * perQuad);
}

bool CurveSurface::partLinksHold(const std::vector<Element*>& table) const {
    if (id >= 0) return true; // not from a linked record
    for (uint32_t i : {pendingAxis, pendingSection}) {
        if (i >= table.size() || !table[i]) return false;
        // the curve kinds only: anything else would be used as a curve
        if (table[i]->typeCode != CurveType && table[i]->typeCode != UCurveType) return false;
    }
    return true;
}

void CurveSurface::resolveLinks(const std::vector<Element*>& table) {
    useCount += 1;
    ownsUnheldCurves = false;
    if (id < 0) {
        id = 0;
        // the reader checked the indices with partLinksHold
        axis = static_cast<Curve*>(table[pendingAxis]);
        section = static_cast<Curve*>(table[pendingSection]);
    }
    if (axis) axis->resolveLinks(table);
    if (section) section->resolveLinks(table);
}

void CurveSurface::touch() {
    Element::touch();
    rebuildNeeded = true;
    uploadFailed = false; // changed: worth another try
}

bool CurveSurface::needsUpload() const { return stale[0] || stale[1] || stale[2] || stale[3]; }

namespace {

void replaceCurve(CurveSurface& s, Curve*& field, Curve* c) {
    if (!c || c == field) return;
    // no stroke outlives its curve: the preview may be the very curve that goes
    s.cancelGestures();
    const int u = s.useCount;
    if (field) {
        field->release(u);
        if (field->useCount <= 0) delete field;
    }
    field = c;
    c->acquire(u);
    c->touch();
    s.touch();
}

} // namespace

void CurveSurface::setAxis(Curve* c) { replaceCurve(*this, axis, c); }
void CurveSurface::setSection(Curve* c) { replaceCurve(*this, section, c); }

Element* CurveSurface::cloneWith(CurveSurface* copy) const {
    copy->translation = translation;
    copy->scale = scale;
    return copy;
}

Curve* CurveSurface::curveCopy(Curve* c) { return c ? static_cast<Curve*>(c->clone()) : nullptr; }

bool CurveSurface::save(ByteBuffer& out) {
    out.write(linkedTag());
    out.write(uint32_t(8));
    out.write(uint32_t(axis ? axis->id : -1));
    out.write(uint32_t(section ? section->id : -1));
    return true;
}

bool readLinkedSurface(CurveSurface& s, ByteBuffer& in, size_t end) {
    if (end != size_t(in.position) + 8 || in.remaining() < 8) return false;
    s.pendingAxis = in.readU32();
    s.pendingSection = in.readU32();
    return true;
}

} // namespace kal
