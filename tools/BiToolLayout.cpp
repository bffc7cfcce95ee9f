// The placement walk of a bi-tool end and its stretch by kind. An end cannot be placed alone: the
// end reached first records where it is and waits; the one reached second measures the link,
// appends itself and its subtree, then has its partner do the same.
#include <cmath>

#include "tools/BiTool.h"

namespace kal {

namespace {

bool finite(const mat4& m) {
    for (float x : m.m)
        if (!std::isfinite(x)) return false;
    return true;
}

} // namespace

void BiTool::capture(const mat4& parentMatrix, int parentIndex, int secondIndex) {
    parentFrame = parentMatrix;
    worldFrame = composeMatrix();
    worldFrame *= parentMatrix;
    storedParentIndex = parentIndex;
    storedSecondIndex = secondIndex;
    capturedWalk = placementWalk.serial;
    capturedInWorld = placementWalk.world;
}

namespace {

// Stages of an end's steps after its visit: the partner's half of the pair, then the end of it.
constexpr int32_t appendPartnerStage = 1, pairDoneStage = 2;

} // namespace

void BiTool::placementStep(PlacementWalker& walker, const PlacementStep& s) {
    if (s.stage == appendPartnerStage) {
        measureAndAppend(walker, s.drawArg != 0, s.placed);
        return;
    }
    if (s.stage == pairDoneStage) {
        passState = 0;
        if (partnerEnd) partnerEnd->passState = 0;
        return;
    }
    const uint32_t walk = placementWalk.serial;
    // the partner completed the pair before this end's parent reached it
    if (appendedWalk == walk) return;
    // left waiting by another walk, maybe under another parent: reached again, it captures afresh
    if (passState == 1 && capturedWalk != walk) passState = 0;
    if (passState == 0) {
        // a root hands each child the index it is about to take: the end is its own group, and
        // keeps being so when its partner appends it later at another index
        capture(s.handed, s.group, s.drawArg);
        capturedAsGroup = s.group == int32_t(walker.items.size());
        passState = 1;
    }
    if (passState != 1 || !partnerEnd || partnerEnd->passState != 1) return;
    BiTool* other = partnerEnd;
    // A partner left waiting by an earlier walk has list indices of that walk; it enters as its
    // own group, and only when its frames are world frames as this walk's are.
    const bool fromOtherWalk = other->capturedWalk != walk;
    if (fromOtherWalk && !(other->capturedInWorld && placementWalk.world)) return;
    passState = other->passState = 2;
    // this end and its subtree, then the partner and its subtree, then the pair is done
    walker.pending.push_back({this, mat4(), 0, 0, pairDoneStage, s.placed});
    walker.pending.push_back({other, mat4(), 0, fromOtherWalk ? 1 : 0, appendPartnerStage, s.placed});
    measureAndAppend(walker, false, s.placed);
}

void BiTool::measureAndAppend(PlacementWalker& walker, bool ownGroup, bool placed) {
    const mat4& W = worldFrame;
    // A singular frame measures nothing: the lengths stay, and the end keeps its own frame.
    mat4 F = W, appended = parentFrame;
    const mat3 M = W.upper3();
    const float determinant = det(M);
    if (partnerEnd && std::isfinite(determinant) && determinant != 0.0f) {
        const vec3 d = (partnerEnd->worldFrame.translation() - W.translation()) * inverse(M);
        const double L = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
        mat4 turned = mat4::rotationBetween(vec3(0, 0, 1), d);
        turned *= W;
        mat4 toParent = inverseAffine(composeMatrix());
        toParent *= turned;
        if (std::isfinite(L) && finite(turned) && finite(toParent)) {
            linkLength = float(L);
            if (restLength < 0.0f) restLength = linkLength;
            F = turned;
            appended = toParent;
        }
    }
    const int32_t k =
        walker.append(this, appended, ownGroup || capturedAsGroup ? int32_t(walker.items.size()) : storedParentIndex,
                      ownGroup ? -1 : storedSecondIndex, placed);
    appendedWalk = placementWalk.serial;
    walker.pushChildren(this, F, k, placed);
}

mat4 BiTool::modelMatrix(const mat4& parentMatrix) {
    const mat4 B = Tool::modelMatrix(parentMatrix);
    mat4 S;
    switch (biToolKind) {
    case BiToolUniform: S = mat4::uniformScaling(linkLength); break;
    case BiToolCylinder: S = mat4::scaling(0.3f, 0.3f, linkLength); break;
    case BiToolVolume: {
        const float s = float(std::sqrt(double(restLength) / double(linkLength)));
        S = mat4::scaling(s, s, linkLength);
        break;
    }
    default: return B;
    }
    S *= B;
    return S;
}

bool BiTool::stretchDrawable() const {
    if (biToolKind != BiToolUniform && biToolKind != BiToolCylinder && biToolKind != BiToolVolume) return true;
    if (!(linkLength > 0.0f) || !std::isfinite(linkLength)) return false;
    return biToolKind != BiToolVolume || (restLength >= 0.0f && std::isfinite(restLength / linkLength));
}

} // namespace kal
