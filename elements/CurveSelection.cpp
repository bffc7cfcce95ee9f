// Regions of a curve picked under the cursor: a patch (the segments between marked points) or a
// component (a whole chain); copying one out as a new curve, erasing one, filling one's material.
#include <deque>

#include "elements/Curve.h"

namespace kal {

namespace {

// Breadth-first from the start segment; a patch does not cross an end on a marked point.
void selectRegion(Curve& c, vec3 position, bool clear, int& segment, bool patch) {
    segment = c.liveSegment(segment);
    if (segment < 0) segment = c.closestSegment(position);
    if (segment < 0) return;
    if (clear) c.clearSelection();
    std::deque<int32_t> queue{segment};
    while (!queue.empty()) {
        const int32_t s = queue.front();
        queue.pop_front();
        CurveSegment& seg = c.segments[size_t(s)];
        if (seg.flags & SegmentVisited) continue;
        seg.flags |= SegmentVisited;
        c.selectedSegments.push_back(uint32_t(s));
        for (int k = 0; k < 2; ++k) {
            if (patch && (seg.flags & (k == 0 ? SegmentMarkA : SegmentMarkB))) continue;
            const int32_t n = seg.neighbour[k];
            if (n >= 0 && n < c.segmentCount() && c.segments[size_t(n)].alive()) queue.push_back(n);
        }
    }
}

} // namespace

int Curve::liveSegment(int s) const { return s >= 0 && s < segmentCount() && segments[size_t(s)].alive() ? s : -1; }

void Curve::selectPatch(vec3 position, bool clear, int& segment) {
    selectRegion(*this, position, clear, segment, true);
}

void Curve::selectComponent(vec3 position, bool clear, int& segment) {
    selectRegion(*this, position, clear, segment, false);
}

Element* Curve::extractSelection(const vec3& point, int& item, int mode) {
    Curve* out = new Curve(0);
    if (mode == 1) {
        selectPatch(point, true, item);
    } else {
        selectComponent(point, true, item);
    }
    for (uint32_t s : selectedSegments)
        for (int k = 0; k < 2; ++k) points[size_t(segments[s].end(k))].link = -1;
    std::vector<int32_t> collected;
    for (uint32_t s : selectedSegments)
        for (int k = 0; k < 2; ++k) {
            CurvePoint& p = points[size_t(segments[s].end(k))];
            if (p.link >= 0) continue;
            p.link = int32_t(collected.size());
            collected.push_back(segments[s].end(k));
        }
    for (int32_t i : collected) {
        CurvePoint p = points[size_t(i)];
        p.link = -1;
        out->points.push_back(p);
    }
    for (size_t j = 0; j < selectedSegments.size(); ++j) {
        const uint32_t s = selectedSegments[j];
        // the copy's index once the new curve is appended to this one (the copy gestures rely on it)
        if (int(s) == item) item = segmentCount() + int(j);
        CurveSegment copy = segments[s];
        copy.a = points[size_t(copy.a)].link;
        copy.b = points[size_t(copy.b)].link;
        // the selection mark would read as the orientation walk's visited mark
        copy.flags &= uint8_t(~SegmentVisited);
        out->segments.push_back(copy);
    }
    for (int32_t i : collected) points[size_t(i)].link = -1;
    clearSelection();
    out->rebuild(Recenter::Mean);
    return out;
}

Element* Curve::extractComponent(const vec3& point, int& item) { return extractSelection(point, item, 3); }

Element* Curve::extractPatch(const vec3& point, int& item) { return extractSelection(point, item, 1); }

void Curve::erasePatch(vec3 position, int segment) {
    selectPatch(position, true, segment);
    for (uint32_t s : selectedSegments)
        if (segments[s].alive()) removeSegment(int(s));
    clearSelection();
    cleanup(false);
}

void Curve::eraseComponent(vec3 position, int segment) {
    selectComponent(position, true, segment);
    for (uint32_t s : selectedSegments) {
        CurveSegment& seg = segments[s];
        seg.flags &= uint8_t(~SegmentAlive);
        for (int k = 0; k < 2; ++k) points[size_t(seg.end(k))].flags &= uint8_t(~PointAlive);
    }
    clearSelection();
    cleanup(true);
}

void Curve::fillMaterial(vec3 position, int segment, const pbr& material, uint8_t mask) {
    selectPatch(position, true, segment);
    for (uint32_t s : selectedSegments)
        for (pbr& end : segments[s].material) pbrCopyMasked(end, material, mask);
    clearSelection();
}

} // namespace kal
