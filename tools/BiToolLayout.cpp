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

void BiTool::collectWorldTransforms(std::vector<Tool*>& items, std::vector<mat4>& matrices,
                                    std::vector<int32_t>& groups, std::vector<int32_t>& drawArgs, mat4 parentMatrix,
                                    int parentIndex, int secondIndex) {
    const uint32_t walk = placementWalk.serial;
    // the partner completed the pair before this end's parent reached it
    if (appendedWalk == walk) return;
    // left waiting by another walk, maybe under another parent: reached again, it captures afresh
    if (passState == 1 && capturedWalk != walk) passState = 0;
    if (passState == 0) {
        // a root hands each child the index it is about to take: the end is its own group, and
        // keeps being so when its partner appends it later at another index
        capture(parentMatrix, parentIndex, secondIndex);
        capturedAsGroup = parentIndex == int(items.size());
        passState = 1;
    }
    if (passState != 1 || !partnerEnd || partnerEnd->passState != 1) return;
    BiTool* other = partnerEnd;
    // A partner left waiting by an earlier walk has list indices of that walk; it enters as its
    // own group, and only when its frames are world frames as this walk's are.
    const bool fromOtherWalk = other->capturedWalk != walk;
    if (fromOtherWalk && !(other->capturedInWorld && placementWalk.world)) return;
    passState = other->passState = 2;
    measureAndAppend(items, matrices, groups, drawArgs, false);
    other->measureAndAppend(items, matrices, groups, drawArgs, fromOtherWalk);
    passState = other->passState = 0;
}

void BiTool::measureAndAppend(std::vector<Tool*>& items, std::vector<mat4>& matrices, std::vector<int32_t>& groups,
                              std::vector<int32_t>& drawArgs, bool ownGroup) {
    const mat4& W = worldFrame;
    // A singular frame measures nothing: the lengths stay, and the end keeps its own frame.
    mat4 F = W, appended = parentFrame;
    const mat3 M = W.upper3();
    const float determinant = det(M);
    if (std::isfinite(determinant) && determinant != 0.0f) {
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
    const int k = int(items.size());
    matrices.push_back(appended);
    groups.push_back(ownGroup || capturedAsGroup ? k : storedParentIndex);
    drawArgs.push_back(ownGroup ? -1 : storedSecondIndex);
    items.push_back(this);
    appendedWalk = placementWalk.serial;
    for (Tool* child : children) child->collectWorldTransforms(items, matrices, groups, drawArgs, F, k, -1);
}

mat4 BiTool::modelMatrix(const mat4& parentMatrix) {
    const mat4 B = Tool::modelMatrix(parentMatrix);
    mat4 S;
    switch (biToolKind) {
    case BiToolUniform:
        S = mat4::uniformScaling(linkLength);
        break;
    case BiToolCylinder:
        S = mat4::scaling(0.3f, 0.3f, linkLength);
        break;
    case BiToolVolume: {
        const float s = float(std::sqrt(double(restLength) / double(linkLength)));
        S = mat4::scaling(s, s, linkLength);
        break;
    }
    default:
        return B;
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
