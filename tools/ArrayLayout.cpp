// The array's placement walk: its own subtree as any tool's, then one placed copy per segment of
// every chain of its curve, chosen by the item sequence and turned by the mode. The placements
// are worked out once per walk below the array's parent, and each is queued as a step of the walk
// only when the one before is done, so that nested arrays neither recurse nor pile up steps.
#include <cmath>

#include "elements/Curve.h"
#include "tools/Array.h"

namespace kal {

namespace {

// The entries of one kind of the item sequence and where a chain's schedule stands in them. An
// entry's copy is its copy index, or -1 for an empty position.
struct EntryRun {
    std::vector<int32_t> copies;
    std::vector<uint32_t> multiplicities;
    size_t entry = 0;
    uint32_t placed = 0, repeats = 0;
    bool finished = true;

    void restart() {
        entry = 0;
        placed = repeats = 0;
        finished = copies.empty();
    }
    // One position taken: the entry moves on once it has been repeated its multiplicity.
    void advance(bool cyclic) {
        ++placed;
        if (++repeats != multiplicities[entry]) return;
        if (cyclic) {
            repeats = 0;
            if (++entry == copies.size()) entry = 0;
        } else if (++entry == copies.size()) {
            finished = true;
        } else {
            repeats = 0;
        }
    }
};

// The segment's frame scaled by h and moved to the midpoint m, in one matrix: columns h n,
// h (t x n) and h t, so the copy's X runs along the frame normal and its Z along the tangent.
mat4 segmentPlacement(vec3 t, vec3 n, float h, vec3 m) {
    const vec3 b = cross(t, n);
    return mat4{
        {h * n.x, h * b.x, h * t.x, m.x, h * n.y, h * b.y, h * t.y, m.y, h * n.z, h * b.z, h * t.z, m.z, 0, 0, 0, 1}};
}

constexpr double chainTwist = 4.71238898038469;   // 3 pi / 2 over a closed chain
constexpr double zipperTwist = 3.141592653589793; // pi
constexpr int32_t nextPlacementStage = 1;

} // namespace

void Array::placementStep(PlacementWalker& walker, const PlacementStep& s) {
    if (s.stage == nextPlacementStage) {
        const size_t p = placementsBegin + size_t(s.drawArg);
        if (p >= placementsEnd || !walker.mayPlace()) return;
        walker.pending.push_back({this, s.handed, s.group, s.drawArg + 1, nextPlacementStage, s.placed});
        const PlacementWalker::Placement& at = walker.placements[p];
        mat4 M = at.local;
        M *= s.handed;
        walker.pending.push_back({at.copy, M, s.group, at.stepId, 0, true});
        return;
    }
    if (placementsWalk != walker.serial) {
        placementsWalk = walker.serial;
        placementsBegin = walker.placements.size();
        placesCopies = workOutPlacements(walker);
        placementsEnd = walker.placements.size();
    }
    // an array that cannot place is not listed, nor anything below it
    if (!placesCopies) return;
    const int32_t k = walker.append(this, s.handed, s.group, s.drawArg, s.placed);
    walker.pending.push_back({this, s.handed, k, 0, nextPlacementStage, s.placed});
    mat4 w = composeMatrix();
    w *= s.handed;
    walker.pushChildren(this, w, k, s.placed);
}

bool Array::workOutPlacements(PlacementWalker& walker) {
    // only a curve can carry copies; any other element would be read as one
    if (!source || (source->typeCode != CurveType && source->typeCode != UCurveType)) return false;
    Curve* curve = static_cast<Curve*>(source);
    if (curve->segments.empty() || copies.empty()) return false;
    curve->changeStamp();
    curve->updateFrames(false);
    const int segmentCount = curve->segmentCount();
    if (segmentCount == 0) return false;
    const size_t copyCount = copies.size();

    // stored curve coordinates to the array's parent: the element's placement, then the array's
    mat4 W = curve->inverseTransform();
    W *= composeMatrix();

    EntryRun runs[3];
    for (uint32_t e : itemSequence) {
        const uint32_t k = e >> 30;
        if (k > EntryTail) continue; // a kind the dialog never writes
        const uint32_t item = (e >> 15) & 0x7FFF;
        runs[k].copies.push_back(item == 0 ? -1 : int32_t((item - 1) % copyCount));
        runs[k].multiplicities.push_back(e & 0x7FFF);
    }
    EntryRun &cyclic = runs[EntryCyclic], &heads = runs[EntryHead], &tails = runs[EntryTail];

    const bool followsCurve = curve->typeCode == UCurveType;
    std::vector<uint8_t> visited(size_t(segmentCount), 0);
    std::vector<mat4> chain;
    std::vector<int32_t> stepIds;

    for (int s = 0; s < segmentCount; ++s) {
        if (visited[size_t(s)] || !curve->segments[size_t(s)].alive()) continue;
        const int start = curve->chainStart(s);
        if (start < 0 || start >= segmentCount || visited[size_t(start)]) continue;

        // the chain's steps; a damaged neighbour table cannot keep the walk going past the
        // segments there are, nor bring it back to one it has placed on
        chain.clear();
        stepIds.clear();
        bool closedChain = false;
        for (int seg = start; seg >= 0 && seg < segmentCount && !visited[size_t(seg)];) {
            visited[size_t(seg)] = 1;
            const CurveSegment& g = curve->segments[size_t(seg)];
            // a segment naming no point (a damaged record) ends the chain
            if (g.a < 0 || g.a >= curve->pointCount() || g.b < 0 || g.b >= curve->pointCount()) break;
            stepIds.push_back(followsCurve ? curve->points[size_t(g.a)].link : seg);
            const vec3 a = curve->points[size_t(g.a)].position, b = curve->points[size_t(g.b)].position;
            mat4 P = segmentPlacement(g.tangent, g.normal, length(a - b) * 0.5f, (a + b) * 0.5f);
            P *= W;
            chain.push_back(P);
            seg = g.neighbour[1];
            if (seg == start) closedChain = true;
        }
        const uint32_t L = uint32_t(chain.size());

        double twistStep = 0.0;
        if (closedChain && mode != ArraySimple && (L & 1u)) {
            const double total = mode == ArrayChain ? chainTwist : mode == ArrayZipper ? zipperTwist : 0.0;
            twistStep = total / double(L);
        }

        for (EntryRun& r : runs) r.restart();
        int kind = !heads.copies.empty() ? EntryHead : !tails.copies.empty() ? EntryTail : EntryCyclic;
        if (kind == EntryCyclic && cyclic.copies.empty()) continue;
        for (uint32_t step = 0;;) {
            EntryRun& run = runs[kind];
            const int32_t copy = run.copies[run.entry];
            uint32_t p = kind == EntryHead   ? heads.placed
                         : kind == EntryTail ? L - 1 - tails.placed
                                             : cyclic.placed + heads.placed;
            if (copy >= 0 && copies[size_t(copy)] && p < L) {
                // the placements worked out in a walk are held to the cap as the entries placed are
                if (walker.placements.size() >= arrayPlacementCap) {
                    walker.capped = true;
                    return true;
                }
                mat4 M = chain[p];
                if (twistStep != 0.0) {
                    mat4 R = mat4::fromMat3(mat3::rotationAxisAngle(vec3(0, 0, 1), float(double(p) * twistStep)));
                    R *= M;
                    M = R;
                }
                if (mode != ArraySimple && (p & 1u)) {
                    mat4 A = alternateMatrix;
                    A *= M;
                    M = A;
                }
                walker.placements.push_back({M, copies[size_t(copy)], stepIds[p]});
            }
            run.advance(kind == EntryCyclic);

            const int last = kind;
            if (heads.finished && tails.finished) {
                if (cyclic.copies.empty()) break;
                kind = EntryCyclic;
            } else if (heads.finished) {
                kind = EntryTail;
            } else if (tails.finished) {
                kind = EntryHead;
            } else {
                kind = last == EntryHead ? EntryTail : EntryHead;
            }
            if (++step >= L) break;
        }
    }
    return true;
}

} // namespace kal
