// OBJ text split into lines and face fields: every line-end style reads the same, and only a
// corner of exactly three fields carries a normal number.
#include <gtest/gtest.h>

#include <string>

#include "mesh/Mesh.h"
#include "mesh/ObjImport.h"

namespace kal {
namespace {

Mesh parsedText(const std::string& text) {
    Mesh m;
    parseObjText(m, text.data(), text.size());
    return m;
}

void expectSameRecords(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.vertexCount(), b.vertexCount());
    ASSERT_EQ(a.triangleCount(), b.triangleCount());
    for (int v = 0; v < a.vertexCount(); ++v) {
        EXPECT_EQ(a.vertices[v].position, b.vertices[v].position) << v;
        EXPECT_EQ(a.vertices[v].flags, b.vertices[v].flags) << v;
    }
    for (int t = 0; t < a.triangleCount(); ++t)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(a.triangles[t].vertex[c], b.triangles[t].vertex[c]) << t;
            EXPECT_EQ(a.triangles[t].cornerNormal[c], b.triangles[t].cornerNormal[c]) << t;
        }
}

std::string withLineEnds(const std::string& text, const std::string& ending) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += ending;
        else
            out += c;
    }
    return out;
}

const std::string kSample = "# comment\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 -1\n"
                            "f 1//1 2//1 3//2\nF 1 3 4\nf -4/1/-1 -2/2/-2 -1/3/-1\nv +2 -0.5 1e1\nf 5 1 2\n";

TEST(ObjLineEnds, newlineCarriageReturnAndBothReadAlike) {
    Mesh lf = parsedText(kSample);
    ASSERT_EQ(lf.vertexCount(), 5);
    ASSERT_EQ(lf.triangleCount(), 4);
    EXPECT_EQ(lf.vertices[4].position, vec3(2, -0.5f, 10));
    expectSameRecords(lf, parsedText(withLineEnds(kSample, "\r\n")));
    expectSameRecords(lf, parsedText(withLineEnds(kSample, "\r")));
    // one stray carriage return in a newline file still ends its line
    std::string mixed = kSample;
    mixed.replace(mixed.find("\nF"), 1, "\r");
    expectSameRecords(lf, parsedText(mixed));
}

TEST(ObjLineEnds, lastLineWithoutEndAndTextCutAtANulByte) {
    Mesh whole = parsedText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3");
    EXPECT_EQ(whole.triangleCount(), 1);
    std::string cut = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    cut += '\0';
    cut += "f 3 2 1\n";
    EXPECT_EQ(parsedText(cut).triangleCount(), 1);
}

TEST(ObjFaceFields, onlyThreeFieldCornersSetTheNormalNumber) {
    std::string v = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 1\n";
    // four fields: no normal; the number from an earlier corner of the face carries on
    Mesh four = parsedText(v + "f 1/1/2/9 2/1/1 3/1/1/7\n");
    ASSERT_EQ(four.triangleCount(), 1);
    EXPECT_EQ(four.triangles[0].cornerNormal[0], vec3());
    EXPECT_EQ(four.triangles[0].cornerNormal[1], vec3(1, 1, 1));
    EXPECT_EQ(four.triangles[0].cornerNormal[2], vec3(1, 1, 1));
    // negative normal numbers count back from the normals listed so far
    Mesh back = parsedText(v + "f 1//-1 2//-2 3//+2\n");
    EXPECT_EQ(back.triangles[0].cornerNormal[0].x, 2.0f);
    EXPECT_EQ(back.triangles[0].cornerNormal[1].x, 1.0f);
    EXPECT_EQ(back.triangles[0].cornerNormal[2].x, 2.0f);
    // a vertex field that is not a whole number makes the face unusable
    EXPECT_EQ(parsedText(v + "f 1x 2 3\n").triangleCount(), 0);
    EXPECT_EQ(parsedText(v + "f /1 2 3\n").triangleCount(), 0);
}

} // namespace
} // namespace kal
