#pragma once
// The chunked container of scene (.k) and object (.ko) files: chunk and record tags, the version
// of the file being read, and the table that builds tools and elements by record tag. Element
// and tool kinds that live above the scene model register their readers explicitly at start-up
// (the mesh through registerMeshRecords()); nothing registers itself from a static initialiser.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gpu/ImageLimits.h"

namespace kal {

class ByteBuffer;
class Element;
class Scene;
class Tool;

constexpr uint32_t versionChunkTag = 0xFFFFAAAA;
constexpr uint32_t toolChunkTag = 0xABCDEF01;
constexpr uint32_t elementChunkTag = 0xEEEEEEEE;
constexpr uint32_t currentFileVersion = 20161026;

constexpr uint32_t plainToolTag = 0xABCDEF02;
constexpr uint32_t meshRecordTag = 0xE0000001;
constexpr uint32_t clayRecordTag = 0xE000000A;
constexpr uint32_t legacyCompoundTag = 0xE0000008;
// Written in place of an element whose kind has no record, so later indices stay in step.
constexpr uint32_t unsavedElementTag = 0xE0FFFFFF;

// Version of the file being read: 0 until its version chunk has been read.
extern uint32_t fileVersion;

// Files before this version hold vertices and curve points with 8-bit colour and light channels.
constexpr uint32_t firstWideChannelVersion = 20060412;
inline bool legacyLayout() { return fileVersion < firstWideChannelVersion; }

// What one read may allocate. A read of a file of n bytes (scene, object or OBJ) reserves at most
// readBytesPerFileByte * n + readBytesSlack bytes for the tools, elements and records it builds,
// whole reserved blocks counted (MeshStore::bytesFor gives a mesh store's). Every reader charges
// what it is about to reserve with chargeRead before it reserves it: the element object, and each
// list by its count times its entry size (decoded images apart, below); a
// refused charge makes the record damaged, and the file is refused with nothing handed to the
// scene. The tool chunk charges each tool record itself. The scratch of a later pass (a rebuild's
// link tables) is a fixed multiple of the records and is not charged; nor are the file's bytes.
constexpr size_t readBytesPerFileByte = 16;
constexpr size_t readBytesSlack = size_t(64) << 20;
// The pixels of the images a read decodes are charged apart (chargeReadImage), against what one
// image may decode at most plus readBytesPerFileByte for every byte of the image files decoded:
// the image files are read too, and a scene that names a large picture is not a large scene.
constexpr uint64_t readImageSlack = maxDecodedImageBytes;
// The surfaces a read's tubes and revolutions stage draw on an allowance of their own as well
// (chargeReadSurface): the largest corner buffer one build makes plus readBytesPerFileByte for
// every byte of the file. One surface over curves the file stores is what drawing makes, however
// large, and counts here alone; eight such from a few megabytes would stage many gigabytes.
constexpr uint64_t readSurfaceSlack = uint64_t(INT32_MAX);

// An image a read could not load, and why: the record naming it keeps its index without an element.
struct UnreadImage {
    std::string path;
    std::string why;
};

// The budget of one read of a file of fileSize bytes, open while it is in scope. Reads nest: an
// inner read has a budget of its own, and the outer one's resumes after it. (A test may pass a
// smaller slack to reach the bound with a small input.)
class ReadBudget {
public:
    explicit ReadBudget(size_t fileSize, size_t slack = readBytesSlack, uint64_t imageSlack = readImageSlack,
                        uint64_t surfaceSlack = readSurfaceSlack);
    ~ReadBudget();
    ReadBudget(const ReadBudget&) = delete;
    ReadBudget& operator=(const ReadBudget&) = delete;
    size_t left() const { return remaining; }
    uint64_t imagesLeft() const { return imageRemaining; }
    // Charges that did not fit so far: work that cannot answer false itself (the rebuild of a
    // read element) is judged by whether it added any.
    size_t refusals() const { return refused; }
    // The images the read could not load, each once, in the order their records came.
    std::vector<UnreadImage> unreadImages;

private:
    friend bool chargeRead(size_t bytes);
    friend bool chargeReadImage(uint64_t decodedBytes, uint64_t fileBytes);
    friend bool chargeReadSurface(uint64_t bytes);
    friend uint64_t openReadSerial();
    size_t remaining;
    uint64_t imageRemaining;
    uint64_t surfaceRemaining;
    size_t refused = 0;
    uint64_t serial;
    ReadBudget* outer;
};

// A number naming the open read, 0 without one; no later read is given the same.
uint64_t openReadSerial();

// Takes bytes from the open read's budget: false, and nothing taken, when they do not fit.
// Without an open read (an undo record, a copy through the clipboard) every charge fits.
bool chargeRead(size_t bytes);
// The same for the fresh decode of an image file of fileBytes bytes into decodedBytes, charged to
// the read's image allowance after the file's own share is added to it.
bool chargeReadImage(uint64_t decodedBytes, uint64_t fileBytes);
// The same for what a surface stages, charged to the read's surface allowance.
bool chargeReadSurface(uint64_t bytes);
// Tells the open read of an image it could not load; without an open read nobody is told.
void noteUnreadImage(const std::string& path, const std::string& why);

// Every record kind is read by a function of one shape, registered by its tag. `in` is positioned
// just past the record's header (tag and length); `end` is where the body ends by its length
// word. The reader leaves the position at the end of what it read. It answers null with ok false
// when the body is damaged: the file is then refused as "record N is damaged", or as over budget
// when one of its charges was refused. An element reader may answer null with ok true to keep the
// record's index without an element (an image that could not be loaded).
template <class Made>
using RecordReader = Made* (*)(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);
using ElementReader = RecordReader<Element>;
// A tool reader is handed a buffer holding exactly the record's body.
using ToolReader = RecordReader<Tool>;

// Answers the reader the tag had before (null for none); a null reader unregisters the tag.
ElementReader registerElementReader(uint32_t tag, ElementReader reader);
// Makes the element that stands in for a record of a kind nobody registered (the placeholder
// sphere), finished as a read element would be after its rebuild. A read makes one only for such
// a record that some tool holds. With charged set the maker takes what it reserves from the open
// read's budget, and answers null when that does not fit.
using PlaceholderMaker = Element* (*)(bool charged);
void registerPlaceholderElement(PlaceholderMaker make);
void registerToolReader(uint32_t tag, ToolReader reader);

// Reads the element record at the position (header included). ok is false for a damaged record.
Element* readElementRecord(ByteBuffer& in, bool& ok);

// Reads a whole .k or .ko image into the scene. A damaged image is refused with false and the
// scene keeps exactly what it held; on success the read tools are added to the two roots.
// why, when given, receives the reason of a refusal in words for the user ("the file is truncated");
// unreadImages, when given, the images a read that succeeded went without.
bool readSceneBytes(Scene& scene, const uint8_t* data, size_t size, std::string* why = nullptr,
                    std::vector<UnreadImage>* unreadImages = nullptr);

// The reason a read gives when its budget refused a charge.
constexpr const char* overBudgetReason = "it needs more memory than its size allows";

// The bytes of a scene or object file as the writers produce them; false, and nothing usable in
// out, when an element could not give its record.
bool writeSceneBytes(Scene& scene, ByteBuffer& out);
bool writeObjectBytes(Tool& object, ByteBuffer& out);

// The reason a write gives when an element could not give its present state (Element::bringHome).
constexpr const char* unsavedElementReason = "an object could not be read back from the graphics card";
// Logs the refused write of path and hands back false, with reason in why when given.
bool refuseWrite(const std::string& path, std::string reason, std::string* why);

// Replaces the file at path in one step: false, and the old file untouched, when it cannot be
// written; why, when given, then receives the reason the file system gave ("No space left on device").
bool saveFileAtomically(const std::string& path, const void* data, size_t size, std::string* why = nullptr);

// One file of a set that is saved together.
struct PendingFile {
    std::string path;
    const void* data;
    size_t size;
};
// Writes every file aside first and puts them in place only once all are written, so that a
// failure while writing (full disk, missing folder) leaves every old file as it was. The first
// file goes in last. A reason about any file but the first names that file. Putting a file in
// place can still fail after others went in (a rename refused): the reason then lists those.
bool saveFilesTogether(const std::vector<PendingFile>& files, std::string* why = nullptr);

// True when the upper-cased extension of path (from its last '.') is ext, e.g. ".OBJ".
bool hasExtension(const std::string& path, const char* ext);

} // namespace kal
