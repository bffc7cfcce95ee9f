#include "scene/Element.h"

#include "foundation/Log.h"

#include <unordered_set>

namespace kal {

int32_t frameCounter = 1;

Element::Element(const Element& other)
    : stamp(other.stamp), invalid(other.invalid), typeCode(other.typeCode), transparent(other.transparent),
      translation(other.translation), scale(other.scale) {}

Element& Element::operator=(const Element& other) {
    // holders and the file id belong to this object, not to the value
    stamp = other.stamp;
    invalid = other.invalid;
    typeCode = other.typeCode;
    transparent = other.transparent;
    translation = other.translation;
    scale = other.scale;
    return *this;
}

Element::~Element() = default;

void Element::reset() {
    stamp = 0;
    invalid = false;
    translation = vec3();
    scale = 1.0f;
}

void Element::rebuild(Recenter) {}

Element* Element::acquire(int n) {
    useCount += n;
    std::vector<Element*> parts;
    listParts(parts);
    for (Element* part : parts)
        if (part) part->acquire(n);
    return this;
}

void Element::release(int n) {
    useCount -= n;
    std::vector<Element*> parts;
    listParts(parts);
    for (Element*& part : parts) {
        if (!part) continue;
        part->release(n);
        if (part->useCount <= 0) delete part;
        part = nullptr;
    }
}

Element* Element::clone() { return acquire(1); }

Element* Element::detach() { return useCount <= 1 ? this : clone(); }

Element* Element::extractSelection(const vec3&, int&, int) { return detach(); }
Element* Element::extractComponent(const vec3& point, int& item) { return extractSelection(point, item, 3); }
Element* Element::detachComponent(int) { return nullptr; }
Element* Element::extractPatch(const vec3& point, int& item) { return extractSelection(point, item, 1); }
Element* Element::toMesh() { return nullptr; }
bool Element::subdivide(bool) { return false; }
void Element::listParts(std::vector<Element*>&) {}
void Element::collectAll(std::vector<Element*>& out) { out.push_back(this); }

void Element::clearIds() {
    std::vector<Element*> all;
    collectAll(all);
    for (Element* e : all) e->id = -1;
}

void Element::resolveLinks(const std::vector<Element*>&) { useCount += 1; }
bool Element::partLinksHold(const std::vector<Element*>&) const { return true; }

void Element::touch() { stamp = frameCounter; }

bool Element::animate(double time, bool top) {
    // The top call hands the time to every part collectAll lists, so a part passes it on to none:
    // were each part to walk its own parts again, the work would double with every level of a
    // chain of following curves.
    if (!top) return false;
    std::vector<Element*> all;
    collectAll(all);
    bool r = false;
    for (size_t i = 1; i < all.size(); ++i) r = all[i]->animate(time, false) || r;
    return r;
}

int32_t Element::changeStamp() {
    if (stamp == frameCounter) return stamp;
    std::vector<Element*> all;
    collectAll(all);
    if (all.size() == 1) {
        if (stamp < 1) touch(); // a never-touched element is always brought up to date
        return stamp;
    }
    // Holders come before their parts in the list: taken backwards, each part is up to date
    // before its holders look at it. A holder older than its newest part is touched, as is a
    // never-touched one. A loop, not a call per part: a chain of following curves may be far
    // deeper than the call stack, and a call per part would walk each chain once per member.
    std::unordered_set<Element*> listed(all.begin(), all.end()), done;
    std::vector<Element*> parts;
    for (size_t i = all.size(); i-- > 0;) {
        Element* e = all[i];
        if (!done.insert(e).second || e->stamp == frameCounter) continue;
        parts.clear();
        e->listParts(parts);
        int32_t newest = 1;
        for (Element* p : parts)
            if (p && listed.count(p) && p->stamp >= newest) newest = p->stamp;
        if (e->stamp < newest) e->touch();
    }
    return stamp;
}

bool Element::updateGpu() { return true; }
void Element::releaseGpu() {}
bool Element::bind() { return true; }
void Element::unbind() {}
bool Element::useShader() { return true; }
void Element::endDraw() {}
void Element::draw(uint32_t, int32_t, const mat4&, const pbr&, bool, float, bool) {}
bool Element::hasGpuGeometry() { return false; }
void Element::drawFlat(const mat4&, const uint8_t*, bool) {}
bool Element::hasEditPreview() { return false; }
void Element::drawEditPreview(const mat4&, const uint8_t*, bool) {}
void Element::applyGestures(const std::vector<Gesture*>&) {}
void Element::cancelGestures() {}

vec3 Element::toWorld(vec3 p) { return p * scale + translation; }
float Element::lengthToWorld(float l) { return l * scale; }

// A zero scale cannot be undone; answer the unscaled value instead of infinities.
static float inverseScale(float s) { return s != 0.0f ? 1.0f / s : 1.0f; }

vec3 Element::toLocal(vec3 p) {
    vec3 d = p - translation;
    if (scale == 0.0f) return d;
    return {d.x / scale, d.y / scale, d.z / scale};
}

float Element::lengthToLocal(float l) { return scale != 0.0f ? l / scale : l; }

mat4 Element::inverseTransform() {
    float k = inverseScale(scale);
    mat4 m;
    m[0] = k;
    m[5] = k;
    m[10] = k;
    m[3] = -translation.x * k;
    m[7] = -translation.y * k;
    m[11] = -translation.z * k;
    return m;
}

bool Element::save(ByteBuffer&) { return true; }
bool Element::bringHome() { return true; }
bool Element::loadFromFile(const std::string&) { return true; }
bool Element::saveToFile(const std::string&) { return true; }

bool releaseElement(Element* e) {
    if (!e) return false;
    e->release(1);
    if (e->useCount > 0) return false;
    delete e;
    return true;
}

bool uploadRefused(Element& e, const char* kind, uint64_t bytes, const char* why) {
    if (!e.uploadFailed)
        qCWarning(logGpu, "ERROR %s::updateGpu %llu bytes: %s", kind, static_cast<unsigned long long>(bytes), why);
    e.uploadFailed = true;
    ++undrawnThisFrame;
    return false;
}

} // namespace kal
