#pragma once
// The curve's element records and the one bounded reader of point and segment lists that every
// record holding a curve body uses (the curve itself, the embedded bodies of tubes and
// revolutions, the following curve).
#include <cstddef>
#include <cstdint>

namespace kal {

class ByteBuffer;
class Curve;
class Element;

constexpr uint32_t curveRecordTag = 0xE1000002;
// The older bare body: no leading zero word and no curve word.
constexpr uint32_t bareCurveRecordTag = 0xE0000002;

// Registers the readers of every element record that lives in elements/. Safe to call repeatedly;
// the program calls it once at start-up, before any file is opened.
void registerCurveRecords();

// The reader of both curve tags: full body under curveRecordTag, bare under the older one.
Element* readCurveRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok);

// Charges the open read (chargeRead) for the lists of a curve of that many points and segments:
// what a record expands into when its lists are not stored (a circle, a Bezier axis, samples).
bool chargeCurveLists(size_t points, size_t segments);

// Reads the point and segment lists at the position into an empty curve. The counts must fit
// before end, segment ends must name points and no alive segment may end on a dead point;
// otherwise false (the caller refuses the file).
bool readCurveLists(Curve& curve, ByteBuffer& in, size_t end);
// A whole curve body: full (zero word, curve word, placement, lists) or bare (placement, lists).
// The bare form belongs to a curve embedded in an older record: id 0, word 0.
bool readCurveBody(Curve& curve, ByteBuffer& in, size_t end, bool full);
// A curve record held inside an older tube or revolution record: [tag][length][body], the body
// bare under 0xE0000002 and full under any other tag. The length is not read: the body ends where
// its reader stops, within the buffer. Null when damaged.
Curve* readEmbeddedCurve(ByteBuffer& in);

} // namespace kal
