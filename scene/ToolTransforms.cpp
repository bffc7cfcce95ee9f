// Moves, turns and pivot changes of tools, alone or over the placed members of their ring.
#include <cmath>

#include "scene/Tool.h"

namespace kal {

namespace {

// Uniform scale of a matrix: the cube root of |det| of its 3x3.
float scaleOf(const mat4& m) { return float(std::cbrt(std::fabs(double(det(m.upper3()))))); }

bool isZero(vec3 v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

bool isFiniteMatrix(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

// The placed members of the ring, starting with the tool itself.
template <class F>
void forPlacedMembers(Tool* start, F f) {
    Tool* t = start;
    do {
        Tool* following = t->next;
        if (t->flags & PlacedFlag) f(t);
        t = following;
    } while (t != start);
}

} // namespace

void Tool::transformBy(const mat4& m, bool ringWide, int) {
    if (ringWide) {
        forPlacedMembers(this, [&](Tool* t) { t->transformBy(m, false, 0); });
        return;
    }
    transform *= m;
}

void Tool::multiplyTransform(const mat4& m, bool ringWide, int) {
    if (ringWide) {
        forPlacedMembers(this, [&](Tool* t) { t->multiplyTransform(m, false, 0); });
        return;
    }
    transform *= m;
}

void Tool::movePivot(const mat4& m, bool ringWide, int) {
    if (ringWide) {
        forPlacedMembers(this, [&](Tool* t) { t->movePivot(m, false, 0); });
        return;
    }
    // a flat pivot cannot be undone by the transform; leave the tool as it is
    if (det(m.upper3()) == 0.0f) return;
    transform *= inverseAffine(m);
    mat4 p = m;
    p *= pivot;
    pivot = p;
}

void Tool::transformPivot(const mat4& m, bool ringWide, int) {
    if (ringWide) {
        forPlacedMembers(this, [&](Tool* t) { t->transformPivot(m, false, 0); });
        return;
    }
    mat4 p = m;
    p *= pivot;
    pivot = p;
}

void Tool::transformConstrained(const mat4& m, const mat4& a, const mat4& b, bool ringWide, int) {
    auto apply = [&](Tool* t) {
        mat4 c = mat4::constrainToAxis(mat4::constrainRotationToAxis(m, t->rotationAxis), t->translationAxis);
        if (!isFiniteMatrix(c)) return; // a mirroring m has no turn about the axis
        t->transform *= c;
        mat4 p = a;
        p *= t->pivot;
        p *= b;
        t->pivot = p;
    };
    if (ringWide)
        forPlacedMembers(this, apply);
    else
        apply(this);
}

void Tool::translateConstrained(const mat4& m, bool ringWide, int) {
    vec3 t = m.translation();
    bool free = isZero(translationAxis);
    vec3 d = translationAxis;
    float k = dot(t, d);
    transformBy(mat4::translation(free ? t : d * k), false, 0);
    if (!ringWide) return;
    float s = scaleOf(transform);
    if (!(s > 0.0f)) return; // a flat tool gives no ratio for the others
    for (Tool* p = next; p != this; p = p->next) {
        if (!(p->flags & PlacedFlag) || isZero(p->translationAxis) != free) continue;
        float ratio = scaleOf(p->transform) / s;
        p->transformBy(mat4::translation(free ? t * ratio : p->translationAxis * (k * ratio)), false, 0);
    }
}

mat4 Tool::rotateConstrained(const mat4& m, bool ringWide, int) {
    if (isZero(rotationAxis)) {
        transformBy(m, false, 0);
        translationAxis = translationAxis * m;
        if (ringWide)
            for (Tool* p = next; p != this; p = p->next) {
                if (!(p->flags & PlacedFlag) || !isZero(p->rotationAxis)) continue;
                p->transformBy(m, false, 0);
                p->translationAxis = p->translationAxis * m;
            }
        return m;
    }
    vec3 r = rotationAxis;
    mat3 m3 = m.upper3();
    // only a proper turn has an angle about the axis; a mirror or a flat m turns nothing
    float angle = det(m3) > 0.0f ? mat3::angleAbout(m3, r) : 0.0f;
    if (!std::isfinite(angle)) angle = 0.0f;
    mat4 rot = mat4::fromMat3(mat3::rotationAxisAngle(r, angle));
    transformBy(rot, false, 0);
    translationAxis = translationAxis * rot;
    // a tool of multiplicity 0 gives no gear ratio: the others stay where they are
    if (ringWide && multiplicity != 0.0f && std::isfinite(multiplicity))
        for (Tool* p = next; p != this; p = p->next) {
            if (!(p->flags & PlacedFlag) || isZero(p->rotationAxis)) continue;
            float turn = angle / multiplicity * p->multiplicity;
            if (!std::isfinite(turn)) continue;
            mat4 rp = mat4::fromMat3(mat3::rotationAxisAngle(p->rotationAxis, turn));
            p->transformBy(rp, false, 0);
            p->translationAxis = p->translationAxis * rp;
        }
    return rot;
}

} // namespace kal
