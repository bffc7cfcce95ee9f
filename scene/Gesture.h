#pragma once
// Records of an interaction in progress: a sculpt stroke (Sculptor) with its samples, and the
// points of an assembly drawing (Assemblor and its strokes). Element gesture operations read
// them through plain fields and the state queries; nothing here touches GL or the scene.
#include <cstdint>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "scene/Brushes.h"
#include "scene/PickRecord.h"

namespace kal {

enum GestureState : int32_t { GestureIdle = 0, GestureBegun = 1, GestureRunning = 2, GestureFinished = 3 };

class Gesture {
public:
    int32_t state = GestureIdle;

    Gesture() = default;
    Gesture(const Gesture&) = default;
    Gesture& operator=(const Gesture&) = default;
    virtual ~Gesture();

    virtual void reset() = 0;
    // The first sample has been recorded: back to an empty record, then begun.
    virtual void begin();
    virtual void run();
    virtual void finish();
    virtual bool isStarted() const;
    virtual bool isRunning() const;
    virtual bool isFinished() const;
};

// One sample of a stroke, in the space of the element the stroke edits.
struct StrokeSample {
    uint32_t pointKind = 0;
    float cursorX = 0.0f;
    float cursorY = 0.0f;
    uint32_t reserved = 0;
    vec3 point{0, 0, 0};
    vec3 normal{0, 0, 0};
    float radius = 0.0f;
    pbr material;
    int32_t objectId = 0;
    int32_t itemId = 0;
    float factor = 1.0f;

    StrokeSample() = default;
    // The pick carried through its first two placement matrices (worldToFrame, then frameToTarget).
    explicit StrokeSample(const PickRecord& pick);
};

// Selection modes a sculpt gesture works at.
enum SelectionMode : int32_t { SelectElement = 0, SelectPatch = 1, SelectAllPatches = 2, SelectComponent = 3 };

// The gesture of sculpt brushes and erasing; made on the heap, owned by the gesture list.
class Sculptor : public Gesture {
public:
    Brush action{};
    int32_t selectionMode = SelectElement;
    int32_t option = 2;
    std::vector<StrokeSample> samples;
    vec3 viewDirection{0, 0, 0};
    uint8_t sectionFlag = 0; // tubes and revolutions: 0 the axis curve, 1 the section curve
    int8_t handedness = 1;
    byte paintMask = 0;

    Sculptor() = default;
    Sculptor(Brush action, int32_t selectionMode, int32_t option);
    void reset() override;
};

// One stroke of an assembly drawing.
class AStroke : public Gesture {
public:
    std::vector<PickRecord> picks;
    void reset() override;
};

// The drawing gesture of the assembly mode; the view holds exactly one.
class Assemblor : public Gesture {
public:
    // Strokes and stroke points added since the drawing was cleared.
    int32_t strokeCount = 0;
    // Points not yet closed into a stroke (the anchors of a drawing).
    std::vector<PickRecord> picks;
    std::vector<AStroke> strokes;

    // Only the state: a drawing keeps its points across a restart.
    void reset() override;
    // A new begun stroke holding the one pick.
    void addStroke(const PickRecord& pick);
    // Back to no points and no strokes, as when the view clears the drawing.
    void clear();
};

} // namespace kal
