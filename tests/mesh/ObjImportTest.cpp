#include <gtest/gtest.h>

#include <QFile>
#include <charconv>
#include <cstring>
#include <memory>

#include "FileTestSupport.h"
#include "HostileShapes.h"
#include "MeshFixtures.h"
#include "MeshInvariants.h"
#include "foundation/Parallel.h"
#include "mesh/ObjImport.h"
#include "scene/SceneFile.h"

using namespace kal;
using namespace kal::test;

namespace {

Mesh parsed(const std::string& text) {
    Mesh m;
    parseObjText(m, text.data(), text.size());
    return m;
}

std::vector<std::array<int, 3>> trianglesOf(const Mesh& m) {
    std::vector<std::array<int, 3>> r;
    for (int t = 0; t < m.triangleCount(); ++t)
        r.push_back({m.triangles[t].vertex[0], m.triangles[t].vertex[1], m.triangles[t].vertex[2]});
    return r;
}

using Tris = std::vector<std::array<int, 3>>;

const char* const fourVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

// A unit cube whose faces each carry their own normal number, so every cube edge is hard.
const char* const cubeWithFaceNormals = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                        "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
                                        "f 4//1 3//1 2//1 1//1\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\n"
                                        "f 3//4 4//4 8//4 7//4\nf 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n";

int markedEdgeSides(const Mesh& m) {
    int n = 0;
    for (int t = 0; t < m.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) n += m.triangles[t].marked(k) ? 1 : 0;
    return n;
}

struct ObjFiles : ::testing::Test {
    QTemporaryDir dir;
    std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
};

} // namespace

TEST(ObjParse, vertexLinesInEitherCaseAddVertices) {
    Mesh m = parsed("v 1 2 3\nV 4 5 6\nvn 0 0 1\nvt 0 1\n# v 7 8 9\n");
    ASSERT_EQ(m.vertexCount(), 2);
    EXPECT_EQ(m.vertices[1].position, vec3(4, 5, 6));
    EXPECT_EQ(m.vertices[0].flags, VertexAlive);
}

TEST(ObjParse, facesAreFannedFromTheirFirstCorner) {
    EXPECT_EQ(trianglesOf(parsed(std::string(fourVertices) + "f 1 2 3 4\n")), (Tris{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(parsed(std::string(fourVertices) + "f 1 2\n").triangleCount(), 0);
}

TEST(ObjParse, cornerNormalsHoldNormalNumbers) {
    std::string v = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (const char* face : {"f 1/1/1 2/2/2 3/3/3\n", "f 1//1 2//2 3//3\n"}) {
        Mesh m = parsed(v + face);
        ASSERT_EQ(m.triangleCount(), 1);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(m.triangles[0].cornerNormal[c], vec3(float(c + 1), float(c + 1), float(c + 1)));
    }
    Mesh two = parsed(v + "f 1/1 2/2 3/3\n");
    EXPECT_EQ(two.triangles[0].cornerNormal[2], vec3());
    // the quad's diagonal carries the same numbers at both ends in both triangles
    Mesh quad = parsed(std::string(fourVertices) + "f 1//1 2//2 3//3 4//4\n");
    EXPECT_EQ(quad.triangles[1].cornerNormal[0].x, 1.0f);
    EXPECT_EQ(quad.triangles[1].cornerNormal[1].x, 3.0f);
    EXPECT_EQ(quad.triangles[1].cornerNormal[2].x, 4.0f);
}

TEST(ObjParse, lineEndsAndBlankLinesDoNotMatter) {
    const std::string unix = std::string(fourVertices) + "f 1 2 3\nf 1 3 4\n";
    std::string windows, mac;
    for (char c : unix) {
        windows += c == '\n' ? std::string("\r\n\r\n") : std::string(1, c);
        mac += c == '\n' ? '\r' : c;
    }
    EXPECT_EQ(trianglesOf(parsed(windows)), trianglesOf(parsed(unix)));
    EXPECT_EQ(trianglesOf(parsed(mac)), trianglesOf(parsed(unix)));
    EXPECT_EQ(parsed(mac).vertexCount(), 4);
}

TEST(ObjParse, textEndsAtTheFirstZeroByte) {
    std::string text = std::string(fourVertices) + "f 1 2 3\n";
    text += '\0';
    text += "f 1 3 4\nv 9 9 9\n";
    Mesh m = parsed(text);
    EXPECT_EQ(m.vertexCount(), 4);
    EXPECT_EQ(m.triangleCount(), 1);
}

TEST(ObjParse, negativeNumbersCountBackFromTheLatestVertex) {
    Mesh m = parsed("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -4 -1 -2\n");
    EXPECT_EQ(trianglesOf(m), (Tris{{0, 1, 2}, {0, 3, 2}}));
}

TEST(ObjParse, facesNamingMissingVerticesAreSkippedWhole) {
    Mesh m = parsed(std::string(fourVertices) + "f 1 2 5\nf 0 1 2\nf -5 1 2\nf 1 2 x\nf 1 2 3 4 99\nf 2 3 4\n");
    EXPECT_EQ(trianglesOf(m), (Tris{{1, 2, 3}}));
    // a number may name a vertex listed further down the file
    EXPECT_EQ(trianglesOf(parsed("v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n")), (Tris{{0, 1, 2}}));
}

// A vertex that is no finite point (nan, inf, or past the float range) is read like a missing one,
// wherever the chunk cuts put the faces that name it.
TEST(ObjParse, facesNamingNonFiniteVerticesAreSkippedAndTheRestReads) {
    const std::string text = "v 0 0 0\nv nan 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 -inf\nf 1 3 4\nf 1 2 3\nf 3 4 5\n"
                             "v 1 1 1\nf 1 3 6\nv 1e39 0 0\nf 7 3 1\n";
    for (size_t chunk = 1; chunk <= text.size(); ++chunk) {
        Mesh m;
        ASSERT_TRUE(parseObjText(m, text.data(), text.size(), chunk));
        ASSERT_EQ(trianglesOf(m), (Tris{{0, 2, 3}, {0, 2, 5}})) << chunk;
        for (int v = 0; v < m.vertexCount(); ++v)
            EXPECT_TRUE(!m.vertices[v].alive() || isFinite(m.vertices[v].position)) << v;
    }
}

TEST(ObjParse, malformedNumbersReadAsZero) {
    Mesh m = parsed("v 1,5 abc 2x\nv +2.5 -1e-2 .5\nv 7\n");
    ASSERT_EQ(m.vertexCount(), 3);
    EXPECT_EQ(m.vertices[0].position, vec3());
    EXPECT_EQ(m.vertices[1].position, vec3(2.5f, -0.01f, 0.5f));
    EXPECT_EQ(m.vertices[2].position, vec3(7, 0, 0));
}

TEST(ObjParse, numbersDoNotDependOnTheLocale) {
    static Mesh underComma;
    auto body = [](void*) { underComma = parsed("v 1.5 -2.25 3e-1\n"); };
    if (!withCommaLocale(body, nullptr)) GTEST_SKIP() << "no locale with a decimal comma";
    ASSERT_EQ(underComma.vertexCount(), 1);
    EXPECT_EQ(underComma.vertices[0].position, vec3(1.5f, -2.25f, 0.3f));
}

// The text is parsed in chunks cut at line ends: wherever the cuts fall (inside a line, a number,
// a CRLF pair or a comment), the records are those of the text parsed whole.
TEST(ObjParse, chunkCutsAnywhereGiveTheRecordsOfTheWholeText) {
    const std::string texts[] = {
        std::string(cubeWithFaceNormals),
        "# a comment line\r\nv 0 0 0\r\nv 1.25 0 0\r\n\r\nvn 0 0 1\r\nv 0 1 0 # trailing\r\n"
        "f -3//-1 -2//1 -1//1\r\nf 1 2 4\r\nv 1 1 1\rf -4/1/2 2/1/-1 3/1 4\rf 0 1 2\n",
        "v 1e3 -2.5e-1 +7\nf 1 2 3\nv 0 1 0\nv 5 5 5\nf -1 -2 -3 -4 1\nvn 1 0 0\nvn 0 1 0\nf 1//-2 2//-1 3 4//9\n"
        "f 1 2\nf 1 2 x\n# f 1 2 3\nF 2 3 4\nv 9 9 9",
        // the text ends at its zero byte, whichever chunk holds it
        std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 4\nv 1 1 0\nf -1 -2 -3\n\0v 5 5 5\nf 4 5 1\n", 64),
    };
    for (const std::string& text : texts) {
        Mesh whole;
        parseObjText(whole, text.data(), text.size(), text.size() + 1);
        ASSERT_GT(whole.triangleCount(), 1);
        for (size_t chunk = 1; chunk <= text.size(); ++chunk) {
            Mesh cut;
            parseObjText(cut, text.data(), text.size(), chunk);
            expectSameRecords(cut, whole);
        }
    }
}

// A sphere written out as text and read back in the chunks a large file gets, on every worker:
// the records are the sphere's own, positions exact to the bit (shortest round-trip numbers).
TEST(ObjParse, aLargeTextReadsBackTheMeshItWasWrittenFrom) {
    const Mesh sphere = rebuilt(uvSphereMesh(120, 240));
    std::string text = "# sphere\n";
    char number[32];
    for (int v = 0; v < sphere.vertexCount(); ++v) {
        text += "v";
        for (int k = 0; k < 3; ++k) {
            text += ' ';
            text.append(number, std::to_chars(number, number + sizeof number, sphere.vertices[v].position[k]).ptr);
        }
        text += '\n';
    }
    // half the faces by absolute numbers, half counting back from the last vertex
    const int n = sphere.vertexCount();
    for (int t = 0; t < sphere.triangleCount(); ++t) {
        text += "f";
        for (int c = 0; c < 3; ++c)
            text += " " + std::to_string(t % 2 ? sphere.triangles[t].vertex[c] + 1 : sphere.triangles[t].vertex[c] - n);
        text += '\n';
    }
    ASSERT_GT(text.size(), size_t(1) << 20); // several chunks
    Mesh m = parsed(text);
    ASSERT_EQ(m.vertexCount(), n);
    ASSERT_EQ(m.triangleCount(), sphere.triangleCount());
    for (int v = 0; v < n; ++v) ASSERT_EQ(m.vertices[v].position, sphere.vertices[v].position) << v;
    EXPECT_EQ(trianglesOf(m), trianglesOf(sphere));
}

// Cut into chunks, a text whose records outgrow the read's budget is refused as it is whole, and
// the chunks add nothing at all.
TEST(ObjParse, chunksOverTheBudgetAreRefusedWithNothingAdded) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf";
    for (int i = 0; i < 3000; ++i) text += " 1 2 3";
    text += "\nv 1 1 1\n";
    for (size_t chunk : {size_t(7), text.size() + 1}) {
        ReadBudget budget(text.size(), 0);
        Mesh m;
        EXPECT_FALSE(parseObjText(m, text.data(), text.size(), chunk)) << chunk;
        if (chunk < text.size()) {
            EXPECT_EQ(m.vertexCount() + m.triangleCount(), 0);
        }
    }
}

// Faces are charged for the triangles they could make before any record is: a text of short
// faces naming no vertex, whose triangles would outgrow the budget, is refused and adds nothing.
TEST(ObjParse, facesAreChargedBeforeTheirVerticesAreKnown) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 2000; ++i) text += "f 0 0 0 0 0 0 0 0 0 0 0 0\n";
    {
        ReadBudget budget(text.size(), 0);
        Mesh m;
        EXPECT_FALSE(parseObjText(m, text.data(), text.size()));
        EXPECT_EQ(m.vertexCount() + m.triangleCount(), 0);
    }
    Mesh m; // within the default budget: the vertices, and no face
    EXPECT_TRUE(parseObjText(m, text.data(), text.size()));
    EXPECT_EQ(m.vertexCount(), 3);
    EXPECT_EQ(m.triangleCount(), 0);
}

// Every prefix of a valid file, in a heap block of exactly its size, parses into a usable mesh,
// cut into chunks as a large file is.
TEST(ObjParse, everyPrefixParsesWithinItsBytes) {
    const std::string full = cubeWithFaceNormals;
    for (size_t n = 0; n <= full.size(); ++n) {
        std::unique_ptr<char[]> block(new char[n ? n : 1]);
        std::memcpy(block.get(), full.data(), n);
        Mesh m;
        parseObjText(m, block.get(), n, 8);
        for (int t = 0; t < m.triangleCount(); ++t)
            for (int c = 0; c < 3; ++c) ASSERT_LT(m.triangles[t].vertex[c], m.vertexCount());
        m.finishImport(Recenter::Mean);
        if (!m.invalid) {
            EXPECT_MESH_VALID(m);
        }
    }
}

TEST_F(ObjFiles, hardEdgesFollowNormalNumbers) {
    writeWholeFile(path("cube.obj"), cubeWithFaceNormals);
    Mesh m(path("cube.obj"), false);
    ASSERT_FALSE(m.invalid);
    EXPECT_EQ(m.vertexCount(), 8);
    EXPECT_EQ(m.triangleCount(), 12);
    EXPECT_MESH_VALID(m);
    // the 12 cube edges are hard on both sides; the 6 face diagonals are not
    EXPECT_EQ(markedEdgeSides(m), 24);
    // without normal numbers nothing is hard
    std::string plain = cubeWithFaceNormals;
    for (size_t p; (p = plain.find("//")) != std::string::npos;) plain.erase(p, 3);
    writeWholeFile(path("plain.obj"), plain);
    Mesh s(path("plain.obj"), false);
    EXPECT_EQ(markedEdgeSides(s), 0);
}

// Every face names normal 1 but one, which names 2: its four edges are hard whichever face it
// is, the first one (whose corners the others are compared with) included, and when one corner
// alone differs only the two edges meeting there are hard.
TEST_F(ObjFiles, oneDifferingFaceOrCornerStillMakesHardEdges) {
    const char* const faces[6] = {"4 3 2 1", "5 6 7 8", "1 2 6 5", "3 4 8 7", "1 5 8 4", "2 3 7 6"};
    auto cube = [&](int odd, bool oneCorner) {
        std::string text =
            "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\nvn 0 0 1\nvn 1 0 0\n";
        for (int f = 0; f < 6; ++f) {
            text += "f";
            for (const char* c = faces[f]; *c; ++c) {
                if (*c == ' ') continue;
                bool differs = f == odd && (!oneCorner || c == faces[f]);
                text += std::string(" ") + *c + (differs ? "//2" : "//1");
            }
            text += "\n";
        }
        return text;
    };
    for (int odd = 0; odd < 6; ++odd) {
        writeWholeFile(path("odd.obj"), cube(odd, false));
        Mesh m(path("odd.obj"), false);
        EXPECT_MESH_VALID(m);
        EXPECT_EQ(markedEdgeSides(m), 8) << odd;
        writeWholeFile(path("corner.obj"), cube(odd, true));
        Mesh c(path("corner.obj"), false);
        EXPECT_MESH_VALID(c);
        // the two cube edges from that corner, on both sides; the face's own diagonal is soft
        EXPECT_EQ(markedEdgeSides(c), 4) << odd;
    }
    // all faces naming one normal: nothing is hard
    writeWholeFile(path("even.obj"), cube(-1, false));
    Mesh e(path("even.obj"), false);
    EXPECT_EQ(markedEdgeSides(e), 0);
}

TEST_F(ObjFiles, readOnlyFilesImport) {
    writeWholeFile(path("ro.OBJ"), cubeWithFaceNormals);
    QFile::setPermissions(QString::fromStdString(path("ro.OBJ")), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    Mesh m;
    EXPECT_TRUE(m.loadFromFile(path("ro.OBJ")));
    EXPECT_EQ(m.triangleCount(), 12);
}

TEST_F(ObjFiles, aFileWhoseFacesAllNameNonFiniteVerticesImportsNothing) {
    writeWholeFile(path("nan.obj"), "v 0 0 0\nv 1 0 0\nv nan 1 0\nf 1 2 3\n");
    Mesh m;
    m.loadFromFile(path("nan.obj"));
    EXPECT_EQ(m.triangleCount(), 0); // which the view refuses to place
    EXPECT_MESH_VALID(m);
}

TEST_F(ObjFiles, missingOrForeignFilesAnswerFalse) {
    Mesh missing;
    EXPECT_FALSE(missing.loadFromFile(path("none.obj")));
    EXPECT_TRUE(missing.invalid);
    writeWholeFile(path("cube.txt"), cubeWithFaceNormals);
    Mesh foreign;
    EXPECT_FALSE(foreign.loadFromFile(path("cube.txt")));
    EXPECT_EQ(foreign.vertexCount(), 0);
}

// A face of c corners costs 2 bytes a triangle in the file and a whole record in memory: past what
// the file may allocate it is refused, while an ordinary file under the same budget reads.
TEST(ObjImport, faceBeyondTheReadBudgetIsRefused) {
    const std::string face = oneLongFace(10001);
    {
        ReadBudget budget(face.size(), 0);
        Mesh m;
        EXPECT_FALSE(parseObjText(m, face.data(), face.size()));
        // what was reserved before the refusal stayed within the budget
        EXPECT_LE(m.vertices.reservedBytes() + m.triangles.reservedBytes(), readBytesPerFileByte * face.size());
    }
    std::string cube = cubeWithFaceNormals;
    ReadBudget budget(cube.size(), 0);
    Mesh m;
    EXPECT_TRUE(parseObjText(m, cube.data(), cube.size()));
    EXPECT_EQ(m.triangleCount(), 12);
}
