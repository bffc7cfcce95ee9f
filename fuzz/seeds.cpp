// Writes small valid scene, object and OBJ files into the two seed folders given as arguments.
#include <QImage>
#include <string>
#include <vector>

#include "elements/Curve.h"
#include "elements/CurveRecord.h"
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
#include "tools/ToolRecords.h"

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
    m->rebuild(0);
    return m;
}

Tool* tool(Element* e, bool placed) {
    Tool* t = new Tool(e, mat4(), pbr(), false);
    if (placed) t->flags |= PlacedFlag;
    return t;
}

// An older scene: the version chunk and one element chunk holding a compound record (an inner
// curve record, 8 bytes, a following curve with its source embedded, 64 bytes).
const std::vector<uint8_t>& legacyCompound() {
    static std::vector<uint8_t> file;
    if (!file.empty()) return file;
    Curve inner({vec3(0, 0, 0), vec3(1, 0, 0)}, false, 0);
    ByteBuffer record;
    inner.save(record);
    record.append(std::vector<uint8_t>(8, 0).data(), 8);
    ByteBuffer body;
    body.write(vec3(0, 0, 0));
    body.write(1.0f);
    body.write(uint8_t(0));
    body.write(uint32_t(3));
    for (int i = 0; i < 3; ++i) {
        body.write(vec3(float(i), float(i % 2), 0));
        body.write(0.5f);
        body.write(0.0f);
        body.write(uint8_t(PointAlive));
    }
    body.write(uint32_t(2));
    for (uint32_t s = 0; s < 2; ++s) {
        for (uint32_t k = 0; k < 2; ++k) {
            body.write(s + k);
            body.write(pbr());
        }
        body.write(uint8_t(SegmentAlive));
    }
    record.append(body.data(), body.size());
    record.append(std::vector<uint8_t>(64, 0).data(), 64);
    ByteBuffer out;
    out.write(versionChunkTag);
    out.write(currentFileVersion);
    out.write(elementChunkTag);
    out.write(uint32_t(record.size() + 8));
    out.write(legacyCompoundTag);
    out.write(uint32_t(record.size()));
    out.append(record.data(), record.size());
    file = out.bytes;
    return file;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    registerMeshRecords();
    registerCurveRecords();
    registerClayRecords();
    registerSpriteRecords();
    registerLightningRecords();
    registerBezierCurveRecords();
    registerToolRecords();
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
    chain->rebuild(0);
    curves.sceneRoot->addChild(tool(chain, true), false);
    curves.sceneRoot->addChild(tool(Curve::makeCircle(6, true), true), false);
    ok = curves.save(sceneDir + "/curves.k") && ok;
    // a following curve over a curve of its own
    Scene following;
    following.sceneRoot->addChild(tool(new UCurve(Curve::makeCircle(8, false), 2), true), false);
    ok = following.save(sceneDir + "/following.k") && ok;
    ok = saveFileAtomically(sceneDir + "/compound.k", legacyCompound().data(), legacyCompound().size()) && ok;
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
    return ok ? 0 : 1;
}
