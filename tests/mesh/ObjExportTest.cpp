#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <map>
#include <sstream>

#include "FileSizeLimit.h"
#include "FileTestSupport.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "mesh/MeshRecord.h"
#include "scene/ObjMtlExport.h"

using namespace kal;
using namespace kal::test;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> r;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);) r.push_back(line);
    return r;
}

int countPrefix(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (const std::string& l : linesOf(text)) n += l.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

struct ObjExport : ::testing::Test {
    QTemporaryDir dir;
    void SetUp() override { registerMeshRecords(); }
    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    std::string read(const char* name) { return readWholeFile(path(name)); }
    QImage map(const char* which) { return QImage(dir.path() + "/Material_" + which + ".png"); }
};

// One triangle whose corners carry the given materials.
Mesh* materialTriangle(const pbr& a, const pbr& b, const pbr& c) {
    Mesh m;
    m.addVertex(vec3(0, 0, 0));
    m.addVertex(vec3(1, 0, 0));
    m.addVertex(vec3(0, 1, 0));
    addTri(m, 0, 1, 2);
    m.triangles[0].corner[0] = a;
    m.triangles[0].corner[1] = b;
    m.triangles[0].corner[2] = c;
    return heapMesh(rebuilt(m));
}

} // namespace

TEST_F(ObjExport, emptyMeshWritesHeaderOnly) {
    Mesh m;
    ASSERT_TRUE(m.saveToFile(path("e.obj")));
    EXPECT_EQ(read("e.obj"), "# Kalvimor OBJ export\n# 0 vertices, 0 faces\n\n");
    EXPECT_FALSE(m.saveToFile(path("e.txt")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("e.txt"))));
    EXPECT_FALSE(m.saveToFile(path("missing/e.obj")));
}

TEST_F(ObjExport, smoothClosedMeshHasOneNormalPerVertex) {
    Mesh m = rebuilt(octahedronMesh());
    ASSERT_TRUE(m.saveToFile(path("o.obj")));
    std::string text = read("o.obj");
    EXPECT_EQ(countPrefix(text, "vn "), m.vertexCount());
    EXPECT_EQ(countPrefix(text, "f "), m.triangleCount());
    for (const std::string& l : linesOf(text)) {
        if (l.compare(0, 2, "f ") != 0) continue;
        int v[3], n[3];
        ASSERT_EQ(std::sscanf(l.c_str(), "f %d//%d %d//%d %d//%d", &v[0], &n[0], &v[1], &n[1], &v[2], &n[2]), 6);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(v[c], n[c]);
    }
    for (int v = 0; v < m.vertexCount(); ++v) EXPECT_EQ(m.vertices[v].link, -1);
}

TEST_F(ObjExport, hardCubeRoundTripsItsHardEdges) {
    Mesh m = rebuilt(cubeMesh(true));
    ASSERT_TRUE(m.saveToFile(path("c.obj")));
    std::string text = read("c.obj");
    // three faces meet at each corner, each with its own normal
    EXPECT_EQ(countPrefix(text, "vn "), 24);
    Mesh back(path("c.obj"), false);
    ASSERT_FALSE(back.invalid);
    EXPECT_MESH_VALID(back);
    int marks = 0, expected = 0;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            marks += back.triangles[t].marked(k);
            expected += m.triangles[t].marked(k);
        }
    EXPECT_EQ(marks, expected);
}

TEST(ObjMapSize, cellsGrowAcrossThenDown) {
    int w, h;
    objMapSize(0, w, h);
    EXPECT_EQ(w * 100 + h, 202);
    objMapSize(5, w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    objMapSize(int64_t(1) << 40, w, h);
    EXPECT_EQ(w, 8192);
    EXPECT_EQ(h, 8192);
}

TEST_F(ObjExport, emptySceneWritesGlobalLinesAndTinyMaps) {
    Scene s;
    s.addToMainRoot(newTool(heapMesh(rebuilt(cubeMesh())), false)); // shelf tools are not exported
    ASSERT_TRUE(s.save(path("empty.obj")));
    EXPECT_EQ(read("empty.obj"),
              "# Kalvimor OBJ export\n\nmtllib empty.mtl\n\n# Global: 0 objects, 0 vertices, 0 faces\n");
    EXPECT_EQ(read("empty.mtl"), "# Kalvimor MTL export\n");
    for (const char* which : {"basecolor", "emission", "metalness", "roughness"})
        EXPECT_EQ(map(which).size(), QSize(2, 2));
    EXPECT_EQ(map("basecolor").pixel(0, 0), 0xff000000u);
}

TEST_F(ObjExport, objectsFollowEachOtherInNumbersAndCells) {
    Scene s;
    for (int i = 0; i < 12; ++i) {
        Tool* t = newTool(i < 2 ? heapMesh(rebuilt(octahedronMesh())) : nullptr, true);
        t->transform = mat4::translationXYZ(float(10 * i), 0, 0);
        s.sceneRoot->addChild(t, false);
    }
    ASSERT_TRUE(s.save(path("two.obj")));
    std::string text = read("two.obj");
    std::vector<std::string> lines = linesOf(text);
    EXPECT_EQ(lines[4], "# Global: 2 objects, 12 vertices, 16 faces");
    EXPECT_EQ(lines[6], "o Object01");
    EXPECT_EQ(lines[7], "# 6 vertices, 8 faces");
    EXPECT_EQ(lines[8], "usemtl Material");
    EXPECT_EQ(countPrefix(text, "o Object02"), 1);
    EXPECT_EQ(read("two.mtl"), "# Kalvimor MTL export\n\nnewmtl Material\n");
    // the second object's first face counts after the first object's records
    std::string firstFaceOfSecond;
    int seen = 0;
    for (const std::string& l : lines)
        if (l.compare(0, 2, "f ") == 0 && ++seen == 9) firstFaceOfSecond = l;
    int v, t, n;
    ASSERT_EQ(std::sscanf(firstFaceOfSecond.c_str(), "f %d/%d/%d", &v, &t, &n), 3);
    EXPECT_GT(v, 6);
    EXPECT_EQ(t, 3 * 8 + 1);
    EXPECT_GT(n, 6);
    // second object's vertices sit at x = 10 +- 1
    EXPECT_NE(text.find("\nv 11 0 0\n"), std::string::npos);
    EXPECT_EQ(map("basecolor").size(), QSize(8, 8)); // 16 cells: 4 x 4
}

TEST_F(ObjExport, cornerMaterialsBakeIntoTheMaps) {
    pbr a, b, c;
    a.red = 65535, a.green = 32768, a.blue = 0;
    b.roughness = -32766, b.lightRed = 60000;
    c.roughness = 32766, c.metalness = 0;
    Scene s;
    Tool* t = newTool(materialTriangle(a, b, c), true);
    t->material.lightRed = 10000; // the corner's light plus this passes the top
    s.sceneRoot->addChild(t, false);
    ASSERT_TRUE(s.save(path("m.obj")));
    QImage base = map("basecolor"), emission = map("emission"), rough = map("roughness"), metal = map("metalness");
    ASSERT_EQ(base.size(), QSize(2, 2));
    // texel u = 0 is the bottom-left pixel, u = 1 bottom-right, u = 2 and 3 the top row
    EXPECT_EQ(base.pixel(0, 1), qRgba(255, 128, 0, 255));
    EXPECT_EQ(qRed(emission.pixel(1, 1)), 255);
    EXPECT_EQ(qRed(rough.pixel(0, 1)), 127);
    EXPECT_EQ(qRed(rough.pixel(1, 1)), 0);
    EXPECT_EQ(qRed(rough.pixel(0, 0)), 255);
    EXPECT_EQ(qRed(rough.pixel(1, 0)), 255);
    EXPECT_EQ(qRed(metal.pixel(0, 0)), 127);
    std::string text = read("m.obj");
    EXPECT_NE(text.find("\nvt 0.25 0.25\nvt 0.75 0.25\nvt 0.5 0.75\n"), std::string::npos);
}

namespace {
struct LocaleRun {
    Scene* scene;
    std::string path;
    std::string text;
};
} // namespace

TEST_F(ObjExport, textIsTheSameInEveryLocale) {
    Scene s;
    Tool* t = newTool(heapMesh(rebuilt(uvSphereMesh(4, 6))), true);
    t->transform = mat4::translationXYZ(0.5f, -1.25f, 1e-7f);
    s.sceneRoot->addChild(t, false);
    ASSERT_TRUE(s.save(path("c.obj")));
    const std::string plain = read("c.obj");
    EXPECT_NE(plain.find('.'), std::string::npos);
    LocaleRun run{&s, path("de.obj"), ""};
    auto body = [](void* arg) {
        auto* r = static_cast<LocaleRun*>(arg);
        r->scene->save(r->path);
        r->text = readWholeFile(r->path);
    };
    if (!withCommaLocale(body, &run)) GTEST_SKIP() << "no locale with a decimal comma";
    std::string expected = plain;
    expected.replace(expected.find("mtllib c.mtl"), 12, "mtllib de.mtl");
    EXPECT_EQ(run.text, expected);
}

namespace {

// Every file of a folder with its bytes.
std::map<std::string, std::string> folderBytes(const QString& folder) {
    std::map<std::string, std::string> r;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        r[f.fileName().toStdString()] = f.isDir() ? "<folder>" : readWholeFile(f.filePath().toStdString());
    return r;
}

} // namespace

TEST_F(ObjExport, failedExportLeavesTheFolderAsItWas) {
    Scene s;
    s.sceneRoot->addChild(newTool(heapMesh(rebuilt(uvSphereMesh(8, 12))), true), false);
    EXPECT_FALSE(s.save(path("missing/x.obj")));

    // the files of an earlier export stay as they were when the .obj cannot be written whole
    for (const char* name : {"s.obj", "s.mtl", "Material_basecolor.png", "Material_emission.png",
                             "Material_metalness.png", "Material_roughness.png"})
        writeWholeFile(path(name), std::string("earlier ") + name);
    const auto before = folderBytes(dir.path());
    std::string why;
    bool saved;
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        saved = s.save(path("s.obj"), &why);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(why, FileSizeLimit::reason());
    EXPECT_EQ(folderBytes(dir.path()), before);

    // nor is any file made when the last one cannot be, and the reason names that one
    ASSERT_TRUE(QDir(dir.path()).mkpath("fresh/Material_roughness.png"));
    EXPECT_FALSE(s.save(path("fresh/t.obj"), &why));
    EXPECT_NE(why.find("Material_roughness.png"), std::string::npos) << why;
    EXPECT_EQ(folderBytes(dir.path() + "/fresh").size(), 1u);
}

TEST_F(ObjExport, objectSavesAsOneJoinedMeshInItsOwnFrame) {
    Tool* p = newTool(heapMesh(rebuilt(octahedronMesh())), true);
    p->transform = mat4::translationXYZ(100, 0, 0);
    Tool* q = newTool(heapMesh(rebuilt(cubeMesh())), true);
    q->transform = mat4::translationXYZ(5, 0, 0);
    p->addChild(q, false);
    Scene s;
    s.sceneRoot->addChild(p, false);
    ASSERT_TRUE(p->saveObject(path("joined.obj")));
    EXPECT_FALSE(p->isLinked()); // the temporary copy left the ring
    Mesh back(path("joined.obj"), false);
    EXPECT_EQ(back.vertexCount(), 6 + 8);
    EXPECT_EQ(back.triangleCount(), 8 + 12);
    std::string text = read("joined.obj");
    EXPECT_EQ(text.find("v 101 "), std::string::npos); // the object's own placement is left out
}

namespace {

// The faces of each "o" group of an OBJ text (the whole file when it has none), read with no help
// from the exporter: corner positions in written order and the normals the corners name.
struct WrittenFace {
    vec3 p[3], n[3];
};
std::vector<std::vector<WrittenFace>> writtenObjects(const std::string& text) {
    std::vector<vec3> v, vn;
    std::vector<std::vector<WrittenFace>> objects(1);
    for (const std::string& l : linesOf(text)) {
        std::istringstream in(l);
        std::string kind;
        in >> kind;
        vec3 x;
        if (kind == "v" || kind == "vn") {
            in >> x.x >> x.y >> x.z;
            (kind == "v" ? v : vn).push_back(x);
        } else if (kind == "o" && !objects.back().empty()) {
            objects.emplace_back();
        } else if (kind == "f") {
            WrittenFace f;
            std::string corner;
            for (int c = 0; c < 3 && in >> corner; ++c) {
                size_t a = corner.find('/'), b = corner.rfind('/');
                f.p[c] = v.at(size_t(std::stoi(corner.substr(0, a)) - 1));
                f.n[c] = vn.at(size_t(std::stoi(corner.substr(b + 1)) - 1));
            }
            objects.back().push_back(f);
        }
    }
    return objects;
}

// Each object's faces must wind outward (positive signed volume) and each normal must be of unit
// length and lean the way its face does.
void expectOutward(const std::vector<WrittenFace>& faces) {
    double volume = 0;
    int stretched = 0, leaning = 0;
    for (const WrittenFace& f : faces) {
        volume += double(dot(f.p[0], cross(f.p[1], f.p[2]))) / 6;
        vec3 facing = normalize(cross(f.p[1] - f.p[0], f.p[2] - f.p[0]));
        for (const vec3& n : f.n) {
            stretched += std::abs(length(n) - 1) > 1e-4f;
            leaning += dot(n, facing) < 0.85f * length(n);
        }
    }
    EXPECT_GT(volume, 0);
    EXPECT_EQ(stretched, 0);
    EXPECT_EQ(leaning, 0);
}

} // namespace

TEST_F(ObjExport, mirroredAndTurnedObjectsWindOutwardWithUnitNormals) {
    Scene s;
    Mesh* sphere = heapMesh(rebuilt(uvSphereMesh(8, 12)));
    sphere->scale = 0.15f; // as the create menu leaves a placed sphere
    sphere->translation = vec3(0.2f, 0, 0);
    Tool* mirrored = newTool(sphere, true);
    mirrored->transform = mat4::scaling(-1, 1, 1) * mat4::translationXYZ(3, 0, 0);
    Tool* turned = newTool(heapMesh(rebuilt(cubeMesh(true))), true);
    turned->transform = mat4::rotationEuler(0.3f, 0.5f, 0.7f) * mat4::scaling(1, 3, 0.5f);
    s.sceneRoot->addChild(mirrored, false);
    s.sceneRoot->addChild(turned, false);
    ASSERT_TRUE(s.save(path("pair.obj")));
    auto objects = writtenObjects(read("pair.obj"));
    ASSERT_EQ(objects.size(), 2u);
    for (const auto& faces : objects) expectOutward(faces);

    // saved alone, an object joins its mirrored child (the larger, so a wrong one shows) outward too
    Tool* child = newTool(heapMesh(rebuilt(cubeMesh(true))), true);
    child->transform = mat4::scaling(-2, 1, 1);
    turned->addChild(child, false);
    ASSERT_TRUE(turned->saveObject(path("joined.obj")));
    objects = writtenObjects(read("joined.obj"));
    ASSERT_EQ(objects.size(), 1u);
    expectOutward(objects[0]);
}

TEST_F(ObjExport, trianglesWithoutAreaStillGetUnitNormals) {
    // a quad facing +x with a sliver on its lower edge, every edge hard so that the sliver's corners
    // share no fan with the quad, and apart from them a lone triangle of no area
    Mesh m;
    const vec3 corners[] = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {0, 0.5f, 0}, {0, 5, 0}, {0, 6, 0}, {0, 7, 0}};
    for (vec3 p : corners) m.addVertex(p);
    const int tris[][3] = {{0, 4, 2}, {4, 1, 2}, {0, 2, 3}, {0, 1, 4}, {5, 6, 7}};
    for (const auto& t : tris) addTri(m, t[0], t[1], t[2], 7);
    Mesh* mesh = heapMesh(rebuilt(m));
    ASSERT_EQ(zeroAreaTriangles(*mesh), 2);
    ASSERT_TRUE(mesh->saveToFile(path("plain.obj")));
    Scene s;
    s.sceneRoot->addChild(newTool(mesh, true), false);
    Tool* flat = newTool(mesh, true); // squashed flat, its normals have nowhere to point
    flat->transform = mat4::scaling(1, 1, 0);
    s.sceneRoot->addChild(flat, false);
    ASSERT_TRUE(s.save(path("scene.obj")));

    for (const char* name : {"plain.obj", "scene.obj"}) {
        auto objects = writtenObjects(read(name));
        int bad = 0, sliverCorners = 0;
        for (const auto& faces : objects)
            for (const WrittenFace& f : faces)
                for (const vec3& n : f.n) bad += !isFinite(n) || std::abs(length(n) - 1) > 1e-4f;
        // the sliver's corners take the quad's side
        for (const WrittenFace& f : objects[0])
            if (length(cross(f.p[1] - f.p[0], f.p[2] - f.p[0])) == 0 && f.p[0].y < 2)
                for (const vec3& n : f.n) sliverCorners += n.x > 0.99f;
        EXPECT_EQ(bad, 0) << name;
        EXPECT_EQ(sliverCorners, 3) << name;
    }
}
