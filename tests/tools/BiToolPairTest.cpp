// The life of a pair under AddressSanitizer: copies pair only with copies, and deleting or
// removing either end (or a tree holding both) takes both, with undo bringing them back paired.
#include <gtest/gtest.h>

#include <memory>

#include "scene/Acts.h"
#include "scene/Scene.h"
#include "tools/BiTool.h"

using namespace kal;

namespace {

Tool* plain() { return new Tool(nullptr, mat4(), pbr(), false); }

BiTool* end(uint32_t kind = BiToolBare) { return new BiTool(kind, nullptr, mat4(), pbr(), false); }

BiTool* biTool(Tool* t) { return dynamic_cast<BiTool*>(t); }

// Holders X and Y in the scene, an end under each, paired.
struct Holders {
    Scene scene;
    Tool* x = scene.sceneRoot->addChild(plain(), false);
    Tool* y = scene.sceneRoot->addChild(plain(), false);
    BiTool* a = static_cast<BiTool*>(x->addChild(end(BiToolCylinder), false));
    BiTool* b = static_cast<BiTool*>(y->addChild(end(), false));
    Holders() {
        a->attachPartner(b);
        a->restLength = 4;
        scene.rebuildToolLists();
    }
};

} // namespace

TEST(BiToolPair, oneEndCopiedAloneIsUnpairedAndBothCopiedInOnePassPairWithEachOther) {
    Holders h;
    std::unique_ptr<Tool> lone(h.a->copy(false));
    ASSERT_TRUE(biTool(lone.get()));
    EXPECT_EQ(lone->partner(), nullptr);
    EXPECT_EQ(biTool(lone.get())->restLength, 4.0f);
    EXPECT_EQ(biTool(lone.get())->biToolKind, 2u);
    EXPECT_EQ(h.a->partner(), h.b);

    // a holder of one end copies it only with its partner
    std::unique_ptr<Tool> holderCopy(h.x->copy(false));
    EXPECT_TRUE(holderCopy->children.empty());

    Tool* both = h.scene.sceneRoot->addChild(plain(), false);
    both->addChild(h.x, false);
    both->addChild(h.y, false);
    h.scene.sceneRoot->removeChild(h.x);
    h.scene.sceneRoot->removeChild(h.y);
    for (int form = 0; form < 3; ++form) {
        std::unique_ptr<Tool> c(form == 0   ? both->copy(false)
                                : form == 1 ? both->copyTransformed(mat4(), false)
                                            : both->copyTransformedAll(mat4(), false));
        ASSERT_EQ(c->children.size(), 2u);
        ASSERT_EQ(c->children[0]->children.size(), 1u) << form;
        Tool* ca = c->children[0]->children[0];
        Tool* cb = c->children[1]->children[0];
        EXPECT_EQ(ca->partner(), cb) << form;
        EXPECT_EQ(cb->partner(), ca) << form;
        EXPECT_EQ(h.a->partner(), h.b);
    }
}

TEST(BiToolPair, deletingEitherEndOrATreeHoldingThemDeletesThePairOnce) {
    {
        Holders h;
        delete h.b;
        EXPECT_TRUE(h.x->children.empty());
        EXPECT_TRUE(h.y->children.empty());
    }
    {
        Holders h;
        delete h.x; // its end takes the other end from Y
        EXPECT_TRUE(h.y->children.empty());
        EXPECT_EQ(h.scene.sceneRoot->children.size(), 1u);
    }
    {
        // the partner hangs above the end: deleting either must not reach a deleted tool
        for (int which = 0; which < 2; ++which) {
            Scene scene;
            BiTool* top = static_cast<BiTool*>(scene.sceneRoot->addChild(end(), false));
            Tool* mid = top->addChild(plain(), false);
            BiTool* low = static_cast<BiTool*>(mid->addChild(end(), false));
            top->attachPartner(low);
            delete (which == 0 ? static_cast<Tool*>(low) : top);
            EXPECT_TRUE(scene.sceneRoot->children.empty()) << which;
        }
    }
    {
        // two pairs crossing between two subtrees
        Scene scene;
        Tool* p = scene.sceneRoot->addChild(plain(), false);
        Tool* q = scene.sceneRoot->addChild(plain(), false);
        BiTool* p1 = static_cast<BiTool*>(p->addChild(end(), false));
        BiTool* p2 = static_cast<BiTool*>(p->addChild(end(), false));
        BiTool* q1 = static_cast<BiTool*>(q->addChild(end(), false));
        BiTool* q2 = static_cast<BiTool*>(q->addChild(end(), false));
        p1->attachPartner(q1);
        q2->attachPartner(p2);
        delete p;
        EXPECT_TRUE(q->children.empty());
    }
}

TEST(BiToolPair, attachingPairsOnlyBiToolEndsAndFreesTheirOldPartners) {
    Holders h;
    std::unique_ptr<Tool> other(plain());
    h.a->attachPartner(other.get());
    h.a->attachPartner(h.a);
    EXPECT_EQ(h.a->partner(), h.b);
    BiTool* c = static_cast<BiTool*>(h.y->addChild(end(), false));
    c->attachPartner(h.a);
    EXPECT_EQ(h.a->partner(), c);
    EXPECT_EQ(h.b->partner(), nullptr);
}

TEST(BiToolPair, placingThePairAndRemovingAnEndUndoAndRedoUnderOneRecord) {
    Scene scene;
    scene.sceneRoot->addChild(plain(), false);
    scene.sceneRoot->addChild(plain(), false);
    scene.rebuildToolLists();
    std::unique_ptr<Tool> first(end(BiToolCylinder)), second(end());
    const std::vector<mat4> at{mat4::translation(vec3(1, 0, 0))};
    auto count = [&] {
        std::vector<Tool*> all;
        scene.sceneRoot->enumerate(all);
        return all.size();
    };
    auto placedPair = [&]() -> std::pair<Tool*, Tool*> {
        Tool* x = scene.sceneRoot->children[0];
        Tool* y = scene.sceneRoot->children[1];
        if (x->children.size() != 1 || y->children.size() != 1) return {nullptr, nullptr};
        return {x->children[0], y->children[0]};
    };
    ActObjectAddBiTool add(&scene, 1, 2, first.get(), second.get(), at, at, 2, false, false);
    add.toggle();
    auto [pa, pb] = placedPair();
    ASSERT_TRUE(pa && pb);
    EXPECT_EQ(pa->partner(), pb);
    EXPECT_EQ(biTool(pa)->biToolKind, 2u);
    for (int round = 0; round < 2; ++round) {
        add.toggle();
        EXPECT_EQ(count(), 2u);
        add.toggle();
        auto [ra, rb] = placedPair();
        ASSERT_TRUE(ra && rb);
        EXPECT_EQ(ra->partner(), rb);
    }

    // removing the bare end removes both; undo brings both back, paired
    scene.rebuildToolLists();
    ActObjectRemove remove(&scene, scene.idOf(placedPair().second));
    remove.toggle();
    EXPECT_EQ(count(), 2u);
    for (int round = 0; round < 2; ++round) {
        remove.toggle();
        auto [ra, rb] = placedPair();
        ASSERT_TRUE(ra && rb);
        EXPECT_EQ(ra->partner(), rb);
        EXPECT_EQ(rb->partner(), ra);
        scene.rebuildToolLists();
        remove.toggle();
        EXPECT_EQ(count(), 2u);
    }
}

TEST(BiToolPair, listsNamingBothEndsDeleteThePairOnce) {
    {
        Holders h;
        deleteTools({h.a, h.b});
        EXPECT_TRUE(h.x->children.empty() && h.y->children.empty());
    }
    {
        // a removal pass that collected both ends under one parent
        Scene scene;
        Tool* p = scene.sceneRoot->addChild(plain(), false);
        BiTool* a = static_cast<BiTool*>(p->addChild(end(), false));
        BiTool* b = static_cast<BiTool*>(p->addChild(end(), false));
        Tool* kept = p->addChild(plain(), false);
        a->attachPartner(b);
        a->flags |= CollectFlag;
        b->flags |= CollectFlag;
        scene.sceneRoot->purgeChildren();
        EXPECT_EQ(p->children, std::vector<Tool*>{kept});
    }
}
