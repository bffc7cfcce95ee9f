#pragma once
// A flickering bolt between two objects. The element holds only the parameters of its noise; every
// bolt is drawn from one shared thin tube whose vertices the shader moves by octaves of noise along
// the bolt and over time. The same displacement of the centre line's two ends, computed here on the
// CPU, gives the matrix that pins the moving bolt to (0,0,0) and (0,0,1), the span its tool places.
#include "scene/Element.h"

namespace kal {

constexpr uint32_t lightningRecordTag = 0xE1100005;
// More octaves add less than 2^-15 of the first: a count from a file is held to this.
constexpr int32_t maxLightningOctaves = 16;

class Lightning : public Element {
public:
    // Draws the bolt's own random phases.
    Lightning(const vec2& amplitude, const vec2& scale, int octaves);

    // The first holder takes this bolt; every further holder gets a new bolt of its own.
    Element* acquire(int n) override;
    // A held bolt's copy is a new bolt nobody holds yet (its holder acquires it).
    Element* clone() override;
    // The shared tube with "Mesh/Lightning"; the noise texture takes its unit in the draw.
    bool useShader() override;
    // Gives back the tube's attributes and the noise texture's unit.
    void endDraw() override;
    void draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool colourIsLight, float time,
              bool last) override;
    bool hasGpuGeometry() override { return false; }
    void drawFlat(const mat4&, const uint8_t*, bool) override {}
    bool save(ByteBuffer& out) override;

    // The shader's displacement of a point of the centre line at a time (ms): octaves of the
    // noise table, linearly filtered and wrapped, each half the weight of the one before.
    vec3 displace(const vec3& p, float time) const;
    // Takes the displaced ends of the centre line (x = 0 and x = 1) onto (0,0,0) and (0,0,1).
    mat4 endsTransform(float time) const;

    vec2 amplitude; // x: how far the noise moves the bolt, y: its thickness
    vec2 scale;     // x: noise frequency along the bolt, y: rate over time
    vec2 phase;     // random offsets in [-1, 1), never stored
    int32_t octaves = 0;
};

class Tube;

// The tube every bolt draws: a unit line along X with a triangular section, made on first use.
extern Tube* boltTube;
Tube* sharedBoltTube();
// Frees the tube and its GL buffers; the view calls it while its context is current. The next
// bolt drawn makes a new one.
void deleteBoltTube();

// The lightning reader of the scene files. Safe to call repeatedly.
void registerLightningRecords();

} // namespace kal
