// Writing .k and .ko files, and an object as one joined OBJ mesh. Every file is written in one
// step through QSaveFile: a failed save leaves the previous file as it was and reports false with
// its reason.
#include <QFileInfo>
#include <QSaveFile>
#include <memory>

#include "foundation/ByteBuffer.h"
#include "foundation/Log.h"
#include "foundation/Strings.h"
#include "scene/Element.h"
#include "scene/ObjMtlExport.h"
#include "scene/Registry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"

namespace kal {

namespace {

void writeChunkHeader(ByteBuffer& out, uint32_t tag, uint32_t word) {
    out.write(tag);
    out.write(word);
}

// Element ids become record indices in order of first appearance; answers the element list.
std::vector<Element*> numberElements(const std::vector<Tool*>& tools) {
    std::vector<Element*> list;
    for (Tool* t : tools)
        if (t->element) t->element->clearIds();
    for (Tool* t : tools) {
        if (!t->element) continue;
        std::vector<Element*> all;
        t->element->collectAll(all);
        for (Element* e : all) {
            if (!e || e->id >= 0) continue;
            e->id = int32_t(list.size());
            list.push_back(e);
        }
    }
    return list;
}

bool writeElementChunk(ByteBuffer& out, std::vector<Element*>& elements) {
    ByteBuffer records;
    bool saved = true;
    for (Element* e : elements) {
        size_t before = records.size();
        if (!e->save(records)) {
            saved = false;
            break;
        }
        // a kind that cannot write itself still takes its index, or every later element would shift
        if (records.size() == before) {
            records.write(unsavedElementTag);
            records.write(uint32_t(0));
        }
    }
    for (Element* e : elements) e->id = -1;
    if (!saved) return false;
    writeChunkHeader(out, elementChunkTag, uint32_t(records.size()));
    out.append(records.data(), records.size());
    return true;
}

// The collect flag marks the tools being written (the ring-successor rule reads it); the flags
// the tools had before are given back afterwards.
struct CollectMarks {
    std::vector<Tool*>& tools;
    std::vector<uint8_t> had;
    explicit CollectMarks(std::vector<Tool*>& list) : tools(list) {
        for (Tool* t : tools) {
            had.push_back(t->flags & CollectFlag);
            t->flags |= CollectFlag;
        }
    }
    ~CollectMarks() {
        for (size_t i = 0; i < tools.size(); ++i) tools[i]->flags = uint8_t((tools[i]->flags & ~CollectFlag) | had[i]);
    }
};

} // namespace

bool refuseWrite(const std::string& path, std::string reason, std::string* why) {
    qCWarning(logFiles, "could not write %s: %s", path.c_str(), reason.c_str());
    if (why) *why = std::move(reason);
    return false;
}

bool hasExtension(const std::string& path, const char* ext) {
    size_t dot = path.rfind('.');
    return dot != std::string::npos && toUpper(path.substr(dot)) == ext;
}

namespace {

// A short count with no error set is a write that went through in part (disk full, size limit):
// the rest is written again, and the failure, if it persists, then comes with its reason.
bool writeAll(QFileDevice& file, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const qint64 n = file.write(p, qint64(std::min<size_t>(size, size_t(1) << 30)));
        if (n <= 0 || file.error() != QFileDevice::NoError) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

bool saveFileAtomically(const std::string& path, const void* data, size_t size, std::string* why) {
    return saveFilesTogether({{path, data, size}}, why);
}

bool saveFilesTogether(const std::vector<PendingFile>& files, std::string* why) {
    auto nameOf = [&](size_t i) { return QFileInfo(QString::fromStdString(files[i].path)).fileName().toStdString(); };
    auto reasonOf = [&](size_t i, const QFileDevice& file) {
        std::string reason = file.errorString().toStdString();
        return i == 0 ? reason : nameOf(i) + ": " + reason;
    };
    // an uncommitted QSaveFile takes its temporary file with it
    std::vector<std::unique_ptr<QSaveFile>> staged;
    for (size_t i = 0; i < files.size(); ++i) {
        staged.push_back(std::make_unique<QSaveFile>(QString::fromStdString(files[i].path)));
        QSaveFile& file = *staged.back();
        // unbuffered, so a short write is seen here and not lost in a flush
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, files[i].data, files[i].size))
            return refuseWrite(files[0].path, reasonOf(i, file), why);
    }
    for (size_t i = files.size(); i-- > 0;) {
        if (staged[i]->commit()) continue;
        std::string reason = reasonOf(i, *staged[i]);
        for (size_t k = i + 1; k < files.size(); ++k)
            reason += (k == i + 1 ? "; already replaced: " : ", ") + nameOf(k);
        return refuseWrite(files[0].path, reason, why);
    }
    for (const PendingFile& f : files) qCDebug(logFiles, "wrote %s (%zu bytes)", f.path.c_str(), f.size);
    return true;
}

bool writeSceneBytes(Scene& scene, ByteBuffer& out) {
    std::vector<Tool*> top(scene.toolRoot->children);
    top.insert(top.end(), scene.sceneRoot->children.begin(), scene.sceneRoot->children.end());
    std::vector<Tool*> all;
    std::vector<size_t> starts;
    for (Tool* t : top) {
        starts.push_back(all.size());
        t->enumerate(all);
    }
    starts.push_back(all.size());
    std::vector<Element*> elements = numberElements(all);
    CollectMarks marks(all);

    writeChunkHeader(out, versionChunkTag, currentFileVersion);
    ByteBuffer records;
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        records.clear();
        for (size_t k = starts[i]; k < starts[i + 1]; ++k) all[k]->serialize(records, true);
        writeChunkHeader(out, toolChunkTag, uint32_t(records.size()));
        out.append(records.data(), records.size());
    }
    return writeElementChunk(out, elements);
}

bool writeObjectBytes(Tool& object, ByteBuffer& out) {
    std::vector<Tool*> all;
    object.enumerate(all);
    std::vector<Element*> elements = numberElements(all);
    CollectMarks marks(all);

    writeChunkHeader(out, versionChunkTag, currentFileVersion);
    ByteBuffer records;
    for (Tool* t : all) t->serialize(records, false);
    writeChunkHeader(out, toolChunkTag, uint32_t(records.size()));
    out.append(records.data(), records.size());
    return writeElementChunk(out, elements);
}

bool Scene::save(const std::string& path, std::string* why) {
    if (hasExtension(path, ".OBJ")) return exportSceneObj(*this, path, why);
    ByteBuffer out;
    if (!writeSceneBytes(*this, out)) return refuseWrite(path, unsavedElementReason, why);
    return saveFileAtomically(path, out.data(), out.size(), why);
}

bool Tool::saveObject(const std::string& path, std::string* why) {
    if (!hasExtension(path, ".OBJ")) {
        ByteBuffer out;
        if (!writeObjectBytes(*this, out)) return refuseWrite(path, unsavedElementReason, why);
        return saveFileAtomically(path, out.data(), out.size(), why);
    }
    std::vector<Tool*> all;
    enumerate(all);
    for (Tool* t : all)
        if (t->element && !t->element->bringHome()) return refuseWrite(path, unsavedElementReason, why);
    ObjJoinedWriter writer = objJoinedWriter();
    if (!writer) throw EmptyRegistry("OBJ mesh writer");
    // a detached copy in the object's own frame, so the scene placement is left out
    Tool* copy = copyTransformed(mat4(), true, 0);
    if (!copy) return false;
    copy->transform = mat4();
    copy->pivot = mat4();
    std::vector<Tool*> items;
    std::vector<mat4> handed;
    std::vector<int32_t> groups, drawArgs;
    copy->collectWorldTransforms(items, handed, groups, drawArgs, mat4(), 0, -1);
    for (Tool* t : items)
        if (t->element) t->element->clearIds();
    std::vector<Element*> conversions, converted, meshes;
    std::vector<mat4> matrices;
    for (size_t i = 0; i < items.size(); ++i) {
        Tool* t = items[i];
        if (t->isEmpty() || !t->element) continue;
        Element* e = t->element;
        Element* mesh = e;
        if (e->typeCode != MeshType) {
            if (e->id < 0) {
                Element* m = e->toMesh();
                if (!m) continue;
                e->id = int32_t(conversions.size());
                conversions.push_back(m);
                converted.push_back(e);
            }
            mesh = conversions[size_t(e->id)];
        }
        meshes.push_back(mesh);
        matrices.push_back(t->modelMatrix(handed[i]));
    }
    bool ok = writer(meshes, matrices, path, why);
    for (Element* e : converted) e->id = -1;
    for (Element* m : conversions) delete m;
    delete copy;
    return ok;
}

} // namespace kal
