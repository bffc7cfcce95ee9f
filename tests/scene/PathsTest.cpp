#include <gtest/gtest.h>

#include "scene/Paths.h"

using namespace kal;

TEST(Paths, foldersAreBuiltFromTheRoot) {
    EXPECT_EQ(rootPath, "../");
    EXPECT_EQ(materialsPath, "../Materials/");
    EXPECT_EQ(shadersPath, ":/shaders/");
    EXPECT_EQ(iconsPath, ":/icons/");
    EXPECT_EQ(texturesPath, "../Textures/");
    EXPECT_EQ(environmentsPath, "../Textures/Environments/");
    EXPECT_EQ(scenesPath, "../Scenes/");
    EXPECT_EQ(objectsPath, "../Scenes/Objects/");
}

TEST(Paths, relativeNamesTakeTheFolderButResourcesDoNot) {
    EXPECT_EQ(resolvePath(texturesPath, "sprite.png"), "../Textures/sprite.png");
    EXPECT_EQ(resolvePath(texturesPath, ":/Icons/a.png"), ":/Icons/a.png");
    EXPECT_EQ(resolvePath(texturesPath, "/abs/a.png", false), "/abs/a.png");
    EXPECT_EQ(resolvePath(shadersPath, "Mesh/Mesh") + ".glsl", ":/shaders/Mesh/Mesh.glsl");
    EXPECT_EQ(resolvePath(objectsPath, ""), objectsPath);
}
