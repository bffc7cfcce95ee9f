// The scene's OBJ export: the global lines, the collection of the scene root's objects with their
// world matrices, conversion of non-mesh elements, the maps, and the writing of all six files together.
#include "scene/ObjMtlExport.h"

#include <QFileInfo>
#include <QBuffer>

#include "scene/Element.h"
#include "scene/ObjText.h"
#include "scene/Registry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

namespace kal {

namespace {

ObjMeshWriter meshWriter = nullptr;
ObjMeshCounter meshCounter = nullptr;
ObjJoinedWriter joinedWriter = nullptr;

bool encodePng(const QImage& image, QByteArray& png) {
    QBuffer buffer(&png);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG");
}

// Marks an element that converts to nothing, so it is asked only once.
constexpr int32_t noConversion = -2;

} // namespace

void registerObjMeshWriter(ObjMeshWriter writer, ObjMeshCounter counter) {
    meshWriter = writer;
    meshCounter = counter;
}
void registerObjJoinedWriter(ObjJoinedWriter writer) { joinedWriter = writer; }
ObjJoinedWriter objJoinedWriter() { return joinedWriter; }

void objMapSize(int64_t faces, int& width, int& height) {
    int64_t a = 1, b = 1;
    while (a * b < faces) {
        if (a < b) {
            a *= 2;
            if (a > 4095) break;
        } else {
            b *= 2;
        }
    }
    width = int(2 * b);
    height = int(2 * a);
}

bool exportSceneObj(Scene& scene, const std::string& path, std::string* why) {
    QFileInfo info(QString::fromStdString(path));
    const QString folder = info.path();
    const QString base = info.completeBaseName();
    const QString prefix = folder + "/" + base;

    ObjExportTarget target;
    target.obj = "# Kalvimor OBJ export\n\nmtllib " + base.toStdString() + ".mtl\n";
    target.mtl = "# Kalvimor MTL export\n";

    std::vector<Tool*> items;
    std::vector<mat4> handed;
    std::vector<int32_t> groups, drawArgs;
    scene.sceneRoot->collectWorldTransforms(items, handed, groups, drawArgs, mat4(), 0, -1);
    for (Tool* t : items)
        if (t->element && !t->element->bringHome()) return refuseWrite(path, unsavedElementReason, why);
    for (Tool* t : items)
        if (t->element) t->element->clearIds();

    std::vector<Element*> conversions, converted;
    auto meshOf = [&](Tool* t) -> Element* {
        if (t->isEmpty() || !t->element) return nullptr;
        Element* e = t->element;
        if (e->typeCode == MeshType) return e;
        if (e->id == noConversion) return nullptr;
        if (e->id < 0) {
            Element* m = e->toMesh();
            converted.push_back(e);
            if (!m) {
                e->id = noConversion;
                return nullptr;
            }
            e->id = int32_t(conversions.size());
            conversions.push_back(m);
        }
        return conversions[size_t(e->id)];
    };
    // the conversions are made here, once per element
    int64_t objects = 0, vertices = 0, faces = 0;
    std::vector<Element*> meshes(items.size(), nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        meshes[i] = meshOf(items[i]);
        if (!meshes[i]) continue;
        if (!meshWriter || !meshCounter) throw EmptyRegistry("OBJ mesh writer");
        int64_t nv = 0, nt = 0;
        meshCounter(*meshes[i], nv, nt);
        objects += 1;
        vertices += nv;
        faces += nt;
    }
    target.obj += "\n# Global: ";
    appendNumber(target.obj, objects);
    target.obj += " objects, ";
    appendNumber(target.obj, vertices);
    target.obj += " vertices, ";
    appendNumber(target.obj, faces);
    target.obj += " faces\n";

    int w = 2, h = 2;
    objMapSize(faces, w, h);
    target.baseColour = QImage(w, h, QImage::Format_RGBA8888);
    target.baseColour.fill(QColor(0, 0, 0, 255));
    target.emission = QImage(w, h, QImage::Format_RGB888);
    target.metalness = QImage(w, h, QImage::Format_RGB888);
    target.roughness = QImage(w, h, QImage::Format_RGB888);
    target.emission.fill(0);
    target.metalness.fill(0);
    target.roughness.fill(0);
    target.totalTools = int(items.size());

    for (size_t i = 0; i < items.size(); ++i) {
        if (!meshes[i]) continue;
        mat4 world = items[i]->modelMatrix(handed[i]);
        mat4 m = meshes[i]->inverseTransform();
        m *= world;
        meshWriter(*meshes[i], target, m, items[i]->material);
    }
    for (Element* e : converted) e->id = -1;
    for (Element* m : conversions) delete m;

    // the name the user typed stands, whatever the case of its extension
    const QString objPath =
        info.suffix().compare("obj", Qt::CaseInsensitive) == 0 ? QString::fromStdString(path) : prefix + ".obj";
    // all six are written aside before any goes in place: a failed write leaves the folder as it
    // was; a rename refused after others went in leaves those replaced, and the reason names them
    const QString maps = folder + "/Material_";
    const std::pair<const QImage*, const char*> images[] = {{&target.baseColour, "basecolor"},
                                                            {&target.emission, "emission"},
                                                            {&target.metalness, "metalness"},
                                                            {&target.roughness, "roughness"}};
    QByteArray pngs[4];
    std::vector<PendingFile> files = {{objPath.toStdString(), target.obj.data(), target.obj.size()},
                                      {(prefix + ".mtl").toStdString(), target.mtl.data(), target.mtl.size()}};
    for (int i = 0; i < 4; ++i) {
        if (!encodePng(*images[i].first, pngs[i])) return refuseWrite(path, "a map could not be encoded", why);
        files.push_back(
            {(maps + images[i].second + ".png").toStdString(), pngs[i].constData(), size_t(pngs[i].size())});
    }
    return saveFilesTogether(files, why);
}

} // namespace kal
