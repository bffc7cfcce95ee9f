#pragma once
// Scene files of the shapes that once cost a frame seconds and gigabytes, or overflowed the
// stack, shared by the tests that keep them linear and the hostile-file benchmark. Each is built
// as the program would hold it and written by the scene writer.
#include <string>
#include <vector>

#include "elements/BezierCurve.h"
#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "tools/Array.h"
#include "tools/BiTool.h"

namespace kal::test {

inline std::string sceneBytes(Scene& s) {
    ByteBuffer out;
    writeSceneBytes(s, out);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

// A curve of n segments along X.
inline Curve* straightCurve(int n) {
    std::vector<vec3> p;
    for (int i = 0; i <= n; ++i) p.push_back(vec3(float(i), 0, 0));
    return new Curve(p, false, 0);
}

// An array on curve whose one copy is inner, placed on every segment.
inline Array* arrayOver(Curve* curve, Tool* inner) {
    Array* a = new Array(curve, {}, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4(), mat4(), pbr(), false);
    a->flags |= PlacedFlag;
    a->addCopy(inner);
    return a;
}

// depth arrays over one curve of `segments` segments, each the one copy of the one before, the
// innermost placing a plain tool: segments^depth placements.
inline std::string nestedArrays(int depth, int segments) {
    Scene s;
    Curve* curve = straightCurve(segments);
    Tool* t = new Tool(nullptr, mat4(), pbr(), false);
    for (int i = 0; i < depth; ++i) t = arrayOver(curve, t);
    s.sceneRoot->addChild(t, false);
    return sceneBytes(s);
}

// n pairs of ends: the first ends side by side under the root, the second ends each the child of
// the one before, so that every pair completes inside the one before it.
inline std::string pairChain(int n) {
    Scene s;
    Tool* below = s.sceneRoot;
    for (int i = 0; i < n; ++i) {
        BiTool* a = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(float(i), 0, 0)), pbr(), false);
        BiTool* b = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(0, 1, 0)), pbr(), false);
        a->flags |= PlacedFlag;
        b->flags |= PlacedFlag;
        s.sceneRoot->addChild(a, false);
        below->addChild(b, false);
        a->attachPartner(b);
        below = b;
    }
    return sceneBytes(s);
}

// A tool holding e, placed in the scene.
inline void hold(Scene& s, Element* e) {
    Tool* t = new Tool(e, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    s.sceneRoot->addChild(t, false);
}

// depth following curves, each following the one before, over a 2-point curve of the given
// radius (0 asks for the most samples a resampling gives).
inline std::string followerChain(int depth, float radius) {
    Scene s;
    Curve* c = new Curve({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    for (CurvePoint& p : c->points) p.radius = radius;
    for (int i = 0; i < depth; ++i) c = new UCurve(c, 0);
    hold(s, c);
    return sceneBytes(s);
}

// One following curve over a curve of n separate 2-point chains of radius 0.
inline std::string followerOfSeparateChains(int n) {
    Scene s;
    Curve* c = new Curve(0);
    for (int i = 0; i < n; ++i) {
        const int a = c->addPoint(vec3(float(i), 0, 0)), b = c->addPoint(vec3(float(i), 1, 0));
        c->addSegment(a, b);
    }
    for (CurvePoint& p : c->points) p.radius = 0.0f;
    c->rebuild(Recenter::Keep);
    hold(s, new UCurve(c, 0));
    return sceneBytes(s);
}

// n linked tubes (or revolutions) sweeping one closed section of sectionPoints points along one
// shared axis, each held by a tool.
inline std::string sharedSweeps(int n, Curve* axis, int sectionPoints, bool revolution) {
    Scene s;
    Curve* section = Curve::makeCircle(sectionPoints, false);
    for (int i = 0; i < n; ++i)
        hold(s, revolution ? static_cast<Element*>(new Revoluton(axis, section)) : new Tube(axis, section));
    return sceneBytes(s);
}

// n tubes, each over a stored pair of its own: a straight axis and a circle of `points` points.
inline std::string storedSweeps(int n, int points) {
    Scene s;
    for (int i = 0; i < n; ++i) hold(s, new Tube(straightCurve(points - 1), Curve::makeCircle(points, false)));
    return sceneBytes(s);
}

// n tubes, each over a stored axis and circle of `points` points of its own, every segment of both
// dead but the first: one quad each to draw, and a square of points that are not drawn.
inline std::string oneLiveQuadTubes(int n, int points) {
    Scene s;
    for (int i = 0; i < n; ++i) {
        Tube* t = new Tube(straightCurve(points - 1), Curve::makeCircle(points, false));
        for (Curve* c : {t->axis, t->section})
            for (size_t k = 1; k < c->segments.size(); ++k) c->segments[k].flags &= uint8_t(~SegmentAlive);
        hold(s, t);
    }
    return sceneBytes(s);
}

inline std::string oneLiveQuadTube(int points) { return oneLiveQuadTubes(1, points); }

inline void putWord(std::string& s, uint32_t w) { s.append(reinterpret_cast<const char*>(&w), 4); }

// A file of one element chunk holding records as they are; with held, one placed tool holds the
// first of them (an element no tool holds is dropped after the read, never built).
inline std::string elementsFile(const std::string& records, bool held = false) {
    std::string s;
    if (held) {
        // the writer's file of one tool holding one element, cut before its element chunk
        Scene one;
        hold(one, new Curve(0));
        s = sceneBytes(one);
        s.resize(s.rfind(std::string(reinterpret_cast<const char*>(&elementChunkTag), 4)));
    } else {
        putWord(s, versionChunkTag);
        putWord(s, currentFileVersion);
    }
    putWord(s, elementChunkTag);
    putWord(s, uint32_t(records.size()));
    return s + records;
}

// n Bezier records: eight bytes each, a whole chain each once read.
inline std::string bezierRecords(int n) {
    std::string r;
    for (int i = 0; i < n; ++i) {
        putWord(r, bezierCurveRecordTag);
        putWord(r, 0);
    }
    return elementsFile(r);
}

// n older revolution records asking for a circle of `sections` points each, around a bare axis
// of `axisPoints` points in one chain; with held, a tool holds the first.
inline std::string olderRevolutions(int n, uint32_t sections, uint32_t axisPoints = 2, bool held = false) {
    std::string axis(16, '\0'); // placement
    axis[12 + 3] = 0x3F;        // scale 0.5
    putWord(axis, axisPoints);
    for (uint32_t p = 0; p < axisPoints; ++p) {
        axis.append(20, '\0');
        axis += char(PointAlive);
    }
    putWord(axis, axisPoints > 0 ? axisPoints - 1 : 0);
    for (uint32_t p = 0; p + 1 < axisPoints; ++p) {
        for (uint32_t end : {p, p + 1}) {
            putWord(axis, end);
            axis.append(20, '\0'); // material
        }
        axis += char(SegmentAlive);
    }
    std::string body;
    putWord(body, sections);
    putWord(body, bareCurveRecordTag);
    putWord(body, uint32_t(axis.size()));
    body += axis;
    std::string r;
    for (int i = 0; i < n; ++i) {
        putWord(r, embeddedRevolutonRecordTag);
        putWord(r, uint32_t(body.size()));
        r += body;
    }
    return elementsFile(r, held);
}

} // namespace kal::test
