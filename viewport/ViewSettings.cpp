// The settings the main window changes, through a few entry points rather than field by field:
// each change asks for a new image, so a toggle shows at once and not on the next mouse move.
#include "gpu/Environment.h"
#include "gpu/FBO.h"
#include "viewport/GLView.h"

namespace kal {

namespace {

// The transposed rotation: the inverse of a rotation matrix.
mat3 transposedRotation(const mat3& m) {
    mat3 t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t.m[3 * r + c] = m.m[3 * c + r];
    return t;
}

} // namespace

void GLView::setSwitch(ViewSwitch which, bool on) {
    switch (which) {
    case ViewSwitch::Glow: glow = on; break;
    case ViewSwitch::Handles: handles = on; break;
    case ViewSwitch::Pivots: pivots = on; break;
    case ViewSwitch::Animate: animate = on; break;
    case ViewSwitch::Turntable: turntable = on; break;
    case ViewSwitch::HideTransparent: hideTransparent = on; break;
    case ViewSwitch::RenderSimple: renderSimple = on; break;
    case ViewSwitch::EdgeDetection: edgeDetection = on; break;
    case ViewSwitch::LensChromatism: lensChromatism = on; break;
    case ViewSwitch::ObjectsChromatism: objectsChromatism = on; break;
    case ViewSwitch::TextDisplay: textDisplay = on; break;
    case ViewSwitch::PressureSizing: pressureSizing = on; break;
    case ViewSwitch::Groups: groups = on; break;
    case ViewSwitch::AddOnLinked: addOnLinked = on; break;
    case ViewSwitch::AddLinked: addLinked = on; break;
    case ViewSwitch::AxisSection: axisSection = on; break;
    case ViewSwitch::FullMode: fullMode = on; break;
    case ViewSwitch::EnvironmentFollowsCamera:
        if (on == rotateEnvironment) break;
        rotateEnvironment = on;
        // the sky keeps its place on screen as it starts or stops following the camera
        environmentRotation = (on ? transposedRotation(camera.rotation) : camera.rotation) * environmentRotation;
        break;
    }
    redraw = true;
}

void GLView::setNumber(ViewNumber which, double value) {
    const int32_t whole = int32_t(value);
    switch (which) {
    case ViewNumber::Background: backgroundMode = whole; break;
    case ViewNumber::HierarchyTarget: hierarchyTarget = whole; break;
    case ViewNumber::RelativeToChild: relativeToChild = whole; break;
    case ViewNumber::Thickness: thickness = whole; break;
    case ViewNumber::Placement: placement = whole; break;
    case ViewNumber::IkChainLength: ikChainLength = whole; break;
    case ViewNumber::EnvironmentBlur: environmentBlur = uint8_t(whole); break;
    case ViewNumber::AxisNGonCount: axisNGonCount = whole; break;
    case ViewNumber::AxisCircleCount: axisCircleCount = whole; break;
    case ViewNumber::TrefoilCount: trefoilCount = whole; break;
    case ViewNumber::SectionNGonCount: sectionNGonCount = whole; break;
    case ViewNumber::SectionCircleCount: sectionCircleCount = whole; break;
    case ViewNumber::RotationItems: symmetry.count = whole; break;
    case ViewNumber::SymmetryThreshold: symmetryThreshold = float(value); break;
    case ViewNumber::GridStep: gridStep = float(value); break;
    }
    redraw = true;
}

void GLView::setBackgroundImage(FBO* image) {
    if (image == backgroundImage) return;
    delete backgroundImage;
    backgroundImage = image;
    redraw = true;
}

void GLView::setEnvironment(Environment* sky) {
    if (sky == environment) return;
    delete environment;
    environment = sky;
    redraw = true;
}

void GLView::showNamedView(int preset, const mat3& rotation) {
    namedView = uint8_t(preset);
    camera.rotation = rotation;
    redraw = true;
}

void GLView::setArrayItems(int mode, std::vector<uint32_t> items) {
    arrayMode = mode;
    arrayItems = std::move(items);
    redraw = true;
}

void GLView::setMenuPick(const PickRecord& pick) {
    pressPick = pick;
    hoverPick = pick;
}

} // namespace kal
