// Writes small valid scene, object and OBJ files into the two seed folders given as arguments.
#include <QImage>
#include <string>

#include "elements/Curve.h"
#include "elements/CurveRecord.h"
#include "elements/Clay.h"
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
#include "tools/BiTool.h"
#include "tools/Cable.h"
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
    return ok ? 0 : 1;
}
