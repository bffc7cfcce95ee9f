#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

#include "elements/Curve.h"
#include "tools/Array.h"

using namespace kal;

namespace {

constexpr double pi = 3.141592653589793;

// n segments on a circle of radius 10 (closed) or along a zigzag (open); segment i joins points
// i and i + 1.
Curve* chainCurve(int n, bool closed) {
    std::vector<vec3> points;
    const int count = closed ? n : n + 1;
    for (int i = 0; i < count; ++i) {
        if (closed)
            points.push_back(vec3(10 * std::cos(2 * pi * i / n), 10 * std::sin(2 * pi * i / n), 0));
        else
            points.push_back(vec3(float(2 * i), float(i & 1), 0));
    }
    return new Curve(points, closed, 0);
}

Tool* itemTool(float x) { return new Tool(nullptr, mat4::translationXYZ(x, 0, 0), pbr(), false); }

struct Placed {
    Tool* tool;
    mat4 matrix;
    int32_t step;
};

// An array over the curve with one item per entry of xs; owns everything it builds.
struct Fixture {
    std::vector<Tool*> items;
    std::unique_ptr<Array> array;
    std::vector<Tool*> tools;
    std::vector<mat4> matrices;
    std::vector<int32_t> groups, steps;

    Fixture(Curve* curve, int itemCount, std::vector<uint32_t> sequence, int32_t mode, const mat4& alternate) {
        for (int i = 0; i < itemCount; ++i) items.push_back(itemTool(float(i + 1)));
        array.reset(new Array(curve, items, sequence, mode, alternate, mat4(), pbr(), false));
    }
    ~Fixture() {
        array.reset();
        for (Tool* t : items) delete t;
    }
    // The placed copy roots in output order.
    std::vector<Placed> collect() {
        tools.clear(), matrices.clear(), groups.clear(), steps.clear();
        array->collectWorldTransforms(tools, matrices, groups, steps, mat4(), 0, -1);
        std::vector<Placed> out;
        for (size_t i = 0; i < tools.size(); ++i)
            if (groups[i] == 0 && i != 0) out.push_back({tools[i], matrices[i], steps[i]});
        return out;
    }
    int copyIndex(Tool* t) const {
        for (size_t i = 0; i < array->copies.size(); ++i)
            if (array->copies[i] == t) return int(i);
        return -1;
    }
};

// The turn about the copy's own Z axis that takes placement a to b (both the same segment's).
double turnBetween(const mat4& base, const mat4& turned) {
    mat4 q = turned;
    q *= inverseAffine(base);
    return std::atan2(double(q.m[4]), double(q.m[0]));
}

double wrapped(double a) { return std::remainder(a, 2 * pi); }

void expectNear(const mat4& a, const mat4& b) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], 1e-4f) << "element " << i;
}

} // namespace

TEST(ArrayLayout, closedOddChainsTwistByModeAndEvenOrOpenOnesDoNot) {
    struct Case {
        int segments;
        bool closed;
        int32_t mode;
        double turnPerStep;
    } cases[] = {
        {7, true, ArrayChain, 3 * pi / 14}, {7, true, ArrayZipper, pi / 7}, {7, true, 7, 0.0},
        {8, true, ArrayChain, 0.0},         {8, true, ArrayZipper, 0.0},    {7, false, ArrayChain, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.segments << " segments, closed " << c.closed << ", mode " << c.mode);
        // the identity as alternate matrix leaves only the twist between the two layouts
        Fixture plain(chainCurve(c.segments, c.closed), 1, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4());
        Fixture twisted(chainCurve(c.segments, c.closed), 1, {arrayEntry(1, 1, EntryCyclic)}, c.mode, mat4());
        std::vector<Placed> a = plain.collect(), b = twisted.collect();
        ASSERT_EQ(a.size(), size_t(c.segments));
        ASSERT_EQ(b.size(), a.size());
        for (size_t p = 0; p < a.size(); ++p) {
            ASSERT_EQ(a[p].step, int32_t(p));
            ASSERT_EQ(b[p].step, int32_t(p));
            EXPECT_NEAR(wrapped(turnBetween(a[p].matrix, b[p].matrix)), wrapped(double(p) * c.turnPerStep), 1e-4)
                << "position " << p;
        }
        if (c.turnPerStep != 0.0) {
            EXPECT_NEAR(wrapped(turnBetween(a[6].matrix, b[6].matrix)), wrapped(6 * c.turnPerStep), 1e-4);
        }
    }
}

TEST(ArrayLayout, headsCyclicAndTailsFillTheirPositions) {
    {
        Fixture f(chainCurve(5, false), 3,
                  {arrayEntry(1, 1, EntryHead), arrayEntry(2, 1, EntryCyclic), arrayEntry(3, 1, EntryTail)},
                  ArraySimple, mat4());
        std::map<int32_t, int> byPosition;
        for (const Placed& p : f.collect()) byPosition[p.step] = f.copyIndex(p.tool);
        EXPECT_EQ(byPosition, (std::map<int32_t, int>{{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}}));
    }
    {
        // heads and tails alternate, and the schedule stops when the positions run out
        Fixture f(chainCurve(3, false), 4,
                  {arrayEntry(1, 1, EntryHead), arrayEntry(2, 1, EntryHead), arrayEntry(3, 1, EntryTail),
                   arrayEntry(4, 1, EntryTail)},
                  ArraySimple, mat4());
        std::vector<std::pair<int32_t, int>> order;
        for (const Placed& p : f.collect()) order.push_back({p.step, f.copyIndex(p.tool)});
        EXPECT_EQ(order, (std::vector<std::pair<int32_t, int>>{{0, 0}, {2, 2}, {1, 1}}));
    }
    {
        // item numbers wrap over the copies; item 0, kind 3 and multiplicities repeat as given
        Fixture f(chainCurve(6, false), 2,
                  {arrayEntry(5, 2, EntryCyclic), arrayEntry(0, 1, EntryCyclic), 0xC0000000u | arrayEntry(2, 1, 0)},
                  ArraySimple, mat4());
        std::map<int32_t, int> byPosition;
        for (const Placed& p : f.collect()) byPosition[p.step] = f.copyIndex(p.tool);
        EXPECT_EQ(byPosition, (std::map<int32_t, int>{{0, 0}, {1, 0}, {3, 0}, {4, 0}}));
    }
}

TEST(ArrayLayout, oddPositionsCarryTheAlternateMatrixInChainAndZipperModesOnly) {
    const mat4 alternate = mat4::translationXYZ(0, 0, 3);
    for (int32_t mode : {ArraySimple, ArrayChain, ArrayZipper}) {
        SCOPED_TRACE(mode);
        Fixture plain(chainCurve(4, false), 1, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4());
        Fixture alt(chainCurve(4, false), 1, {arrayEntry(1, 1, EntryCyclic)}, mode, alternate);
        std::vector<Placed> a = plain.collect(), b = alt.collect();
        ASSERT_EQ(b.size(), 4u);
        for (size_t p = 0; p < b.size(); ++p) {
            mat4 expected = a[p].matrix;
            if (mode != ArraySimple && (p & 1)) {
                expected = alternate;
                expected *= a[p].matrix;
            }
            expectNear(b[p].matrix, expected);
        }
    }
}

TEST(ArrayLayout, placedSubtreesHangUnderTheArrayWithTheirStepIds) {
    Curve* curve = chainCurve(3, false);
    // a following curve's step ids are its first points' links
    curve->typeCode = UCurveType;
    for (size_t i = 0; i < curve->points.size(); ++i) curve->points[i].link = int32_t(100 + i);
    Fixture f(curve, 1, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4());
    f.array->copies[0]->addChild(itemTool(7), false);
    f.array->addChild(itemTool(9), false);
    f.collect();
    // the array, its child, then per segment the copy and its child
    ASSERT_EQ(f.tools.size(), 2u + 3u * 2u);
    EXPECT_EQ(f.tools[0], f.array.get());
    EXPECT_EQ(f.groups[1], 0);
    for (int s = 0; s < 3; ++s) {
        size_t root = 2 + 2 * size_t(s);
        EXPECT_EQ(f.tools[root], f.array->copies[0]);
        EXPECT_EQ(f.groups[root], 0);
        EXPECT_EQ(f.steps[root], 100 + s);
        EXPECT_EQ(f.groups[root + 1], int32_t(root));
        EXPECT_EQ(f.steps[root + 1], -1);
        // the child keeps its own place below the copy
        mat4 child = f.array->copies[0]->composeMatrix();
        child *= f.matrices[root];
        expectNear(f.matrices[root + 1], child);
    }
}

TEST(ArrayLayout, nothingIsCollectedWithoutCopiesSegmentsOrACurve) {
    struct Case {
        Curve* curve;
        int items;
        std::vector<uint32_t> sequence;
        size_t listed; // an empty sequence still lists the array itself
    } cases[] = {{chainCurve(3, false), 0, {0x8001}, 0},
                 {new Curve(0), 1, {0x8001}, 0},
                 {nullptr, 1, {0x8001}, 0},
                 {chainCurve(3, false), 1, {}, 1}};
    for (Case& c : cases) {
        Fixture f(c.curve, c.items, c.sequence, ArraySimple, mat4());
        f.collect();
        EXPECT_EQ(f.tools.size(), c.listed);
    }
}

TEST(ArrayLayout, aDamagedNeighbourTableEndsTheWalk) {
    Curve* curve = chainCurve(5, true);
    Fixture f(curve, 1, {arrayEntry(1, 1, EntryCyclic)}, ArraySimple, mat4());
    curve->framesValid = true;
    curve->segments[2].neighbour[1] = 1; // back to a segment already placed on
    curve->segments[4].neighbour[1] = 4;
    std::vector<Placed> placed = f.collect();
    EXPECT_LE(placed.size(), 5u);
}

TEST(ArrayCopies, eachPickedItemIsClonedOntoItsRing) {
    std::unique_ptr<Tool> item(itemTool(1));
    item->addChild(itemTool(2), false);
    std::unique_ptr<Array> a(
        new Array(nullptr, {item.get(), nullptr, item.get()}, {}, 0, mat4(), mat4(), pbr(), false));
    ASSERT_EQ(a->copies.size(), 3u);
    EXPECT_EQ(a->copies[1], nullptr);
    ASSERT_NE(a->copies[0], a->copies[2]);
    for (Tool* c : {a->copies[0], a->copies[2]}) {
        EXPECT_EQ(c->parent, a.get());
        EXPECT_TRUE(item->isLinkedWith(c));
        ASSERT_EQ(c->children.size(), 1u);
        EXPECT_TRUE(item->children[0]->isLinkedWith(c->children[0]));
    }
    EXPECT_TRUE(a->children.empty());
}

TEST(ArrayCopies, copyWithoutChildrenLeavesUnmarkedCopiesOut) {
    std::vector<Tool*> items{itemTool(1), itemTool(2), itemTool(3)};
    std::unique_ptr<Array> a(
        new Array(nullptr, items, {arrayEntry(2, 1, 0)}, ArrayChain, arrayAlternateMatrix(1), mat4(), pbr(), false));
    a->copies[0]->setMark(1);
    a->copies[2]->setMark(1);
    std::unique_ptr<Tool> b(a->copy(false, false));
    ASSERT_TRUE(b->isArray());
    Array* copied = static_cast<Array*>(b.get());
    ASSERT_EQ(copied->copies.size(), 2u);
    EXPECT_EQ(copied->copies[0]->transform, items[0]->transform);
    EXPECT_EQ(copied->copies[1]->transform, items[2]->transform);
    EXPECT_EQ(copied->itemSequence, a->itemSequence);
    EXPECT_EQ(copied->mode, ArrayChain);
    EXPECT_TRUE(a->isLinkedWith(b.get()));
    // with children every copy comes along, placed
    std::unique_ptr<Tool> all(a->copyTransformedAll(mat4(), false, true));
    EXPECT_EQ(static_cast<Array*>(all.get())->copies.size(), 3u);
    EXPECT_TRUE(all->flags & PlacedFlag);
    a.reset();
    b.reset();
    all.reset();
    for (Tool* t : items) delete t;
}
