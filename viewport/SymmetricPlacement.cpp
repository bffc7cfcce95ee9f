#include "viewport/SymmetricPlacement.h"

#include <cmath>

#include "scene/CameraMatrices.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/SymmetryReplication.h"

namespace kal {

mat3 inverseOrIdentity(const mat3& m) {
    const float d = det(m);
    if (d == 0.0f || !std::isfinite(d)) return mat3();
    mat3 r = inverse(m);
    for (float e : r.m)
        if (!std::isfinite(e)) return mat3();
    return r;
}

namespace {

std::vector<SymmetryOp> opsOf(const SymmetrySetting& s) {
    std::vector<SymmetryOp> ops;
    symmetryOps(ops, s.mirrorX, s.mirrorY, s.mirrorZ, s.rotationX, s.rotationY, s.rotationZ, s.count);
    return ops;
}

mat3 baseFrame(vec3 z, bool hasSide, vec3 side, const SymmetrySetting& s) {
    if (hasSide) return mat3::frameFromDirectionAndSide(side, z);
    return symmetryFrame(z, s.mirrorX, s.mirrorY, s.mirrorZ, s.rotationX, s.rotationY, s.rotationZ);
}

std::vector<std::vector<vec3>> columnsOf(const std::vector<mat3>& frames) {
    std::vector<std::vector<vec3>> cols(3);
    for (const mat3& f : frames)
        for (int c = 0; c < 3; ++c) cols[size_t(c)].push_back(f.column(c));
    return cols;
}

} // namespace

void buildSymmetricPlacements(const SymmetricPlacementInput& in, const SymmetrySetting& symmetry,
                              SymmetricPlacementResult& out) {
    out.placements.clear();
    out.mergesFirst.clear();
    out.mergesSecond.clear();
    out.snapped = false;

    const mat3 A3 = in.worldToFrame.upper3();
    const mat3& F = in.frame;
    const mat3 Finv = inverseOrIdentity(F);
    const vec3 local = in.point * in.worldToFrame;
    const vec3 pixel = in.pixelVector * A3;
    const vec3 normal = in.normal * A3;
    const vec3 side = in.side * A3;

    // Orientation in the symmetry frame: built there from the carried vectors (screen), or built in
    // local space and carried over (F, then the orientation, then F^-1).
    mat3 orientation = in.screenFrame ? baseFrame(normal * Finv, in.hasSide, side * Finv, symmetry)
                                      : Finv * baseFrame(normal, in.hasSide, side, symmetry) * F;
    std::vector<vec3> positions{local * Finv};
    std::vector<mat3> frames{orientation};
    std::vector<SymmetryOp> ops = opsOf(symmetry);
    replicateInFrame(positions, frames, mat4(), ops);

    const float pixelLength = pixel.length();
    if (in.snap && !ops.empty()) {
        std::vector<uint8_t> masks;
        symmetryMasks(masks, ops);
        auto cols = columnsOf(frames);
        std::vector<float> signs(positions.size(), 1.0f);
        int32_t count = symmetry.count;
        mergeCoincidentCopies(positions, masks, count, cols, signs, out.mergesFirst, out.mergesSecond,
                              in.snapPixels * pixelLength);
        if (!out.mergesFirst.empty()) {
            ops.clear();
            symmetryOpsFromMasks(masks, count, ops);
            positions.resize(1);
            frames.assign(1, frameFromMergedColumns(cols[0][0], cols[1][0], cols[2][0]));
            replicateInFrame(positions, frames, mat4(), ops);
            out.snapped = true;
            out.snappedPoint = (positions[0] * F) * inverseAffineOrIdentity(in.worldToFrame);
        }
    }

    mat4 scale;
    if (in.sizeInPixels > 0.0f) scale = mat4::uniformScaling(pixelLength * in.sizeInPixels);
    if (in.quarterTurn) scale *= mat4{{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}};

    out.placements.reserve(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        mat4 m = scale;
        if (in.screenFrame) {
            m *= mat4::fromMat3(frames[i]);
            m *= mat4::translation(positions[i]);
            m *= mat4::fromMat3(F);
        } else {
            m *= mat4::fromMat3(F * frames[i] * Finv);
            m *= mat4::translation(positions[i] * F);
        }
        m *= in.frameToTarget;
        out.placements.push_back(m);
    }
}

vec3 symmetricFirstPoint(vec3 point, const mat4& worldToFrame, const mat3& frame, const SymmetrySetting& symmetry,
                         const std::vector<int32_t>& mergesFirst, const std::vector<int32_t>& mergesSecond) {
    if (mergesFirst.empty()) return point;
    std::vector<vec3> positions{(point * worldToFrame) * inverseOrIdentity(frame)};
    std::vector<mat3> frames{mat3()};
    const std::vector<SymmetryOp> ops = opsOf(symmetry);
    replicateInFrame(positions, frames, mat4(), ops);
    std::vector<uint8_t> masks;
    symmetryMasks(masks, ops);
    auto cols = columnsOf(frames);
    std::vector<float> signs(positions.size(), 1.0f);
    int32_t count = symmetry.count;
    std::vector<int32_t> first = mergesFirst, second = mergesSecond;
    mergeCoincidentCopies(positions, masks, count, cols, signs, first, second, 0.0f);
    return (positions[0] * frame) * inverseAffineOrIdentity(worldToFrame);
}

// ---- the view's side ----

namespace {

// The symmetry frame of a pick under the view's frame setting. The screen frame is the camera at
// the last press, so the planes stay put while the camera moves during a drag.
mat3 symmetryFrameOf(GLView& view, const PickRecord& pick, bool takeSnapshot, bool& screen) {
    const mat3 A3 = pick.worldToFrame.upper3();
    screen = false;
    if (view.frame == FrameWorld) return A3;
    if (view.frame == FrameScreen || pick.kind == 0) {
        if (takeSnapshot) view.screenFrameSnapshot = cameraMatrices.inverseCameraRotation;
        screen = true;
        return A3 * view.screenFrameSnapshot;
    }
    return mat3();
}

SymmetricPlacementInput inputFrom(GLView& view, const PickRecord& pick, vec3 normal, bool takeSnapshot) {
    SymmetricPlacementInput in;
    in.point = pick.point;
    in.normal = normal;
    in.pixelVector = pick.pixelVector;
    in.worldToFrame = pick.worldToFrame;
    in.frameToTarget = pick.frameToTarget;
    in.frame = symmetryFrameOf(view, pick, takeSnapshot, in.screenFrame);
    in.snap = view.snapSymmetry;
    in.snapPixels = view.symmetryThreshold * view.brushSize;
    return in;
}

// Insert takes the brush radius in pixels, Draw one pixel (turned upright on an object).
void sizeByCommand(SymmetricPlacementInput& in, Command command, const PickRecord& pick) {
    if (command == Command::Insert) {
        in.sizeInPixels = pick.radius;
    } else if (command == Command::Draw) {
        in.sizeInPixels = 1.0f;
        in.quarterTurn = pick.kind == 1;
    }
}

void storePlacements(GLView& view, SymmetricPlacementResult& result) {
    view.placements.swap(result.placements);
    view.symmetryMerges.swap(result.mergesFirst);
    view.symmetryMergeGroups.swap(result.mergesSecond);
}

int multiplyPreview(GLView& view) {
    if (view.pressPick.kind != 1 || view.busy == 0 || !view.pressPick.object) return 0;
    std::vector<mat4> list{mat4()};
    const SymmetrySetting& s = view.symmetry;
    if (s.mirrorX) mirrorPlacements(list, {1, 0, 0});
    if (s.mirrorY) mirrorPlacements(list, {0, 1, 0});
    if (s.mirrorZ) mirrorPlacements(list, {0, 0, 1});
    if (s.rotationX) rotatePlacements(list, {1, 0, 0}, s.count);
    if (s.rotationY) rotatePlacements(list, {0, 1, 0}, s.count);
    if (s.rotationZ) rotatePlacements(list, {0, 0, 1}, s.count);
    list.erase(list.begin());
    view.placements = list;
    Tool* tool = view.pressPick.object;
    if (view.scene) {
        Tool* parent = tool->parent;
        const bool underRoot = !parent || parent->isRoot();
        const int parentIndex = underRoot ? 0 : view.scene->idOf(parent) - 1;
        view.scene->workLists.appendPlaced(tool, list, &view.scene->sceneLists, underRoot ? nullptr : parent,
                                           parentIndex < 0 ? 0 : parentIndex, underRoot ? true : view.isAddOnLinked());
        view.scene->workLists.classify();
    }
    return 1;
}

} // namespace

int GLView::pressPlacement() {
    latchedAxis = {0, 0, 0};
    symmetryMerges.clear();
    symmetryMergeGroups.clear();
    pressPick = pickAt(PlaceOnObject, nullptr);
    if (pressPick.kind == kPickNothing) return 0;
    const Command cmd = assemblyCommand();
    if (mode == ASSEMBLY) {
        if (cmd == Command::Multiply) return multiplyPreview(*this);
        if (cmd != Command::Insert && cmd != Command::Draw) return 1;
    }
    SymmetricPlacementInput in = inputFrom(*this, pressPick, pressPick.normal, true);
    sizeByCommand(in, cmd, pressPick);
    SymmetricPlacementResult result;
    buildSymmetricPlacements(in, symmetry, result);
    if (result.snapped) pressPick.point = result.snappedPoint;
    storePlacements(*this, result);
    if (!placements.empty()) firstPlacement = placements.front();
    return 1;
}

int GLView::dragPlacement() {
    if (pressPick.kind == kPickNothing) return 0;
    const Command cmd = assemblyCommand();
    if (cmd == Command::Place) {
        if (!pendingTool) return 0;
        hoverPick = pendingTool->isBiTool() ? pickAt(PlaceOnObject, nullptr) : pickAt(PlaceSameDepth, &pressPick);
    } else if (cmd == Command::Draw) {
        const PickRecord* last = &pressPick;
        if (!assemblor.strokes.empty() && !assemblor.strokes.back().picks.empty())
            last = &assemblor.strokes.back().picks.back();
        hoverPick = pickAt(placement, last);
    } else if (cmd == Command::Insert) {
        return 0;
    }
    if (hoverPick.cursorX == pressPick.cursorX && hoverPick.cursorY == pressPick.cursorY) {
        if (cmd == Command::Place)
            hoverPick.kind = kPickNothing;
        else
            hoverPick = PickRecord();
        return 0;
    }
    const double dx = double(hoverPick.cursorX) - pressPick.cursorX;
    const double dy = double(hoverPick.cursorY) - pressPick.cursorY;
    const float pixels = float(std::sqrt(dx * dx + dy * dy));

    if (cmd == Command::Draw && mode == ASSEMBLY) {
        bool screen = false;
        const mat3 F = symmetryFrameOf(*this, pressPick, false, screen);
        hoverPick.point = symmetricFirstPoint(hoverPick.point, pressPick.worldToFrame, F, symmetry, symmetryMerges,
                                              symmetryMergeGroups);
        if (busy != 0 && scene)
            scene->collectTargets(pendingTool, placements, effectiveHierarchyTarget(false), isAddOnLinked());
        return 1;
    }

    SymmetricPlacementInput in = inputFrom(*this, pressPick, pressPick.normal, false);
    in.hasSide = true;
    in.side = hoverPick.point - pressPick.point;
    in.sizeInPixels = pixels;
    SymmetricPlacementResult result;
    buildSymmetricPlacements(in, symmetry, result);
    if (result.snapped) pressPick.point = result.snappedPoint;
    storePlacements(*this, result);
    if (mode == ASSEMBLY && cmd == Command::Place && busy == 1 && scene)
        scene->collectTargets(pendingTool, placements, effectiveHierarchyTarget(false), isAddOnLinked());
    return 1;
}

vec3 GLView::placementFrameStep(vec3 firstAnchor, vec3 secondAnchor) {
    const vec3 n = normalize(secondAnchor - firstAnchor);
    busy += 1;
    SymmetricPlacementInput in = inputFrom(*this, pressPick, n, true);
    sizeByCommand(in, assemblyCommand(), pressPick);
    SymmetricPlacementResult result;
    buildSymmetricPlacements(in, symmetry, result);
    storePlacements(*this, result);
    if (!placements.empty()) firstPlacement = placements.front();
    latchedAxis = {0, 0, 0};
    pressPick.normal = n;
    hoverPick.normal = n;
    return n;
}

} // namespace kal
