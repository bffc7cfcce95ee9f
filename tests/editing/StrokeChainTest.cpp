// Draw strokes into the drawing frame, and the chain of curve points built from them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "editing/StrokeChain.h"

namespace kal::test {
namespace {

// Points off any one line or circle, so that arcs and cubics have room.
vec3 pointAt(int i) { return vec3(float(i), 0.3f * float(i * i) + (i % 2 ? 0.4f : 0.0f), 0); }

// One sample per letter: f plain, s corner, a arc, b smooth, anything else an unknown kind.
std::vector<StrokeSample> samplesOf(const std::string& kinds, vec3 (*place)(int) = pointAt) {
    std::vector<StrokeSample> out;
    for (size_t i = 0; i < kinds.size(); ++i) {
        StrokeSample s;
        size_t k = std::string("fsab").find(kinds[i]);
        s.pointKind = k == std::string::npos ? 7u : uint32_t(k);
        s.point = place(int(i));
        s.normal = vec3(0, 0, 1);
        s.radius = 1.0f + float(i);
        out.push_back(s);
    }
    return out;
}

struct Chain {
    std::vector<vec3> positions, normals;
    std::vector<float> radii;
    std::vector<bool> marks;
};

Chain chainOf(const std::vector<StrokeSample>& samples, bool closed) {
    Chain c;
    sampleStrokeChain(samples, c.positions, c.normals, c.radii, c.marks, closed);
    EXPECT_EQ(c.radii.size(), c.positions.size());
    EXPECT_EQ(c.marks.size(), c.positions.size());
    for (vec3 p : c.positions) EXPECT_TRUE(isFinite(p));
    return c;
}

std::vector<int> markedIndices(const Chain& c) {
    std::vector<int> out;
    for (size_t i = 0; i < c.marks.size(); ++i)
        if (c.marks[i]) out.push_back(int(i));
    return out;
}

TEST(StrokeChain, KindStringsGiveTheirPointCountsAndCornerMarks) {
    struct Row {
        const char* kinds;
        bool closed;
        size_t count;
        std::vector<int> marks;
    };
    const Row rows[] = {
        {"f", false, 1, {}},      {"s", false, 1, {0}},   {"ff", false, 2, {}},   {"fsfs", false, 4, {1, 3}},
        {"faaaf", false, 81, {}}, {"fbf", false, 41, {}}, {"faf", false, 41, {}}, {"fxf", false, 3, {}},
        {"aa", true, 64, {}},     {"ab", true, 64, {}},   {"as", true, 64, {32}}, {"sa", true, 64, {0}},
        {"ff", true, 64, {}},     {"sb", true, 64, {0}},  {"bs", true, 64, {32}}, {"ss", true, 5, {0, 2, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.kinds) + (row.closed ? " closed" : " open"));
        Chain c = chainOf(samplesOf(row.kinds), row.closed);
        EXPECT_EQ(c.positions.size(), row.count);
        EXPECT_EQ(markedIndices(c), row.marks);
        // normals come only with the two-point closed shapes
        EXPECT_EQ(c.normals.size(), row.closed ? row.count : 0u);
    }
}

TEST(StrokeChain, StraightChainsPassThroughTheSamplePoints) {
    std::vector<StrokeSample> s = samplesOf("fsfs");
    Chain c = chainOf(s, false);
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(c.positions[i], s[i].point);
        EXPECT_EQ(c.radii[i], s[i].radius);
    }
    Chain loop = chainOf(samplesOf("ss"), true);
    vec3 m = (s[0].point + s[1].point) * 0.5f;
    const vec3 expected[5] = {s[0].point, m, s[1].point, m, s[0].point};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(loop.positions[size_t(i)], expected[i]);
}

TEST(StrokeChain, TwoClosedArcPointsMakeTheCircleOnTheirDiameter) {
    std::vector<StrokeSample> s = samplesOf("aa");
    s[0].normal = vec3(0.6f, 0, 0.8f);
    Chain c = chainOf(s, true);
    vec3 m = (s[0].point + s[1].point) * 0.5f;
    float half = (s[1].point - s[0].point).length() * 0.5f;
    for (vec3 p : c.positions) EXPECT_NEAR((p - m).length(), half, 1e-5f);
    EXPECT_LT((c.positions[0] - s[0].point).length(), 1e-5f);
    EXPECT_LT((c.positions[32] - s[1].point).length(), 1e-5f);
    EXPECT_FLOAT_EQ(c.radii[0], s[0].radius);
    EXPECT_FLOAT_EQ(c.radii[32], s[1].radius);
    EXPECT_EQ(c.normals[0], s[0].normal);
    for (size_t i = 1; i < c.normals.size(); ++i) EXPECT_EQ(c.normals[i], vec3());

    // the lens is pointed at the corner: its first edge leaves p0 along the chord's side
    Chain lens = chainOf(samplesOf("sb"), true);
    EXPECT_EQ(lens.positions[0], s[0].point);
    EXPECT_LT((lens.positions[32] - s[1].point).length(), 1e-5f);
}

vec3 onLine(int i) { return vec3(float(i), 2.0f * float(i), 0); }
vec3 samePoint(int) { return vec3(1, 2, 3); }

TEST(StrokeChain, DegenerateArcsAndCirclesPassStraight) {
    // collinear arc points: no circle, so the samples themselves, not arcs heaped on the origin
    Chain line = chainOf(samplesOf("faaaf", onLine), false);
    ASSERT_EQ(line.positions.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(line.positions[size_t(i)], onLine(i));
    Chain twice = chainOf(samplesOf("aa", samePoint), true);
    ASSERT_EQ(twice.positions.size(), 2u);
    EXPECT_EQ(twice.positions[1], vec3(1, 2, 3));
}

PickRecord pickAt(vec3 p, float radius) {
    PickRecord r;
    r.kind = 1;
    r.point = p;
    r.normal = vec3(0, 0, 1);
    r.pixelVector = vec3(1, 0, 0);
    r.radius = radius;
    return r;
}

TEST(StrokeChainFrame, SamplesComeOutInTheFrameSpaceInStrokeOrder) {
    Assemblor drawing;
    std::vector<StrokeSample> out(1);
    EXPECT_EQ(transformPrimitives(drawing, out, mat4::uniformScaling(3)), mat4());
    EXPECT_EQ(out.size(), 1u);

    drawing.addStroke(pickAt(vec3(1, 2, 3), 2));
    drawing.strokes[0].picks.push_back(pickAt(vec3(0, 1, 0), 4));
    drawing.addStroke(pickAt(vec3(-1, 0, 5), 6));
    // the frame: a turn about z, a scale of 2, a shift
    mat4 frame = mat4::rotationEuler(0, 0, 0.5f);
    frame *= mat4::uniformScaling(2);
    frame *= mat4::translation(vec3(1, -1, 2));
    out.clear();
    transformPrimitives(drawing, out, frame);
    ASSERT_EQ(out.size(), 3u);
    const vec3 world[3] = {vec3(1, 2, 3), vec3(0, 1, 0), vec3(-1, 0, 5)};
    const float radius[3] = {2, 4, 6};
    for (int i = 0; i < 3; ++i) {
        EXPECT_LT((out[size_t(i)].point * frame - world[i]).length(), 1e-5f) << i;
        EXPECT_NEAR(out[size_t(i)].radius, radius[i] / 2, 1e-5f);
        EXPECT_NEAR(out[size_t(i)].normal.length(), 0.5f, 1e-6f);
    }

    // a mirroring frame has a real size; a singular one maps nothing
    out.clear();
    transformPrimitives(drawing, out, mat4::scaling(-8, 1, 1));
    EXPECT_NEAR(out[0].radius, 1.0f, 1e-6f);
    EXPECT_EQ(out[0].point, vec3(-0.125f, 2, 3));
    out.clear();
    transformPrimitives(drawing, out, mat4::scaling(1, 0, 1));
    EXPECT_EQ(out[0].point, vec3(1, 2, 3));
    EXPECT_EQ(out[0].radius, 2.0f);

    std::vector<vec3> positions, normals;
    std::vector<float> radii;
    std::vector<bool> marks;
    EXPECT_EQ(buildStrokeChain(drawing, positions, normals, radii, marks, false, mat4()), mat4());
    EXPECT_EQ(positions.size(), 3u);
}

} // namespace
} // namespace kal::test
