// Random edit sessions: every change goes through its undo record onto the undo list. Undoing
// step by step must walk back through exactly the states seen on the way, and redoing must walk
// forward through them again.
#include <gtest/gtest.h>

#include <random>

#include "SceneSnapshot.h"
#include "TestElement.h"
#include "scene/Acts.h"
#include "scene/UndoStack.h"

using namespace kal;
using kal::test::snapshot;
using kal::test::TestElement;

namespace {

// The first line where two snapshots differ, for readable failures.
std::string firstDifference(const std::string& a, const std::string& b) {
    if (a == b) return "";
    size_t i = 0, line = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        if (a[i++] == '\n') ++line;
    auto lineAt = [&](const std::string& s) {
        size_t start = s.rfind('\n', i == 0 ? 0 : i - 1);
        start = start == std::string::npos ? 0 : start + 1;
        return s.substr(start, s.find('\n', start) - start);
    };
    std::string la = lineAt(a), lb = lineAt(b);
    size_t c = 0;
    while (c < la.size() && c < lb.size() && la[c] == lb[c]) ++c;
    size_t from = c > 40 ? c - 40 : 0;
    return "node " + std::to_string(line) + " column " + std::to_string(c) + "\n  got:  " + la.substr(from, 90) +
           "\n  want: " + lb.substr(from, 90);
}

class Session {
public:
    explicit Session(unsigned seed) : rng(seed) {
        stack.limit = 1000;
        for (int i = 0; i < 3; ++i) {
            Tool* t = new Tool(new TestElement(), mat4(), pbr(), false);
            if (i == 2) t->addChild(new Tool(new TestElement(), mat4::translationXYZ(0, 1, 0), pbr(), false), false);
            scene.addToMainRoot(t);
        }
        scene.rebuildToolLists();
    }

    ~Session() { stack.clear(); }

    Scene scene;
    UndoStack stack;
    std::mt19937 rng;
    std::vector<std::string> states;
    std::vector<std::string> names;

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool coin() { return uniform(0, 1) == 1; }
    float value() { return float(uniform(-8, 8)) * 0.25f; }
    int sceneId() { return uniform(1, scene.sceneLists.size()); }

    mat4 randomMove() {
        mat4 m = mat4::fromMat3(mat3::rotationAxisAngle(vec3(value(), value(), 1), value()));
        m *= mat4::translationXYZ(value(), value(), value());
        return m;
    }

    std::vector<mat4> placements() {
        std::vector<mat4> p;
        for (int i = uniform(1, 3); i > 0; --i) p.push_back(mat4::translationXYZ(value(), value(), value()));
        return p;
    }

    // The targets a ring-wide edit of the view reaches, as the records see them.
    std::vector<Tool*> targetsOf(Tool* t, bool ring) {
        std::vector<Tool*> out;
        if (!ring) return {t};
        Tool* m = t;
        do {
            if (m->flags & PlacedFlag) out.push_back(m);
            m = m->next;
        } while (m != t);
        return out;
    }

    void push(Act* act, const char* name) {
        scene.rebuildToolLists();
        if (!act->hasEffect()) {
            delete act;
            return;
        }
        stack.push(act);
        states.push_back(snapshot(scene));
        names.push_back(name);
    }

    void step() {
        int n = scene.sceneLists.size();
        int op = n == 0 ? 0 : uniform(0, 9);
        // copies onto rings grow the scene quickly; past a size only edits that do not add run
        static const int kNoGrowth[] = {1, 2, 3, 5, 6, 7, 9};
        if (n > 120) op = kNoGrowth[uniform(0, 6)];
        switch (op) {
        case 0: {
            Tool* tmpl = scene.toolRoot->children[size_t(uniform(0, 2))];
            int id = n > 0 && coin() ? sceneId() : 0;
            push(new ActObjectAdd(&scene, id, tmpl, placements(), uniform(0, 2), coin(), coin()), "add");
            break;
        }
        case 1: {
            auto* act = new ActObjectRemove(&scene, sceneId());
            act->toggle();
            push(act, "remove");
            break;
        }
        case 2: {
            auto* act = new ActObjectLink(&scene, sceneId(), sceneId());
            act->toggle();
            push(act, "link");
            break;
        }
        case 3: {
            auto* act = new ActObjectUnlink(&scene, sceneId());
            act->toggle();
            push(act, "unlink");
            break;
        }
        case 4: {
            auto* act = new ActObjectMultiply(&scene, sceneId(), placements(), coin(), coin());
            act->toggle();
            push(act, "multiply");
            break;
        }
        case 5: {
            int id = sceneId();
            bool ring = coin();
            auto* act = new ActObjectTransform(&scene, id, ring);
            Tool* t = scene.objectById(id);
            switch (uniform(0, 2)) {
            case 0: t->transformBy(randomMove(), ring); break;
            case 1: t->movePivot(mat4::translationXYZ(value(), value(), value()), ring); break;
            default: t->rotateConstrained(randomMove(), ring); break;
            }
            push(act, "transform");
            break;
        }
        case 6: {
            int id = sceneId();
            bool ring = coin();
            Tool* t = scene.objectById(id);
            vec3 axis(float(uniform(0, 1)), 0, float(uniform(0, 2)));
            if (coin()) {
                auto* act = new ActObjectRotationAxis(&scene, id, ring);
                for (Tool* m : targetsOf(t, ring)) m->rotationAxis = axis;
                push(act, "rotation axis");
            } else {
                auto* act = new ActObjectTranslationAxis(&scene, id, ring);
                for (Tool* m : targetsOf(t, ring)) m->translationAxis = axis;
                push(act, "translation axis");
            }
            break;
        }
        case 7: {
            int id = sceneId();
            bool ring = coin();
            auto* act = new ActObjectMaterial(&scene, id, ring);
            pbr p;
            p.red = uint16_t(uniform(0, 65535));
            p.opacity = uint16_t(uniform(60000, 65535));
            p.roughness = int16_t(uniform(-32768, 32767));
            scene.objectById(id)->setMaterial(p, byte(uniform(0, 63)), ring, false);
            push(act, "material");
            break;
        }
        case 8: {
            auto* act = new ActObjectCopyTransform(&scene, sceneId(), uniform(0, 2), coin());
            act->toggle();
            push(act, "copy in place");
            break;
        }
        default: {
            // a drag that ends where it began leaves no record behind
            int id = sceneId();
            auto* act = new ActObjectTransform(&scene, id, false);
            push(act, "still transform");
            break;
        }
        }
    }
};

void runSession(unsigned seed, int steps) {
    int live = TestElement::live;
    {
        Session s(seed);
        std::string start = snapshot(s.scene);
        for (int i = 0; i < steps; ++i) s.step();
        ASSERT_EQ(int(s.states.size()), int(s.stack.acts.size()));
        for (int i = int(s.states.size()) - 1; i >= 0; --i) {
            ASSERT_EQ(firstDifference(snapshot(s.scene), s.states[size_t(i)]), "")
                << "seed " << seed << " before undoing step " << i << " (" << s.names[size_t(i)] << ")";
            ASSERT_TRUE(s.stack.undo());
            s.scene.rebuildToolLists();
        }
        ASSERT_EQ(firstDifference(snapshot(s.scene), start), "") << "seed " << seed << " after undoing all";
        for (size_t i = 0; i < s.states.size(); ++i) {
            ASSERT_TRUE(s.stack.redo());
            s.scene.rebuildToolLists();
            ASSERT_EQ(firstDifference(snapshot(s.scene), s.states[i]), "")
                << "seed " << seed << " redo of step " << i << " (" << s.names[i] << ")";
        }
        // a second full round trip lands on the same states
        while (s.stack.undo()) s.scene.rebuildToolLists();
        ASSERT_EQ(firstDifference(snapshot(s.scene), start), "") << "seed " << seed << " second undo";
        while (s.stack.redo()) s.scene.rebuildToolLists();
        if (!s.states.empty()) {
            ASSERT_EQ(firstDifference(snapshot(s.scene), s.states.back()), "") << "seed " << seed << " second redo";
        }
    }
    EXPECT_EQ(TestElement::live, live) << "seed " << seed << " leaked or lost elements";
}

} // namespace

TEST(UndoModel, randomSessionsUndoAndRedoExactly) {
    for (unsigned seed = 1; seed <= 40; ++seed) runSession(seed, 40);
}

TEST(UndoModel, longSessionsStayConsistent) {
    for (unsigned seed = 100; seed < 104; ++seed) runSession(seed, 150);
}
