#include "foundation/Circles.h"

#include <cmath>

namespace kal {

void arcFromTangent(const vec3& a, const vec3& t, const vec3& b, vec3& centre, float& radius, vec3& endTangent) {
    const vec3 d = b - a;
    const double l2 = d.lengthSquared();
    const float L = float(std::sqrt(l2));
    const vec3 dn = l2 > kNullLengthSquared ? d / L : d;
    const vec3 tn = normalize(t);
    const vec3 w = cross(dn, tn);
    // a tangent along the chord (or a chord of no length) bends nothing: the arc is straight
    if (!(w.lengthSquared() > kNullLengthSquared)) {
        centre = (a + b) * 0.5f;
        radius = 0.0f;
        endTangent = tn;
        return;
    }
    const float S = w.length();
    const vec3 wn = w / S;
    radius = (L * 0.5f) / S;
    const float k = dot(tn, dn) * radius;
    centre = (a + b) * 0.5f - cross(wn, dn) * k;
    const vec3 u = normalize(a - centre);
    const vec3 v = normalize(b - centre);
    endTangent = cross(cross(u, tn), v);
}

vec3 circleThroughPoints(const vec3& a, const vec3& b, const vec3& c, vec3& centre, float& radius, vec3& tangentA,
                         vec3& tangentC) {
    const vec3 u = b - a;
    const vec3 v = c - a;
    const vec3 n = cross(u, v);
    const float L = u.length();
    float p = 0, H = 0;
    vec3 un, w;
    if (!(n.lengthSquared() < kNullLengthSquared) && L > 0.0f) {
        un = u / L;
        p = dot(v, un);
        w = v - un * p;
        H = w.length();
    }
    if (!(H > 0.0f)) {
        centre = vec3(0, 0, 0);
        radius = 0.0f;
        tangentA = a - b;
        tangentC = c - b;
        return normalize(c - a);
    }
    const vec3 nn = n / n.length();
    const vec3 wn = w / H;
    const double k = ((double(H) * H + double(p) * p) - double(p) * L) * 0.5 / H;
    radius = float(std::sqrt(k * k + 0.25 * double(L) * L));
    centre = a + un * (L * 0.5f) + wn * float(k);
    tangentA = cross(nn, normalize(a - centre));
    tangentC = cross(nn, normalize(c - centre));
    return cross(nn, normalize(b - centre));
}

} // namespace kal
