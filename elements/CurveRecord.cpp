// The curve's scene-file record: a header, 21-byte point entries and 49-byte segment entries
// (29 bytes in files before 20060412, with 8-bit colour and light channels).
#include "elements/CurveRecord.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "elements/Curve.h"
#include "foundation/ByteBuffer.h"
#include "scene/SceneFile.h"

namespace kal {

namespace {

constexpr size_t pointEntry = 21;
constexpr size_t segmentEntry = 49;
constexpr size_t legacySegmentEntry = 29;

// Bytes from the position to end, never past the buffer.
size_t bytesBefore(const ByteBuffer& in, size_t end) {
    end = std::min(end, in.size());
    return in.position < end ? end - in.position : 0;
}

// A count of entries that must fit before end; false for one that cannot.
bool readBoundedCount(ByteBuffer& in, size_t end, size_t entry, uint32_t& count) {
    if (bytesBefore(in, end) < 4) return false;
    count = in.readU32();
    return count <= bytesBefore(in, end) / entry;
}

pbr widenLegacyChannels(const uint8_t* colour, const uint8_t* light) {
    pbr m;
    m.red = uint16_t(colour[0] << 8);
    m.green = uint16_t(colour[1] << 8);
    m.blue = uint16_t(colour[2] << 8);
    m.opacity = uint16_t(colour[3] << 8);
    m.lightRed = uint16_t(light[0] << 8);
    m.lightGreen = uint16_t(light[1] << 8);
    m.lightBlue = uint16_t(light[2] << 8);
    m.refractivity = uint16_t(light[3] << 8);
    m.roughness = 0;
    m.metalness = 0;
    return m;
}

} // namespace

bool chargeCurveLists(size_t points, size_t segments) {
    constexpr size_t most = SIZE_MAX / (sizeof(CurvePoint) + sizeof(CurveSegment));
    return points <= most && segments <= most &&
           chargeRead(points * sizeof(CurvePoint) + segments * sizeof(CurveSegment));
}

Element* readCurveRecord(ByteBuffer& in, uint32_t tag, size_t end, bool& ok) {
    if (!chargeRead(sizeof(Curve))) return ok = false, nullptr;
    auto curve = std::make_unique<Curve>(0);
    ok = readCurveBody(*curve, in, end, tag == curveRecordTag);
    return ok ? curve.release() : nullptr;
}

bool readCurveLists(Curve& curve, ByteBuffer& in, size_t end) {
    uint32_t n = 0;
    if (!readBoundedCount(in, end, pointEntry, n) || !chargeCurveLists(n, 0)) return false;
    curve.points.assign(n, CurvePoint());
    for (CurvePoint& p : curve.points) {
        p.position = in.readVec3();
        p.radius = in.readFloat();
        p.twist = in.readFloat();
        // the selection lists are not stored: a selected mark read back would name nothing
        p.flags = uint8_t(in.readU8() & ~PointSelected);
    }
    const bool legacy = legacyLayout();
    uint32_t m = 0;
    if (!readBoundedCount(in, end, legacy ? legacySegmentEntry : segmentEntry, m) || !chargeCurveLists(0, m))
        return false;
    curve.segments.assign(m, CurveSegment());
    for (CurveSegment& s : curve.segments) {
        uint32_t ends[2];
        if (legacy) {
            uint8_t raw[legacySegmentEntry];
            in.read(raw, sizeof raw);
            std::memcpy(&ends[0], raw, 4);
            std::memcpy(&ends[1], raw + 12, 4);
            s.material[0] = widenLegacyChannels(raw + 4, raw + 8);
            s.material[1] = widenLegacyChannels(raw + 16, raw + 20);
            s.flags = raw[28];
        } else {
            for (int k = 0; k < 2; ++k) {
                ends[k] = in.readU32();
                pbrCopyMasked(s.material[k], in.readPbr(), kPbrAll);
            }
            s.flags = in.readU8();
        }
        // 0x08 is the walks' visited mark: one read back would stop them early
        s.flags &= uint8_t(~SegmentVisited);
        if (ends[0] >= n || ends[1] >= n) return false;
        s.a = int32_t(ends[0]);
        s.b = int32_t(ends[1]);
        if (s.alive() && !(curve.points[ends[0]].alive() && curve.points[ends[1]].alive())) return false;
    }
    return !in.failed();
}

bool readCurveBody(Curve& curve, ByteBuffer& in, size_t end, bool full) {
    if (full) {
        if (bytesBefore(in, end) < 8) return false;
        in.skip(4);
        curve.word = in.readU32();
    } else {
        curve.id = 0;
        curve.word = 0;
    }
    if (bytesBefore(in, end) < 16) return false;
    curve.translation = in.readVec3();
    curve.scale = in.readFloat();
    if (!readCurveLists(curve, in, end)) {
        curve.points.clear();
        curve.segments.clear();
        return false;
    }
    curve.clearSelection();
    curve.touch();
    return true;
}

Curve* readEmbeddedCurve(ByteBuffer& in) {
    if (in.remaining() < 8) return nullptr;
    const uint32_t tag = in.readU32();
    in.skip(4); // the embedded length is not trusted: the body ends where its reader stops
    // any tag but the bare one holds a full body
    bool ok = false;
    return static_cast<Curve*>(readCurveRecord(in, tag == bareCurveRecordTag ? tag : curveRecordTag, in.size(), ok));
}

bool Curve::save(ByteBuffer& out) {
    ByteBuffer body;
    body.write(uint32_t(0));
    body.write(word);
    body.write(translation);
    body.write(scale);
    body.write(uint32_t(points.size()));
    for (const CurvePoint& p : points) {
        body.write(p.position);
        body.write(p.radius);
        body.write(p.twist);
        body.write(p.flags);
    }
    body.write(uint32_t(segments.size()));
    for (const CurveSegment& s : segments) {
        for (int k = 0; k < 2; ++k) {
            body.write(uint32_t(s.end(k)));
            body.write(s.material[k]);
        }
        body.write(s.flags);
    }
    out.write(curveRecordTag);
    out.write(uint32_t(body.size()));
    out.append(body.data(), body.size());
    return true;
}

} // namespace kal
