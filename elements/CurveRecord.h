#pragma once
// The curve's element records and the one bounded reader of point and segment lists that every
// record holding a curve body uses (the curve itself, the embedded bodies of tubes and
// revolutions, the following curve).
#include <cstddef>
#include <cstdint>

namespace kal {

class ByteBuffer;
class Curve;

constexpr uint32_t curveRecordTag = 0xE1000002;
// The older bare body: no leading zero word and no curve word.
constexpr uint32_t bareCurveRecordTag = 0xE0000002;

// Registers the readers of every element record that lives in elements/. Safe to call repeatedly;
// the program calls it once at start-up, before any file is opened.
void registerCurveRecords();

// Reads the point and segment lists at the position into an empty curve. The counts must fit
// before end, segment ends must name points and no alive segment may end on a dead point;
// otherwise false (the caller refuses the file).
bool readCurveLists(Curve& curve, ByteBuffer& in, size_t end);
// A whole curve body: full (zero word, curve word, placement, lists) or bare (placement, lists).
// The bare form belongs to a curve embedded in an older record: id 0, word 0.
bool readCurveBody(Curve& curve, ByteBuffer& in, size_t end, bool full);
// A curve record [tag][length][body] at the position, full or bare by its tag; null when the record
// is damaged or of another tag. The position ends past what was read.
Curve* readCurveRecordAt(ByteBuffer& in, size_t end);

} // namespace kal
