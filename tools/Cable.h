#pragma once
// A cable: the bi-tool end whose element is a tube along a Bezier axis of its own, leaving this
// end along its pivot's Z axis and reaching the partner along the partner's. The tube stretches
// with the link while its section keeps one size in the world.
#include "tools/BiTool.h"

namespace kal {

class BezierCurve;
class Tube;

constexpr uint32_t cableRecordTag = 0xABCDEF06;
// Segments of a cable's Bezier axis.
constexpr int cableAxisSegments = 50;

class Cable : public BiTool {
public:
    // A new tube on a new Bezier axis and the given section (shared with every copy).
    Cable(Curve* section, const mat4& transform, const pbr& material, bool transparent);
    // A cable carrying an element it does not shape: copies share it as a bi-tool's do (a read
    // cable takes its element when its links are resolved).
    Cable(uint32_t kind, Element* shared, const mat4& transform, const pbr& material, bool transparent);

    // Reshapes the axis and the section scale for the present link on the way.
    mat4 modelMatrix(const mat4& parentMatrix) override;
    void serialize(ByteBuffer& out, bool wholeScene) override;

    // The carried tube and its Bezier axis; null when the element is not that (a file may say so).
    Tube* tube() const;
    BezierCurve* axis() const;

protected:
    BiTool* newEnd() override;
};

} // namespace kal
