#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ImageFiles.h"
#include "elements/Sprite.h"
#include "mesh/Mesh.h"
#include "tools/Butterfly.h"
#include "VecExpect.h"

using namespace kal;

TEST(Butterfly, wingsHingeOnTheirRightEdgesAndTheSecondIsMirrored) {
    QTemporaryDir dir;
    const std::string png = QDir(dir.path()).filePath("wing.png").toStdString();
    ASSERT_TRUE(test::writePng(png, 640, 480, test::Rgb{9, 9, 9}));
    Sprite* wing = new Sprite(png, false);
    ASSERT_FALSE(wing->invalid);
    Butterfly b(wing, nullptr);
    ASSERT_EQ(b.children.size(), 2u);
    Tool *a = b.children[0], *m = b.children[1];
    EXPECT_EQ(a->element, wing);
    EXPECT_EQ(m->element, wing);
    EXPECT_EQ(wing->useCount, 2);
    EXPECT_TRUE(a->isLinkedWith(m));
    for (Tool* t : {a, m}) {
        EXPECT_EQ(t->rotationAxis, vec3(0, 1, 0));
        EXPECT_EQ(t->parent, &b);
    }
    // the quad spans x in -0.4..0.4 (width 0.8 of the unit aspect): both right edges on the hinge
    test::expectVecNear(vec3(0.4f, 0.3f, 0) * a->composeMatrix(), vec3(0, 0.3f, 0), 1e-6f);
    test::expectVecNear(vec3(-0.4f, 0, 0) * a->composeMatrix(), vec3(-0.8f, 0, 0), 1e-6f);
    test::expectVecNear(vec3(0.4f, 0.3f, 0) * m->composeMatrix(), vec3(0, 0.3f, 0), 1e-6f);
    test::expectVecNear(vec3(-0.4f, 0, 1) * m->composeMatrix(), vec3(0.8f, 0, 1), 1e-6f);
}

TEST(Butterfly, wingsWithoutASpriteHaveNoWidth) {
    Butterfly none(nullptr, nullptr);
    EXPECT_EQ(none.children[0]->composeMatrix(), mat4());
    Butterfly solid(Mesh::createCube(), nullptr);
    EXPECT_EQ(solid.children[1]->composeMatrix(), mat4::scaling(-1, 1, 1));
}
