// Opening files by extension and saving the scene or one object. A failed open or save leaves
// the scene, the pending tool and the undo history as they were.
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <memory>

#include "elements/AnimatedSprite.h"
#include "elements/Sprite.h"
#include "elements/SpriteImage.h"
#include "foundation/Log.h"
#include "mesh/Mesh.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

namespace kal {

namespace {

// Where the file name of a path starts: after its last folder separator.
size_t fileNameStart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// The extension of the file name (from its last '.'), or npos when the name has none. A '.' in
// a folder name ("../Scenes/") is not an extension.
size_t extensionStart(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < fileNameStart(path)) return std::string::npos;
    return dot;
}

std::string upperExtension(const std::string& path) {
    const size_t dot = extensionStart(path);
    return dot == std::string::npos ? std::string() : QString::fromStdString(path.substr(dot)).toUpper().toStdString();
}

bool canRead(const std::string& path) {
    // opening a FIFO or a device would block until someone writes to it
    if (!QFileInfo(QString::fromStdString(path)).isFile()) return false;
    QFile probe(QString::fromStdString(path));
    if (!probe.open(QIODevice::ReadOnly)) return false;
    probe.close();
    return true;
}

// However a load or save ends, a failed allocation included, the view takes frames again.
struct FileWork {
    bool& frameReady;
    explicit FileWork(bool& ready) : frameReady(ready) { frameReady = false; }
    ~FileWork() { frameReady = true; }
    FileWork(const FileWork&) = delete;
    FileWork& operator=(const FileWork&) = delete;
};

} // namespace

// The name an object is written under: ".ko" unless the user typed ".obj"; any other extension
// is replaced.
std::string objectFileName(const std::string& typed) {
    const size_t dot = extensionStart(typed);
    if (dot == std::string::npos) return typed + ".ko";
    const std::string ext = QString::fromStdString(typed.substr(dot)).toLower().toStdString();
    if (ext == ".ko" || ext == ".obj") return typed;
    return typed.substr(0, dot) + ".ko";
}

bool GLView::openFile(const std::string& path, std::string* why, std::vector<UnreadImage>* unreadImages) {
    auto refuse = [why, &path](std::string reason) {
        qCWarning(logFiles, "could not read %s: %s", path.c_str(), reason.c_str());
        if (why) *why = std::move(reason);
        return false;
    };
    if (!scene) return false;
    if (!canRead(path)) return refuse("it cannot be read");
    const std::string ext = upperExtension(path);
    const bool image = ext == ".PNG" || ext == ".JPG" || ext == ".GIF";
    if (!image && ext != ".OBJ" && ext != ".KO" && ext != ".K") return refuse("not a kind of file this program opens");

    FileWork work(frameReady);
    if (image || ext == ".OBJ") {
        std::unique_ptr<Element> element;
        if (ext == ".OBJ") {
            auto mesh = std::make_unique<Mesh>();
            if (!mesh->loadObjFile(path, why)) return false;
            // a file without one usable face would add an invisible object
            if (mesh->triangleCount() == 0) return refuse("it holds no triangles");
            element = std::move(mesh);
        } else {
            if (ext == ".GIF")
                element.reset(new AnimatedSprite(path, false));
            else
                element.reset(new Sprite(path, false));
            if (element->invalid) return refuse(unreadImageReason(path, ext == ".GIF"));
        }
        scene->addToMainRoot(new Tool(element.get(), mat4(), pbr(), false));
        element.release();
        undoStack.clear();
    } else if (ext == ".KO") {
        // the reader leaves the scene untouched when it refuses the file
        if (!scene->readFile(path, why, unreadImages)) return false;
        undoStack.clear();
    } else {
        std::unique_ptr<Scene> loaded = std::make_unique<Scene>();
        if (!loaded->readFile(path, why, unreadImages)) return false;
        // the records name the old scene: they go before it does
        forgetScene();
        delete scene;
        scene = loaded.release();
        fillDefaultScene();
    }
    makeInsertTool(InsertKind::UseTool, false);
    return true;
}

bool GLView::saveScene(const std::string& path, std::string* why) {
    if (!scene) return false;
    // a sculpted clay's positions live on the GPU: its record reads them back
    GLWorkGuard guard;
    FileWork work(frameReady);
    const InsertKind k = insertKind;
    makeInsertTool(InsertKind::UseTool, false);
    bool ok = false;
    try {
        ok = scene->save(path, why);
    } catch (...) {
        makeInsertTool(k, true);
        throw;
    }
    makeInsertTool(k, true);
    if (ok) undoStack.clear();
    return ok;
}

void GLView::saveObject() {
    // the dialog ("Save Object", starting in the objects folder) belongs to the window
    std::string typed;
    if (pressPick.object && materialSource) {
        GLWorkGuard question;
        typed = materialSource->askObjectFileName();
    }
    std::string why;
    if (!typed.empty() && !saveObjectAs(typed, &why) && materialSource)
        materialSource->objectSaveFailed(objectFileName(typed), why);
    resetPick(false);
}

bool GLView::saveObjectAs(const std::string& typed, std::string* why) {
    Tool* object = pressPick.object;
    if (!object || typed.empty()) return false;
    GLWorkGuard guard;
    Tool* copy = object->copy(false);
    const bool ok = copy->saveObject(objectFileName(typed), why);
    delete copy;
    return ok;
}

} // namespace kal
