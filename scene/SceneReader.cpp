// Reading .k and .ko files. The whole image is checked before the scene sees any of it: chunks and
// records must lie inside the file, every count is bounded by the bytes left, and the tool links
// must form a forest with closed rings. A damaged file is refused and the scene is left as it was.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

#include "foundation/ByteBuffer.h"
#include "foundation/Log.h"
#include "foundation/WholeFile.h"
#include "scene/Element.h"
#include "scene/Paths.h"
#include "scene/Registry.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/Tool.h"
#include "scene/ToolRecordParts.h"

namespace kal {

uint32_t fileVersion = 0;

namespace {

ReadBudget* openBudget = nullptr;
uint64_t readsOpened = 0;

} // namespace

namespace {

// perByte * n + slack, or the largest value when that does not fit
template <class T>
T allowance(uint64_t n, T slack) {
    const T most = std::numeric_limits<T>::max();
    return n > (most - slack) / readBytesPerFileByte ? most : T(n) * T(readBytesPerFileByte) + slack;
}

} // namespace

ReadBudget::ReadBudget(size_t fileSize, size_t slack, uint64_t imageSlack, uint64_t surfaceSlack)
    : remaining(allowance<size_t>(fileSize, slack)), imageRemaining(imageSlack),
      surfaceRemaining(allowance<uint64_t>(fileSize, surfaceSlack)), serial(++readsOpened), outer(openBudget) {
    openBudget = this;
}

ReadBudget::~ReadBudget() { openBudget = outer; }

namespace {

// Takes bytes from one of the open read's allowances, or counts a refusal.
template <class T>
bool drawOn(T& remaining, size_t& refused, uint64_t bytes) {
    if (bytes > remaining) {
        ++refused;
        return false;
    }
    remaining -= T(bytes);
    return true;
}

} // namespace

bool chargeRead(size_t bytes) { return !openBudget || drawOn(openBudget->remaining, openBudget->refused, bytes); }

bool chargeReadSurface(uint64_t bytes) {
    return !openBudget || drawOn(openBudget->surfaceRemaining, openBudget->refused, bytes);
}

uint64_t openReadSerial() { return openBudget ? openBudget->serial : 0; }

bool chargeReadImage(uint64_t decodedBytes, uint64_t fileBytes) {
    if (!openBudget) return true;
    const uint64_t left = allowance<uint64_t>(fileBytes, openBudget->imageRemaining);
    if (decodedBytes > left) {
        ++openBudget->refused;
        return false;
    }
    openBudget->imageRemaining = left - decodedBytes;
    return true;
}

void noteUnreadImage(const std::string& path, const std::string& why) {
    if (!openBudget) return;
    std::vector<UnreadImage>& unread = openBudget->unreadImages;
    // sprites sharing an image name it once
    for (const UnreadImage& u : unread)
        if (u.path == path) return;
    unread.push_back({path, why});
}

namespace {

std::unordered_map<uint32_t, ElementReader>& elementReaders() {
    static std::unordered_map<uint32_t, ElementReader> table;
    return table;
}

std::unordered_map<uint32_t, ToolReader>& toolReaders() {
    static std::unordered_map<uint32_t, ToolReader> table;
    return table;
}

PlaceholderMaker placeholderMaker = nullptr;

// The scene model's own kinds; element and tool kinds above it register theirs at start-up.
void registerSceneRecords() {
    if (!toolReaders().count(plainToolTag)) registerToolReader(plainToolTag, readToolRecord);
}

// Nested legacy records are followed recursively; a file cannot nest deeper than this.
constexpr int maxNesting = 64;

// unknownKind tells a record of a kind nobody registered: it yields no element here, and stands for
// a placeholder that is made only if some tool holds it.
Element* readElementRecordAt(ByteBuffer& in, bool& ok, int depth, bool& unknownKind);

// Legacy compound: an inner record (read and dropped), 8 bytes, an embedded UCurve body, 64 bytes.
Element* readLegacyCompound(ByteBuffer& in, bool& ok, int depth) {
    bool unknownInner = false;
    Element* inner = readElementRecordAt(in, ok, depth + 1, unknownInner);
    if (inner && inner->useCount <= 0) delete inner;
    if (!ok) return nullptr;
    if (!in.skip(8)) return ok = false, nullptr;
    auto it = elementReaders().find(0xE0000007);
    if (it == elementReaders().end()) {
        // no curve kind registered: nothing sensible can be made of the body
        ok = false;
        return nullptr;
    }
    Element* curve = it->second(in, 0xE0000007, in.size(), ok);
    if (ok && !in.skip(64)) ok = false;
    if (!ok) {
        delete curve;
        return nullptr;
    }
    return curve;
}

Element* readElementRecordAt(ByteBuffer& in, bool& ok, int depth, bool& unknownKind) {
    ok = true;
    unknownKind = false;
    if (depth > maxNesting || in.remaining() < 8) return ok = false, nullptr;
    uint32_t tag = in.readU32();
    uint32_t length = in.readU32();
    // all zeros is padding, never a record: it must not turn into placeholder spheres
    if (tag == 0) return ok = false, nullptr;
    if (tag == legacyCompoundTag) return readLegacyCompound(in, ok, depth);
    if (elementReaders().empty()) throw EmptyRegistry("element readers");
    auto it = elementReaders().find(tag);
    if (it != elementReaders().end()) {
        // a known kind reads its own body and the next record starts where it stopped; the
        // chunk's bounds still hold every read
        size_t end = std::min(size_t(in.position) + length, in.size());
        Element* e = it->second(in, tag, end, ok);
        if (ok && in.failed()) ok = false;
        if (!ok) {
            if (e && e->useCount <= 0) delete e;
            return nullptr;
        }
        return e;
    }
    // an unknown kind is skipped by its length, which must lie inside the chunk
    if (length > in.remaining()) return ok = false, nullptr;
    in.skip(length);
    unknownKind = true;
    return nullptr;
}

// Everything one read builds before it is handed to the scene.
struct ReadState {
    std::vector<Tool*> tools;
    std::vector<bool> firstOfChunk;
    std::vector<Element*> elements;
    std::vector<uint8_t> unknownKind; // per element index: a record no reader knows
    bool linked = false;
    std::string why; // the first check that failed, in the user's words

    ~ReadState() {
        if (linked) return;
        // never handed over: tools still hold no pointers, elements no holders
        for (Tool* t : tools) delete t;
        for (Element* e : elements)
            if (e && e->useCount <= 0) delete e;
    }
};

bool readToolRecords(ByteBuffer& chunk, ReadState& st) {
    bool first = true;
    while (!chunk.atEnd()) {
        if (chunk.remaining() < 8) return false;
        uint32_t tag = chunk.readU32();
        uint32_t length = chunk.readU32();
        if (length > chunk.remaining()) return false;
        auto it = toolReaders().find(tag);
        if (it == toolReaders().end()) {
            chunk.skip(length); // unknown kinds use no index and are not the chunk's top
            continue;
        }
        // the tool and what its record holds (child indices, a name) are at most its body's size
        if (!chargeRead(sizeof(Tool) + length)) return false;
        ByteBuffer body;
        body.bytes.assign(chunk.data() + chunk.position, chunk.data() + chunk.position + length);
        chunk.skip(length);
        bool ok = true;
        Tool* t = it->second(body, tag, body.size(), ok);
        if (!ok) return false;
        st.tools.push_back(t);
        st.firstOfChunk.push_back(first);
        first = false;
    }
    return true;
}

bool readToolChunk(ByteBuffer& chunk, ReadState& st) {
    if (readToolRecords(chunk, st)) return true;
    st.why = "tool record " + std::to_string(st.tools.size() + 1) + " is damaged";
    return false;
}

bool readElementChunk(ByteBuffer& chunk, ReadState& st) {
    while (!chunk.atEnd()) {
        bool ok = true, unknown = false;
        Element* e = readElementRecordAt(chunk, ok, 0, unknown);
        if (!ok) {
            st.why = "element record " + std::to_string(st.elements.size() + 1) + " is damaged";
            return false;
        }
        st.elements.push_back(e);
        st.unknownKind.push_back(unknown);
    }
    return true;
}

// An array lays its copies out along its element, so that must be a curve; it may have none.
bool elementFitsTool(const ReadState& st, const Tool* t) {
    if (t->pendingElement < 0 || t->kind != ArrayKind) return true;
    const Element* e = st.elements[size_t(t->pendingElement)];
    return e && (e->typeCode == CurveType || e->typeCode == UCurveType);
}

// Every child or array-copy index names a tool once and never a chunk's top, every tool is
// reached from a top through children and copies (so no cycle exists), ring successors form
// closed rings, element indices are in range, and every element that names other elements of
// the table names ones that fit.
bool linksHold(const ReadState& st) {
    const size_t n = st.tools.size();
    std::vector<uint8_t> named(n, 0), successorNamed(n, 0);
    auto nameOnce = [&](uint32_t c) {
        if (c >= n || st.firstOfChunk[c] || named[c]) return false;
        named[c] = 1;
        return true;
    };
    for (size_t i = 0; i < n; ++i) {
        const Tool* t = st.tools[i];
        for (uint32_t c : t->pendingChildren)
            if (!nameOnce(c)) return false;
        for (int32_t c : t->pendingCopies)
            if (c >= 0 && !nameOnce(uint32_t(c))) return false;
        if (t->pendingNext >= n || successorNamed[t->pendingNext]) return false;
        successorNamed[t->pendingNext] = 1;
        if (t->pendingElement >= 0 && size_t(t->pendingElement) >= st.elements.size()) return false;
        if (!elementFitsTool(st, t)) return false;
    }
    for (const Element* e : st.elements)
        if (e && !e->partLinksHold(st.elements)) return false;
    std::vector<uint8_t> reached(n, 0);
    std::vector<uint32_t> stack;
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!st.firstOfChunk[i]) continue;
        stack.push_back(uint32_t(i));
        while (!stack.empty()) {
            uint32_t k = stack.back();
            stack.pop_back();
            if (reached[k]) return false;
            reached[k] = 1;
            ++count;
            for (uint32_t c : st.tools[k]->pendingChildren) stack.push_back(c);
            for (int32_t c : st.tools[k]->pendingCopies)
                if (c >= 0) stack.push_back(uint32_t(c));
        }
    }
    return count == n;
}

bool parseImage(const uint8_t* data, size_t size, ReadState& st) {
    if (!data || size == 0) {
        st.why = "the file is empty";
        return false;
    }
    const char* const truncated = "the file is truncated";
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 8) return st.why = truncated, false;
        uint32_t tag, word;
        std::memcpy(&tag, data + pos, 4);
        std::memcpy(&word, data + pos + 4, 4);
        pos += 8;
        if (tag == versionChunkTag) {
            fileVersion = word;
            continue;
        }
        // a chunk longer than the rest of the file is a truncated file, not zero padding
        if (word > size - pos) return st.why = truncated, false;
        if (tag == toolChunkTag || tag == elementChunkTag) {
            ByteBuffer chunk;
            chunk.bytes.assign(data + pos, data + pos + word);
            if (!(tag == toolChunkTag ? readToolChunk(chunk, st) : readElementChunk(chunk, st))) return false;
        }
        pos += word;
    }
    return true;
}

} // namespace

ElementReader registerElementReader(uint32_t tag, ElementReader reader) {
    auto it = elementReaders().find(tag);
    ElementReader previous = it == elementReaders().end() ? nullptr : it->second;
    if (reader)
        elementReaders()[tag] = reader;
    else if (it != elementReaders().end())
        elementReaders().erase(it);
    return previous;
}
void registerPlaceholderElement(PlaceholderMaker make) { placeholderMaker = make; }
void registerToolReader(uint32_t tag, ToolReader reader) { toolReaders()[tag] = reader; }

Element* readElementRecord(ByteBuffer& in, bool& ok) {
    bool unknown = false;
    Element* e = readElementRecordAt(in, ok, 0, unknown);
    if (!unknown) return e;
    if (!placeholderMaker) throw EmptyRegistry("placeholder element");
    return placeholderMaker(false);
}

namespace {

bool readSceneImage(Scene& scene, const uint8_t* data, size_t size, ReadBudget& budget, ReadState& st) {
    if (!parseImage(data, size, st)) return false;
    if (!linksHold(st)) {
        st.why = "the links between its records are broken";
        return false;
    }

    // Placeholders only for the unknown records some tool holds: any other would be dropped
    // unheld right after linking. The first is part of the budget's slack; once the budget is
    // spent the further ones share the first, as tools may share an element.
    Element* firstPlaceholder = nullptr;
    for (Tool* t : st.tools) {
        int32_t i = t->pendingElement;
        if (i < 0 || !st.unknownKind[size_t(i)] || st.elements[size_t(i)]) continue;
        if (!placeholderMaker) throw EmptyRegistry("placeholder element");
        Element* e = placeholderMaker(firstPlaceholder != nullptr);
        st.elements[size_t(i)] = e ? e : firstPlaceholder;
        if (!firstPlaceholder) firstPlaceholder = e;
    }

    st.linked = true;
    for (Tool* t : st.tools) t->resolveLinks(st.tools, st.elements);
    // records no tool or composite took would never be freed
    for (Element*& e : st.elements) {
        if (e && e->useCount <= 0) {
            delete e;
            e = nullptr;
        }
    }
    const size_t refusedBefore = budget.refusals();
    for (size_t i = 0; i < st.elements.size(); ++i)
        if (st.elements[i] && !st.unknownKind[i]) st.elements[i]->rebuild(Recenter::Keep);
    if (budget.refusals() != refusedBefore) {
        // a rebuild ran past the budget (the samples of following curves): the linked trees go,
        // with the elements they hold, and the scene is left as it was
        std::vector<Tool*> roots;
        for (size_t i = 0; i < st.tools.size(); ++i)
            if (st.firstOfChunk[i]) roots.push_back(st.tools[i]);
        deleteTools(roots);
        return false;
    }
    for (size_t i = 0; i < st.tools.size(); ++i) {
        if (!st.firstOfChunk[i]) continue;
        Tool* t = st.tools[i];
        if (t->flags & PlacedFlag) {
            scene.sceneRoot->addChild(t, false);
        } else {
            scene.currentTool = scene.toolRoot->addChild(t, false);
        }
    }
    scene.repairRings();
    return true;
}

} // namespace

bool readSceneBytes(Scene& scene, const uint8_t* data, size_t size, std::string* why,
                    std::vector<UnreadImage>* unreadImages) {
    registerSceneRecords();
    fileVersion = 0;
    ReadBudget budget(size);
    ReadState st;
    if (readSceneImage(scene, data, size, budget, st)) {
        if (unreadImages) *unreadImages = std::move(budget.unreadImages);
        return true;
    }
    // a refused charge makes its record look damaged: the budget is the first cause
    if (why) *why = budget.refusals() ? overBudgetReason : st.why;
    return false;
}

bool Scene::readFile(const std::string& path, std::string* why, std::vector<UnreadImage>* unreadImages) {
    std::vector<char> bytes;
    std::string reason = readWholeFile(path, bytes);
    if (reason.empty() &&
        readSceneBytes(*this, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &reason, unreadImages)) {
        qCDebug(logFiles, "read %s (%zu bytes)", path.c_str(), bytes.size());
        return true;
    }
    qCWarning(logFiles, "could not read %s: %s", path.c_str(), reason.c_str());
    if (why) *why = std::move(reason);
    return false;
}

} // namespace kal
