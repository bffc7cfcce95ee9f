// The life of a pair under AddressSanitizer: copies pair only with copies, and deleting or
// removing either end (or a tree or list holding both) takes both once, undo bringing them back.
#include <gtest/gtest.h>

#include <memory>

#include "scene/Acts.h"
#include "scene/Scene.h"
#include "tools/BiTool.h"

using namespace kal;

namespace {

Tool* plain() { return new Tool(nullptr, mat4(), pbr(), false); }
BiTool* end(Tool* parent) {
    return static_cast<BiTool*>(parent->addChild(new BiTool(BiToolBare, nullptr, mat4(), pbr(), false), false));
}

// Holders X and Y in a scene, an end under each, paired.
struct Holders {
    Scene scene;
    Tool* x = scene.sceneRoot->addChild(plain(), false);
    Tool* y = scene.sceneRoot->addChild(plain(), false);
    BiTool* a = end(x);
    BiTool* b = end(y);
    Holders() {
        a->attachPartner(b);
        a->restLength = 4;
    }
};

} // namespace

TEST(BiToolPair, oneEndCopiedAloneIsUnpairedAndBothCopiedInOnePassPairWithEachOther) {
    Holders h;
    std::unique_ptr<Tool> lone(h.a->copy(false)), holder(h.x->copy(false));
    EXPECT_EQ(lone->partner(), nullptr);
    EXPECT_EQ(static_cast<BiTool*>(lone.get())->restLength, 4.0f);
    EXPECT_TRUE(holder->children.empty()); // an end goes only with its partner
    Tool* both = h.scene.sceneRoot->insertChild(0, plain());
    for (Tool* t : {h.x, h.y}) both->addChild(t, false);
    h.scene.sceneRoot->children.resize(1);
    for (int form = 0; form < 3; ++form) {
        std::unique_ptr<Tool> c(form == 0   ? both->copy(false)
                                : form == 1 ? both->copyTransformed(mat4(), false)
                                            : both->copyTransformedAll(mat4(), false));
        Tool* ca = c->children[0]->children.at(0);
        Tool* cb = c->children[1]->children.at(0);
        EXPECT_TRUE(ca->partner() == cb && cb->partner() == ca) << form;
        EXPECT_EQ(h.a->partner(), h.b);
    }
}

TEST(BiToolPair, deletingEitherEndATreeOrAListHoldingBothDeletesThePairOnce) {
    for (int which = 0; which < 4; ++which) {
        Holders h;
        if (which == 0) delete h.b;
        if (which == 1) delete h.x;
        if (which == 2) deleteTools({h.a, h.b});
        if (which == 3) {
            // a removal pass that collected both ends under one parent
            h.x->addChild(h.b, false);
            h.y->children.clear();
            h.a->flags |= CollectFlag;
            h.b->flags |= CollectFlag;
            h.scene.sceneRoot->purgeChildren();
        }
        EXPECT_TRUE(h.y->children.empty() && (which == 1 || h.x->children.empty())) << which;
    }
    // the partner above the end, and two pairs crossing between two subtrees
    for (int which = 0; which < 2; ++which) {
        Scene scene;
        BiTool* top = end(scene.sceneRoot);
        BiTool* low = end(top->addChild(plain(), false));
        top->attachPartner(low);
        delete (which == 0 ? static_cast<Tool*>(low) : top);
        EXPECT_TRUE(scene.sceneRoot->children.empty()) << which;
    }
    Scene scene;
    Tool* p = scene.sceneRoot->addChild(plain(), false);
    Tool* q = scene.sceneRoot->addChild(plain(), false);
    end(p)->attachPartner(end(q));
    end(q)->attachPartner(end(p));
    delete p;
    EXPECT_TRUE(q->children.empty());
}

TEST(BiToolPair, placingThePairAndRemovingAnEndUndoAndRedoUnderOneRecord) {
    Scene scene;
    Tool* x = scene.sceneRoot->addChild(plain(), false);
    Tool* y = scene.sceneRoot->addChild(plain(), false);
    scene.rebuildToolLists();
    std::unique_ptr<Tool> first(new BiTool(BiToolCylinder, nullptr, mat4(), pbr(), false));
    std::unique_ptr<Tool> second(new BiTool(BiToolBare, nullptr, mat4(), pbr(), false));
    const std::vector<mat4> at{mat4::translation(vec3(1, 0, 0))};
    auto paired = [&] {
        return x->children.size() == 1 && y->children.size() == 1 && x->children[0]->partner() == y->children[0] &&
               y->children[0]->partner() == x->children[0];
    };
    auto bare = [&] { return x->children.empty() && y->children.empty(); };
    ActObjectAddBiTool add(&scene, 1, 2, first.get(), second.get(), at, at, 2, false, false);
    add.toggle();
    ASSERT_TRUE(paired());
    for (int round = 0; round < 2; ++round) {
        add.toggle();
        EXPECT_TRUE(bare());
        add.toggle();
        EXPECT_TRUE(paired());
    }
    // removing the bare end removes both; undo brings both back, paired
    scene.rebuildToolLists();
    ActObjectRemove remove(&scene, scene.idOf(y->children[0]));
    remove.toggle();
    EXPECT_TRUE(bare());
    for (int round = 0; round < 2; ++round) {
        remove.toggle();
        EXPECT_TRUE(paired());
        scene.rebuildToolLists();
        remove.toggle();
        EXPECT_TRUE(bare());
    }
}
