// Writes small valid scene, object and OBJ files into the two seed folders given as arguments:
// every element record at the top level of a file, and each once more nested in an older compound.
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "elements/Revoluton.h"
#include "elements/Tube.h"
#include "elements/Clay.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "elements/AnimatedSprite.h"
#include "elements/BezierCurve.h"
#include "elements/Lightning.h"
#include "elements/Sprite.h"
#include "elements/SpriteImage.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "tools/Array.h"
#include "tools/BiTool.h"
#include "tools/Cable.h"
#include "tools/ToolRecords.h"
#include "viewport/Registries.h"

using namespace kal;

namespace {

Mesh* triangleFan(int n, bool marked) {
    Mesh* m = new Mesh();
    m->addVertex(vec3(0, 0, 0));
    for (int i = 0; i < n; ++i) m->addVertex(vec3(float(i % 3), float(i / 3), float(i & 1)));
    for (int i = 1; i < n; ++i) {
        MeshTriangle t;
        t.vertex[0] = 0, t.vertex[1] = i, t.vertex[2] = i + 1;
        if (marked) t.flags |= 1;
        m->addTriangle(t);
    }
    m->rebuild(Recenter::Keep);
    return m;
}

Tool* tool(Element* e, bool placed) {
    Tool* t = new Tool(e, mat4(), pbr(), false);
    if (placed) t->flags |= PlacedFlag;
    return t;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), b, b + 4);
}

// A curve's record with the given tag: the full body, or for the bare tag the body without its
// first two words.
void putCurve(std::vector<uint8_t>& out, Curve& c, uint32_t tag) {
    ByteBuffer full;
    c.save(full);
    const size_t skip = tag == bareCurveRecordTag ? 16 : 8;
    put32(out, tag);
    put32(out, uint32_t(full.size() - skip));
    out.insert(out.end(), full.bytes.begin() + long(skip), full.bytes.end());
}

// The file of a scene whose placed tools hold elements 0 to count - 1, with the element chunk
// replaced by the given records: for the older records nothing writes any more.
bool saveWithElements(const std::string& path, const std::vector<uint8_t>& records, int count = 1) {
    Scene holder;
    for (int i = 0; i < count; ++i) holder.sceneRoot->addChild(tool(Mesh::createTetrahedron(), true), false);
    ByteBuffer bytes;
    writeSceneBytes(holder, bytes);
    std::vector<uint8_t> out;
    size_t pos = 0;
    while (pos + 8 <= bytes.size()) {
        uint32_t tag, length;
        std::memcpy(&tag, bytes.data() + pos, 4);
        std::memcpy(&length, bytes.data() + pos + 4, 4);
        const size_t body = tag == versionChunkTag ? 0 : length;
        if (tag == elementChunkTag) {
            put32(out, tag);
            put32(out, uint32_t(records.size()));
            out.insert(out.end(), records.begin(), records.end());
        } else {
            out.insert(out.begin() + long(out.size()), bytes.data() + pos, bytes.data() + pos + 8 + body);
        }
        pos += 8 + body;
    }
    return saveFileAtomically(path, out.data(), out.size());
}

// The body of an older following curve with its source embedded: placement, then a marked chain
// of three points.
void putEmbeddedFollowingBody(ByteBuffer& record) {
    record.write(vec3(0, 0, 0));
    record.write(1.0f);
    record.write(uint8_t(0));
    record.write(uint32_t(3));
    for (int i = 0; i < 3; ++i) {
        record.write(vec3(float(i), float(i % 2), 0));
        record.write(0.5f);
        record.write(0.0f);
        record.write(uint8_t(PointAlive));
    }
    record.write(uint32_t(2));
    for (uint32_t s = 0; s < 2; ++s) {
        for (uint32_t k = 0; k < 2; ++k) {
            record.write(s + k);
            record.write(pbr());
        }
        record.write(uint8_t(SegmentAlive));
    }
}

void putRecord(std::vector<uint8_t>& out, uint32_t tag, const ByteBuffer& body) {
    put32(out, tag);
    put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.bytes.begin(), body.bytes.end());
}

// An older compound record: an inner record (by default a curve's), 8 bytes, a following curve
// with its source embedded, 64 bytes.
std::vector<uint8_t> legacyCompoundRecord(std::vector<uint8_t> inner = {}) {
    if (inner.empty()) {
        Curve curve({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
        ByteBuffer saved;
        curve.save(saved);
        inner = saved.bytes;
    }
    ByteBuffer record;
    record.append(inner.data(), inner.size());
    record.append(std::vector<uint8_t>(8, 0).data(), 8);
    putEmbeddedFollowingBody(record);
    record.append(std::vector<uint8_t>(64, 0).data(), 64);
    std::vector<uint8_t> out;
    putRecord(out, legacyCompoundTag, record);
    return out;
}

// The older records on their own, each held by a tool: a bare curve, a following curve with its
// source embedded, and the stand-in of an element that wrote nothing.
std::vector<uint8_t> olderRecordsAtTopLevel() {
    std::vector<uint8_t> out;
    Curve bare({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0)}, false, 0);
    putCurve(out, bare, bareCurveRecordTag);
    ByteBuffer following;
    putEmbeddedFollowingBody(following);
    putRecord(out, embeddedFollowingCurveTag, following);
    putRecord(out, unsavedElementTag, ByteBuffer());
    return out;
}

// The top-level records of a file's element chunks, each with its header.
std::vector<std::vector<uint8_t>> elementRecords(const QByteArray& file) {
    std::vector<std::vector<uint8_t>> out;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
    const size_t size = size_t(file.size());
    size_t pos = 0;
    while (pos + 8 <= size) {
        uint32_t tag, length;
        std::memcpy(&tag, bytes + pos, 4);
        std::memcpy(&length, bytes + pos + 4, 4);
        pos += 8;
        if (tag == versionChunkTag) continue;
        const size_t end = std::min(size, pos + length);
        for (size_t r = pos; tag == elementChunkTag && r + 8 <= end;) {
            uint32_t recordLength;
            std::memcpy(&recordLength, bytes + r + 4, 4);
            const size_t next = std::min(end, r + 8 + recordLength);
            out.emplace_back(bytes + r, bytes + next);
            r = next;
        }
        pos = end;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    registerAll();
    const std::string sceneDir = argv[1], objDir = argv[2];

    Scene s;
    Mesh* shared = triangleFan(5, true);
    s.addToMainRoot(tool(triangleFan(3, false), false));
    Tool* p = tool(nullptr, true);
    p->addChild(tool(shared, true), false);
    p->addChild(tool(shared, true), false);
    s.sceneRoot->addChild(p, false);
    Tool* copy = tool(shared, true);
    s.sceneRoot->addChild(copy, false);
    p->children[0]->link(copy);

    bool ok = s.save(sceneDir + "/scene.k");
    ok = p->saveObject(sceneDir + "/object.ko") && ok;
    // curves: an open marked chain and a closed loop, each on its own placed tool
    Scene curves;
    Curve* chain = new Curve({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0), vec3(1, 1, 1)}, false, 0);
    chain->points[1].flags |= PointMarked;
    chain->rebuild(Recenter::Keep);
    curves.sceneRoot->addChild(tool(chain, true), false);
    curves.sceneRoot->addChild(tool(Curve::makeCircle(6, true), true), false);
    ok = curves.save(sceneDir + "/curves.k") && ok;
    // a following curve over a curve of its own
    Scene following;
    following.sceneRoot->addChild(tool(new UCurve(Curve::makeCircle(8, false), 2), true), false);
    ok = following.save(sceneDir + "/following.k") && ok;
    ok = saveWithElements(sceneDir + "/compound.k", legacyCompoundRecord()) && ok;
    ok = saveWithElements(sceneDir + "/older_records.k", olderRecordsAtTopLevel(), 3) && ok;
    // tubes and revolutions: the linked records the writer makes, and the older embedded ones
    Scene surfaces;
    Tube* tube = new Tube(Curve::makeSegment(), Curve::makeCircle(5, true));
    surfaces.sceneRoot->addChild(tool(tube, true), false);
    surfaces.sceneRoot->addChild(tool(tube, true), false);
    surfaces.sceneRoot->addChild(
        tool(new Revoluton(Curve::makeLine(3, Recenter::Mean), Curve::makeCircle(6, false)), true), false);
    ok = surfaces.save(sceneDir + "/surfaces.k") && ok;
    Curve axis({vec3(1, 0, 0), vec3(1, 1, 0), vec3(2, 2, 0)}, false, 0);
    std::unique_ptr<Curve> ring(Curve::makeCircle(4, false));
    std::vector<uint8_t> body;
    putCurve(body, axis, bareCurveRecordTag);
    putCurve(body, *ring, curveRecordTag);
    std::vector<uint8_t> embeddedTube;
    put32(embeddedTube, embeddedTubeRecordTag);
    put32(embeddedTube, uint32_t(body.size()));
    embeddedTube.insert(embeddedTube.end(), body.begin(), body.end());
    ok = saveWithElements(sceneDir + "/old_tube.k", embeddedTube) && ok;
    // older revolutions: a plain one, and a wide circle on a short axis (once seconds a frame:
    // every block of the build packed the corners of the whole section)
    for (uint32_t sections : {6u, 16384u}) {
        body.clear();
        put32(body, sections);
        putCurve(body, axis, bareCurveRecordTag);
        std::vector<uint8_t> embeddedRevolution;
        put32(embeddedRevolution, embeddedRevolutonRecordTag);
        put32(embeddedRevolution, uint32_t(body.size()));
        embeddedRevolution.insert(embeddedRevolution.end(), body.begin(), body.end());
        const std::string name = sections == 6 ? "/old_revolution.k" : "/old_revolution_wide.k";
        ok = saveWithElements(sceneDir + name, embeddedRevolution) && ok;
    }
    Scene empty;
    ok = empty.save(sceneDir + "/empty.k") && ok;
    Scene claySculpt;
    Mesh* clayMesh = triangleFan(4, false);
    claySculpt.addToMainRoot(tool(new Clay(clayMesh), true));
    delete clayMesh;
    ok = claySculpt.save(sceneDir + "/clay.k") && ok;
    ok = shared->saveToFile(objDir + "/fan.obj") && ok;
    const char* quad = "v 0 0 0\nv 1 0 0\r\nv 1 1 0\nV 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\nf -4 -3 -1\n";
    ok = saveFileAtomically(objDir + "/quad.obj", quad, std::char_traits<char>::length(quad)) && ok;

    // the image records, naming a picture that exists (a still image reads as one frame), a bolt
    // and a Bezier axis
    const std::string picture = sceneDir + "/picture.png";
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(qRgba(200, 40, 10, 255));
    ok = image.save(QString::fromStdString(picture)) && ok;
    Scene images;
    images.addToMainRoot(tool(new Sprite(picture, false), false));
    images.sceneRoot->addChild(tool(new AnimatedSprite(picture, false), true), false);
    images.sceneRoot->addChild(tool(new Lightning(vec2(0.15f, 0.007f), vec2(0.005f, 1e-5f), 6), true), false);
    images.sceneRoot->addChild(tool(new BezierCurve(vec3(0, 1, 0), vec3(1, 0, 0), 8), true), false);
    ok = images.save(sceneDir + "/elements.k") && ok;

    // two-object tools: a hydraulic pair on two holders, and a cable with its bare far end
    Scene pairs;
    Tool* left = tool(triangleFan(3, false), true);
    Tool* right = tool(nullptr, true);
    pairs.sceneRoot->addChild(left, false);
    pairs.sceneRoot->addChild(right, false);
    auto* cylinder = new BiTool(BiToolCylinder, Mesh::createCylinder(6, false), mat4(), pbr(), false);
    auto* bare = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(3, 0, 0)), pbr(), false);
    left->addChild(cylinder, false);
    right->addChild(bare, false);
    cylinder->attachPartner(bare);
    cylinder->restLength = 3.0f;
    auto* cable = new Cable(Curve::makeCircle(6, true), mat4(), pbr(), false);
    auto* far = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(0, 2, 0)), pbr(), false);
    left->addChild(cable, false);
    right->addChild(far, false);
    cable->attachPartner(far);
    ok = pairs.save(sceneDir + "/bitools.k") && ok;

    // a chain along a loop's following curve: a link in the library, its copy owned by the array
    Scene chains;
    Tool* link = tool(Curve::makeCircle(6, false), false);
    chains.addToMainRoot(link);
    Array* linkChain =
        new Array(new UCurve(Curve::makeCircle(7, false), 2), {link, nullptr}, {arrayEntry(1, 1, EntryHead), 0x8001},
                  ArrayChain, arrayAlternateMatrix(ArrayChain), mat4(), pbr(), false);
    linkChain->flags |= PlacedFlag;
    chains.sceneRoot->addChild(linkChain, false);
    ok = chains.save(sceneDir + "/chain.k") && ok;

    // walks that nest: an array whose copy is an array along a following curve of a following
    // curve, and pairs whose second ends form a chain, each the child of the one before
    Scene walks;
    Tool* piece = tool(Curve::makeCircle(5, false), false);
    walks.addToMainRoot(piece);
    Array* inner =
        new Array(new UCurve(Curve::makeCircle(6, false), 2), {piece, nullptr}, {arrayEntry(1, 1, EntryHead), 0x8001},
                  ArrayChain, arrayAlternateMatrix(ArrayChain), mat4(), pbr(), false);
    walks.addToMainRoot(inner);
    Array* outer = new Array(new UCurve(new UCurve(Curve::makeCircle(8, false), 2), 2), {inner, nullptr},
                             {arrayEntry(1, 1, EntryHead), 0x8001}, ArraySimple, arrayAlternateMatrix(ArraySimple),
                             mat4(), pbr(), false);
    outer->flags |= PlacedFlag;
    walks.sceneRoot->addChild(outer, false);
    Tool* anchor = tool(triangleFan(3, false), true);
    Tool* chainEnd = tool(nullptr, true);
    walks.sceneRoot->addChild(anchor, false);
    walks.sceneRoot->addChild(chainEnd, false);
    Mesh* barrel = Mesh::createCylinder(6, false);
    for (int i = 0; i < 3; ++i) {
        auto* first = new BiTool(BiToolCylinder, barrel, mat4(), pbr(), false);
        auto* second = new BiTool(BiToolBare, nullptr, mat4::translation(vec3(1, 0, 0)), pbr(), false);
        anchor->addChild(first, false);
        chainEnd->addChild(second, false);
        first->attachPartner(second);
        chainEnd = second;
    }
    ok = walks.save(sceneDir + "/walks.k") && ok;

    // every record kind of the seeds above once more, nested: each the inner record of an older
    // compound (the compound's own record makes a compound inside a compound)
    auto readAll = [](const QFileInfo& info) {
        QFile file(info.filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    std::vector<uint8_t> nested;
    std::set<uint32_t> kinds;
    int compounds = 0;
    for (const QFileInfo& seed : QDir(QString::fromStdString(sceneDir)).entryInfoList({"*.k", "*.ko"})) {
        for (const std::vector<uint8_t>& record : elementRecords(readAll(seed))) {
            uint32_t tag;
            std::memcpy(&tag, record.data(), 4);
            if (!kinds.insert(tag).second) continue;
            const std::vector<uint8_t> compound = legacyCompoundRecord(record);
            nested.insert(nested.end(), compound.begin(), compound.end());
            ++compounds;
        }
    }
    ok = saveWithElements(sceneDir + "/nested.k", nested, compounds) && ok;

    // a seed the reader refuses would teach the fuzzer nothing but the refusal
    for (const QFileInfo& seed : QDir(QString::fromStdString(sceneDir)).entryInfoList({"*.k", "*.ko"})) {
        const QByteArray bytes = readAll(seed);
        Scene check;
        if (!readSceneBytes(check, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()))) {
            std::fprintf(stderr, "seed refused: %s\n", qPrintable(seed.fileName()));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
