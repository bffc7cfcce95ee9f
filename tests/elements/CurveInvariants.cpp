#include "CurveInvariants.h"

#include <sstream>
#include <vector>

#include "elements/Curve.h"

using namespace kal;

std::string curveFault(const Curve& c, bool oriented) {
    std::ostringstream f;
    const int n = c.pointCount(), m = c.segmentCount();
    std::vector<int> touching(size_t(n), 0), lowest(size_t(n), -1);
    for (int i = 0; i < m; ++i) {
        const CurveSegment& s = c.segments[size_t(i)];
        if (!s.alive()) continue;
        if (s.a < 0 || s.a >= n || s.b < 0 || s.b >= n) return f << "segment " << i << " names no point", f.str();
        if (!c.points[size_t(s.a)].alive() || !c.points[size_t(s.b)].alive())
            return f << "segment " << i << " ends on a dead point", f.str();
        if (s.flags & SegmentVisited) return f << "segment " << i << " keeps the visited mark", f.str();
        for (int k = 0; k < 2; ++k) {
            const int p = s.end(k);
            ++touching[size_t(p)];
            if (lowest[size_t(p)] < 0) lowest[size_t(p)] = i;
            const int nb = s.neighbour[k];
            if (nb < 0) continue;
            const CurveSegment& t = c.segments[size_t(nb)];
            if (!t.alive()) return f << "segment " << i << " links dead " << nb, f.str();
            if (t.a != p && t.b != p) return f << "neighbour " << nb << " of " << i << " misses point " << p, f.str();
            if (t.neighbour[t.endOf(p)] != i) return f << "link " << i << "->" << nb << " not returned", f.str();
            if (oriented && t.end(1 - k) != p) return f << "segments " << i << "," << nb << " run apart", f.str();
        }
    }
    for (int p = 0; p < n; ++p) {
        const CurvePoint& q = c.points[size_t(p)];
        if (!q.alive() || touching[size_t(p)] == 0) continue;
        if (touching[size_t(p)] > 2) return f << "point " << p << " touches " << touching[size_t(p)], f.str();
        const int s = q.segment;
        if (s < 0 || s >= m || (c.segments[size_t(s)].a != p && c.segments[size_t(s)].b != p))
            return f << "point " << p << " names segment " << s << " that misses it", f.str();
        if (oriented && s != lowest[size_t(p)]) return f << "point " << p << " not on its lowest segment", f.str();
        const CurveSegment& seg = c.segments[size_t(s)];
        const bool freeEnd = seg.neighbour[seg.endOf(p)] == -1;
        if (freeEnd && (q.flags & (PointMarked | PointChainEnd)) != (PointMarked | PointChainEnd))
            return f << "free end " << p << " unmarked", f.str();
        if (oriented && !freeEnd && (q.flags & PointChainEnd)) return f << "inner point " << p << " is an end", f.str();
    }
    return {};
}
