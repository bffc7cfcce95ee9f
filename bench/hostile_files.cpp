// Small hostile files that once cost the square of their size in time, or gigabytes of memory:
// each shape is generated at a base size and at four times it, read (or refused) once, and
// reported with its file size, the time taken and the peak memory the read added. Growth between
// the two sizes should be about fourfold in both. Scenes of curves, arrays and pairs are also run
// for two frames after the read, as the view would: lists, model matrices and surface builds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "elements/CurveSurface.h"
#include "elements/Tube.h"
#include "elements/UCurve.h"
#include "foundation/ByteBuffer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshRecord.h"
#include "mesh/ObjImport.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "scene/SceneLists.h"
#include "scene/Tool.h"
#include "tests/support/HostileScenes.h"
#include "tests/support/HostileShapes.h"
#include "tools/Cable.h"
#include "viewport/Registries.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>

#include "elements/AnimatedSprite.h"
#include "elements/Sprite.h"
#include "elements/SpriteImage.h"
#include "tests/support/ImageFiles.h"

using namespace kal;
using namespace kal::test;

namespace {

// ---- memory ----

// A field of /proc/self/status in kilobytes (VmRSS, VmHWM).
long statusKB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
    return 0;
}

// Hands freed memory back and restarts the peak resident size from the present one, so that a
// read's peak is not hidden in memory an earlier one left to the allocator.
void resetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// ---- generators ----

void appendWord(std::string& s, uint32_t w) { s.append(reinterpret_cast<const char*>(&w), 4); }

std::string versionChunk() {
    std::string s;
    appendWord(s, versionChunkTag);
    appendWord(s, currentFileVersion);
    return s;
}

std::string chunk(uint32_t tag, const std::string& payload) {
    std::string s;
    appendWord(s, tag);
    appendWord(s, uint32_t(payload.size()));
    return s + payload;
}

// Element records of an unknown kind, 8 bytes each, no body.
std::string unknownRecords(int n) {
    std::string records;
    for (int i = 0; i < n; ++i) {
        appendWord(records, 0xE0DDDDDD);
        appendWord(records, 0);
    }
    return versionChunk() + chunk(elementChunkTag, records);
}

// Mesh records of one vertex and one triangle naming it three times.
std::string tinyMeshes(int n) {
    std::string body(16, '\0');
    appendWord(body, 1);
    body.append(12, '\0');
    body += char(0x08);
    appendWord(body, 1);
    for (int c = 0; c < 3; ++c) {
        appendWord(body, 0);
        body.append(sizeof(pbr), '\xFF');
    }
    body += char(0x08);
    std::string records;
    for (int i = 0; i < n; ++i) {
        appendWord(records, meshRecordTag);
        appendWord(records, uint32_t(body.size()));
        records += body;
    }
    return versionChunk() + chunk(elementChunkTag, records);
}

Tool* placedTool() {
    Tool* t = new Tool(nullptr, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    return t;
}

// A strip of 2n triangles, held by one tool, in which every other one is wound against its
// neighbours and carries the winding pass's Visited mark, as a damaged or hostile writer might
// leave it.
std::string markedAgainstTheGrain(int n) {
    Mesh* m = new Mesh();
    for (int i = 0; i <= n; ++i) {
        m->addVertex(vec3(float(i), 0, 0));
        m->addVertex(vec3(float(i), 1, 0));
    }
    for (int i = 0; i < n; ++i) {
        uint32_t a = uint32_t(2 * i), b = a + 2, c = a + 3, d = a + 1;
        m->addTriangle(a, b, c, false, false, false);
        int t = m->addTriangle(c, d, a, false, false, false);
        if (i % 2) {
            std::swap(m->triangles[t].vertex[0], m->triangles[t].vertex[2]);
            m->triangles[t].flags |= TriangleVisited;
        }
    }
    Scene s;
    Tool* t = new Tool(m, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    s.sceneRoot->addChild(t, false);
    return sceneBytes(s);
}

// n placed tools, all linked copies of one another.
std::string oneRing(int n) {
    Scene s;
    Tool* first = s.sceneRoot->addChild(placedTool(), false);
    Tool* last = first;
    for (int i = 1; i < n; ++i) {
        Tool* t = s.sceneRoot->addChild(placedTool(), false);
        t->next = last->next;
        last->next = t;
        last = t;
    }
    return sceneBytes(s);
}

// n tools, each the only child of the one before.
std::string deepChain(int n) {
    Scene s;
    Tool* t = s.sceneRoot->addChild(placedTool(), false);
    for (int i = 1; i < n; ++i) t = t->addChild(placedTool(), false);
    return sceneBytes(s);
}

// Two cables holding one tube whose section has n points, their far ends at different distances.
std::string cablesSharingATube(int n) {
    Scene s;
    Cable* first = new Cable(Curve::makeCircle(n, false), mat4(), pbr(), false);
    Cable* second = new Cable(Curve::makeCircle(3, false), mat4::translation(vec3(1, 0, 0)), pbr(), false);
    second->setElement(first->element);
    float distance = 4.0f;
    for (Cable* c : {first, second}) {
        BiTool* far = new BiTool(BiToolBare, nullptr,
                                 mat4::translation(c->transform.translation() + vec3(0, 0, distance)), pbr(), false);
        c->flags |= PlacedFlag;
        far->flags |= PlacedFlag;
        s.sceneRoot->addChild(c, false);
        s.sceneRoot->addChild(far, false);
        c->attachPartner(far);
        distance *= 2.0f;
    }
    return sceneBytes(s);
}

// A tube of n by n quads: a straight axis of n segments and a circle of n points.
std::string squareTube(int n) {
    Scene s;
    hold(s, new Tube(straightCurve(n), Curve::makeCircle(n, false)));
    return sceneBytes(s);
}

// A tube of two axis segments around a circle of n points: more section than a build has blocks.
std::string shortWideTube(int n) {
    Scene s;
    hold(s, new Tube(straightCurve(2), Curve::makeCircle(n, false)));
    return sceneBytes(s);
}

// ---- readers ----

// What opening the file does: a scene read, then the scene's teardown.
bool readScene(const std::string& bytes) {
    Scene s;
    return readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// What Mesh::importObj and the import finish do, without the disk.
bool readObj(const std::string& text) {
    Mesh m;
    ReadBudget budget(text.size());
    if (!parseObjText(m, text.data(), text.size())) return false;
    m.finishImport(Recenter::Mean);
    return !m.invalid;
}

// Surfaces built by readAndDraw in its second frame: none, unless something moved.
int secondFrameBuilds = 0;

// The read, then two frames as the view makes them: the lists, each entry's model matrix (cables
// shape their tubes there) and the CPU half of every surface that is out of date, once a frame.
bool readAndDraw(const std::string& bytes) {
    Scene s;
    secondFrameBuilds = 0;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return false;
    for (int frame = 0; frame < 2; ++frame) {
        ++frameCounter;
        s.rebuildToolLists();
        std::vector<CurveSurface*> built;
        for (int i = 0; i < s.sceneLists.size(); ++i) {
            Tool* t = s.sceneLists.tools[size_t(i)];
            t->modelMatrix(s.sceneLists.worlds[size_t(i)]);
            auto* surface = dynamic_cast<CurveSurface*>(t->element);
            if (!surface || surface->changeStamp() < frameCounter) continue;
            if (std::find(built.begin(), built.end(), surface) != built.end()) continue;
            built.push_back(surface);
            SurfaceArrays arrays;
            const bool all[4] = {true, true, true, true};
            surface->buildArrays(all, arrays);
            secondFrameBuilds += frame;
        }
    }
    return true;
}

// The read, then what a user does to the scene: copies it whole, and removes its first object
// (the second when there are more: the head of a chain of pairs), undoes and redoes that.
bool readCopyAndRemove(const std::string& bytes) {
    Scene s;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return false;
    std::unique_ptr<Tool>(s.sceneRoot->copy(false)).reset();
    s.rebuildToolLists();
    Tool* object = s.sceneRoot->children.at(std::min<size_t>(1, s.sceneRoot->children.size() - 1));
    ActObjectRemove remove(&s, s.idOf(object));
    remove.toggle();
    remove.toggle();
    s.rebuildToolLists();
    remove.toggle();
    return true;
}

// The read, then the curve at the bottom of the first object's chain of following curves changes:
// the next frame brings the chain up to date, and the chain is cloned and let go.
bool readAndEditTheBottom(const std::string& bytes) {
    Scene s;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return false;
    auto* top = static_cast<UCurve*>(s.sceneRoot->children.at(0)->element);
    ++frameCounter;
    top->base()->touch();
    ++frameCounter;
    top->changeStamp();
    delete top->clone();
    return true;
}

struct Shape {
    const char* name;
    std::function<std::string(int)> make;
    bool (*read)(const std::string&);
    int size; // the base size, in the generator's own unit
};

const Shape shapes[] = {
    {"unknown_records", unknownRecords, readScene, 20000},
    {"creased_hub", creasedHub, readObj, 64000},
    {"pinched_fan", pinchedFan, readObj, 40000},
    {"moebius_bands", moebiusBands, readObj, 8000},
    {"marked_against_the_grain", markedAgainstTheGrain, readScene, 20000},
    {"ring_of_copies", oneRing, readScene, 40000},
    {"tiny_meshes", tinyMeshes, readScene, 12000},
    {"long_face", oneLongFace, readObj, 20000000},
    {"deep_chain", deepChain, readScene, 200000},
    {"array_chain", [](int n) { return nestedArrays(n, 1); }, readAndDraw, 5000},
    {"pair_chain", pairChain, readAndDraw, 14000},
    {"array_chain_copied_and_removed", [](int n) { return nestedArrays(n, 1); }, readCopyAndRemove, 5000},
    {"pair_chain_copied_and_removed", pairChain, readCopyAndRemove, 14000},
    {"nested_arrays", [](int n) { return nestedArrays(4, n); }, readAndDraw, 48},
    {"follower_chain", [](int n) { return followerChain(n, 0.25f); }, readAndDraw, 2000},
    {"follower_chain_edited", [](int n) { return followerChain(n, 0.25f); }, readAndEditTheBottom, 2000},
    {"stacked_followers_of_radius_zero", [](int n) { return followerChain(n, 0.0f); }, readAndDraw, 4},
    {"follower_of_tiny_chains", followerOfSeparateChains, readAndDraw, 500},
    {"older_revolutions", [](int n) { return olderRevolutions(n, 65536); }, readAndDraw, 200},
    {"bezier_records", bezierRecords, readAndDraw, 65536},
    {"cables_sharing_a_tube", cablesSharingATube, readAndDraw, 20000},
    {"square_tube", squareTube, readAndDraw, 250},
    {"short_wide_tube", shortWideTube, readAndDraw, 16384},
    // linked tubes on one pair of curves, 835 KB of corners each: the base size opens, four
    // times it passes the read's bound and is refused
    {"tubes_sharing_curves", [](int n) { return sharedSweeps(n, straightCurve(63), 64, false); }, readAndDraw, 60},
};

// Times read() and the memory it adds at its peak, and reports both with the input's size.
template <class Read>
void measureRead(benchmark::State& state, double fileBytes, Read read) {
    bool ok = false;
    double seconds = 0;
    long peakKB = 0;
    for (auto _ : state) {
        resetPeak();
        long before = statusKB("VmRSS:");
        auto start = std::chrono::steady_clock::now();
        ok = read();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        peakKB = statusKB("VmHWM:") - before;
    }
    state.counters["file_MB"] = fileBytes / (1 << 20);
    state.counters["peak_MB"] = double(peakKB) / 1024;
    state.counters["seconds"] = seconds;
    state.counters["read"] = ok ? 1 : 0;
}

void BM_HostileFile(benchmark::State& state, const Shape& shape) {
    const std::string file = shape.make(shape.size * int(state.range(0)));
    measureRead(state, double(file.size()), [&] { return shape.read(file); });
    if (shape.read == readAndDraw) state.counters["rebuilt_in_frame_2"] = secondFrameBuilds;
}

// ---- images ----
// Image files beside the scene that names them, written once into a folder of their own: a large
// PNG opened as a sprite, and scenes whose records name one image many times over. A size is the
// still image's pixels in mebipixels, or the GIF's screen in 1/64 mebipixels; each reports the
// scene's and the image's bytes together, and the peak of the read (the decode included).

QTemporaryDir& imageFolder() {
    static QTemporaryDir folder;
    return folder;
}

std::string imagePath(const std::string& name) {
    return QDir(imageFolder().path()).filePath(QString::fromStdString(name)).toStdString();
}

long fileBytes(const std::string& path) { return long(QFileInfo(QString::fromStdString(path)).size()); }

// A square PNG of about `mebipixels` pixels: flat but for a diagonal, so it packs small.
std::string stillImage(int mebipixels) {
    const int side = int(std::lround(1024 * std::sqrt(double(mebipixels))));
    const std::string path = imagePath("still" + std::to_string(side) + ".png");
    if (fileBytes(path) > 0) return path;
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(qRgba(40, 90, 200, 255));
    for (int i = 0; i < side; ++i) image.setPixel(i, i, qRgba(255, 255, 255, 128));
    image.save(QString::fromStdString(path), "PNG");
    return path;
}

// 64 frames of one pixel on a square screen of `screen` / 64 mebipixels: every frame decodes to the
// whole screen.
std::string screenFilledGif(int screen) {
    const int side = int(std::lround(128 * std::sqrt(double(screen))));
    const std::string path = imagePath("frames" + std::to_string(side) + ".gif");
    if (fileBytes(path) > 0) return path;
    std::vector<int> colours(64);
    for (size_t k = 0; k < colours.size(); ++k) colours[k] = int(k % 4);
    test::GifFile gif = test::gifBytes(1, 1, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}}, colours, 4);
    for (int at : {6, 8}) {
        gif.bytes[at] = char(side & 0xFF);
        gif.bytes[at + 1] = char(side >> 8);
    }
    test::writeBytes(path, gif.bytes);
    return path;
}

// Nothing but the image: opening it makes one sprite, as opening a PNG does.
std::string noScene(const std::string&) { return {}; }

// n placed tools, each with an element of its own showing the one image.
template <class Image, int n>
std::string elementsShowingOneImage(const std::string& image) {
    Scene s;
    for (int i = 0; i < n; ++i) s.sceneRoot->addChild(new Tool(new Image(image, false), mat4(), pbr(), false), false);
    return sceneBytes(s);
}

struct ImageShape {
    const char* name;
    std::string (*image)(int size); // writes the image file, answers its path
    std::string (*scene)(const std::string& image);
    int size;
};

const ImageShape imageShapes[] = {
    {"png_as_sprite", stillImage, noScene, 16},
    {"sprites_of_one_png", stillImage, elementsShowingOneImage<Sprite, 8>, 4},
    // decoded once however many records name it: 64 or 256 MB of frames, within the images' allowance
    {"animated_sprites_of_one_gif", screenFilledGif, elementsShowingOneImage<AnimatedSprite, 4>, 16},
};

void BM_HostileImage(benchmark::State& state, const ImageShape& shape) {
    const std::string image = shape.image(shape.size * int(state.range(0)));
    // the scene's elements are gone by now: the read below decodes the image afresh
    const std::string scene = shape.scene(image);
    measureRead(state, double(fileBytes(image) + long(scene.size())),
                [&] { return scene.empty() ? !Sprite(image, false).invalid : readScene(scene); });
}

// ---- deep PNGs, PNGs and JPEGs short of their rows, one PNG under many spellings ----
// A PNG at 16 bits a channel, PNGs whose header promises a square of the size while the file
// holds 16 rows, and a JPEG of 16 x 16 pixels whose header promises the square, each opened as a
// sprite; and a scene of sprites naming one 4096 x 4096 PNG each under a spelling of its own. A
// size is the square's side, or the number of spellings. PNGs of noise, as written and in
// one-byte chunks, are timed against QImage's reader.

std::string rgbaPng(const char* kind, int side, int depth, int rows) {
    const std::string path = imagePath(kind + std::to_string(side) + ".png");
    if (fileBytes(path) <= 0) test::writeBytes(path, test::rgbaPngBytes(side, side, depth, rows));
    return path;
}

std::string deepPng(int side) { return rgbaPng("deep", side, 16, side); }
std::string deepPngShortOfRows(int side) { return rgbaPng("deep_short", side, 16, 16); }
std::string pngShortOfRows(int side) { return rgbaPng("short", side, 8, 16); }
// interlaced: its passes are laid out whole before they fill it
std::string interlacedPngShortOfRows(int side) {
    const std::string path = imagePath("interlaced_short" + std::to_string(side) + ".png");
    if (fileBytes(path) <= 0) test::writeBytes(path, test::pngBytes(side, side, 6, 8, 16, {}, true));
    return path;
}

// A square RGB PNG of about `mebipixels` pixels of noise, as Qt writes it, or with its image data in
// one-byte chunks (a file thirteen times its image data, each byte behind a chunk header).
std::string noisePng(int mebipixels, int chunkBytes) {
    const int side = int(std::lround(1024 * std::sqrt(double(mebipixels))));
    const std::string path = imagePath("noise" + std::to_string(side) + "_" + std::to_string(chunkBytes) + ".png");
    if (fileBytes(path) > 0) return path;
    const QByteArray bytes = test::noisePngBytes(side, side, unsigned(side));
    test::writeBytes(path, chunkBytes ? test::pngInImageDataChunksOf(bytes, chunkBytes) : bytes);
    return path;
}

// A 16 x 16 JPEG whose frame header says side x side: Qt fills in the missing rows with grey.
std::string jpegShortOfData(int side) {
    const std::string path = imagePath("short" + std::to_string(side) + ".jpg");
    if (fileBytes(path) > 0) return path;
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(qRgb(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPG");
    const int frame = bytes.indexOf("\xff\xc0");
    for (int at : {5, 7}) {
        bytes[frame + at] = char(side >> 8);
        bytes[frame + at + 1] = char(side & 0xFF);
    }
    test::writeBytes(path, bytes);
    return path;
}

// n sprites naming the image, the k-th through k "./" before its file name.
std::string spellingsOfOneImage(const std::string& image, int n) {
    const QFileInfo file(QString::fromStdString(image));
    Scene s;
    std::string detour;
    for (int k = 0; k < n; ++k, detour += "./") {
        const std::string spelling = file.path().toStdString() + "/" + detour + file.fileName().toStdString();
        s.sceneRoot->addChild(new Tool(new Sprite(spelling, false), mat4(), pbr(), false), false);
    }
    return sceneBytes(s);
}

struct PngShape {
    const char* name;
    std::string (*image)(int size);
    int size;
    int spellings; // 0: the image opened alone; else the scene names it `size` times
    bool againstQImage = false; // QImage's own read of the file is timed as well
};

const PngShape pngShapes[] = {
    {"png16", deepPng, 2048, 0},
    {"png16_short_of_rows", deepPngShortOfRows, 4096, 0},
    {"png8_short_of_rows", pngShortOfRows, 4096, 0},
    {"png8_interlaced_short_of_rows", interlacedPngShortOfRows, 4096, 0},
    {"jpeg_short_of_data", jpegShortOfData, 4096, 0},
    {"spellings_of_one_png", [](int) { return stillImage(16); }, 4, 1},
    // sized in mebipixels
    {"png8_noise", [](int size) { return noisePng(size, 0); }, 1, 0, true},
    {"png8_noise_in_one_byte_chunks", [](int size) { return noisePng(size, 1); }, 1, 0, true},
};

void BM_HostilePng(benchmark::State& state, const PngShape& shape) {
    const int size = shape.size * int(state.range(0));
    const std::string image = shape.image(size);
    // the scene's sprites are gone by now: the read below decodes the image afresh
    const std::string scene = shape.spellings ? spellingsOfOneImage(image, size) : std::string();
    measureRead(state, double(fileBytes(image) + long(scene.size())),
                [&] { return scene.empty() ? !Sprite(image, false).invalid : readScene(scene); });
    if (!shape.againstQImage) return;
    const auto start = std::chrono::steady_clock::now();
    const bool read = !QImage(QString::fromStdString(image)).isNull();
    state.counters["qimage_seconds"] =
        read ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : -1;
}

// Each shape at its listed size and four times it.
template <class S, size_t N>
void registerShapes(const char* family, void (*run)(benchmark::State&, const S&), const S (&all)[N]) {
    for (const S& s : all)
        benchmark::RegisterBenchmark((std::string(family) + s.name).c_str(), run, s)
            ->Arg(1)
            ->Arg(4)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
}

int registered = [] {
    // every reader the program registers, as a file opened in it is read
    registerAll();
    registerShapes("BM_HostileFile/", BM_HostileFile, shapes);
    registerShapes("BM_HostileImage/", BM_HostileImage, imageShapes);
    registerShapes("BM_HostilePng/", BM_HostilePng, pngShapes);
    return 0;
}();

// ---- surfaces over stored curves ----
// Tubes that ask for the square of what the file stores: one over two long curves whose segments
// are all dead but one (one quad to draw), and eight, each over a stored pair of its own. Sizes
// are curve points; read and drawn for two frames (the readers are registered above).
const Shape surfaceShapes[] = {
    {"one_live_quad_tube", oneLiveQuadTube, readAndDraw, 3000},
    {"eight_tubes_over_stored_pairs", [](int n) { return storedSweeps(8, n); }, readAndDraw, 811},
};

int registeredSurfaces = [] {
    registerShapes("BM_HostileFile/", BM_HostileFile, surfaceShapes);
    return 0;
}();

// ---- a ring of children, copied ----
// One object whose n children are all linked copies of one another: read, then copied as a pick
// into the view makes it and let go, then added once more through an undo record, which keeps a
// copy of it, joins that copy to the object's rings and places a copy of its own.

std::string childrenInOneRing(int n) {
    Scene s;
    Tool* group = s.sceneRoot->addChild(placedTool(), false);
    Tool* last = group->addChild(placedTool(), false);
    for (int i = 1; i < n; ++i) {
        Tool* t = group->addChild(placedTool(), false);
        t->next = last->next;
        last->next = t;
        last = t;
    }
    return sceneBytes(s);
}

bool readAndCopyTheObject(const std::string& bytes) {
    Scene s;
    if (!readSceneBytes(s, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return false;
    s.rebuildToolLists();
    Tool* object = s.sceneRoot->children.at(0);
    std::unique_ptr<Tool>(object->copy(false)).reset();
    ActObjectAdd add(&s, 0, object, {mat4::translation(vec3(1, 0, 0))}, 0, false, false);
    return s.sceneRoot->children.size() == 2;
}

const Shape ringCopyShapes[] = {
    {"children_in_one_ring_copied", childrenInOneRing, readAndCopyTheObject, 6000},
};

int registeredRingCopies = [] {
    registerShapes("BM_HostileFile/", BM_HostileFile, ringCopyShapes);
    return 0;
}();

} // namespace
