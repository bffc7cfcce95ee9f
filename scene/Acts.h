#pragma once
// Undo records. A record names the nodes it touches by scene id and resolves them again each time
// it runs; undo and redo both call toggle, which applies the change when it is not in effect and
// reverts it when it is. The view rebuilds the scene lists before each render, so ids given to a
// record stay valid as long as the records are toggled in stack order.
#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"

namespace kal {

class Scene;
class Tool;

enum ActKind : int32_t {
    ActMaterialKind = 0,
    ActRotationAxisKind = 3,
    ActTranslationAxisKind = 4,
    ActTransformKind = 5,
    ActCopyTransformKind = 6,
    ActAddKind = 7,
    ActAddBiToolKind = 8,
    ActRemoveKind = 9,
    ActMultiplyKind = 11,
    ActLinkKind = 12,
    ActUnlinkKind = 13,
};

class Act {
public:
    int32_t kind;
    explicit Act(int32_t k) : kind(k) {}
    Act(const Act&) = delete;
    Act& operator=(const Act&) = delete;
    virtual ~Act();
    virtual void toggle() = 0;
    virtual bool hasEffect();
};

// A value held by the object (or every placed member of its ring). Construction captures the
// values before the view changes them; each later toggle exchanges stored and current values.
class ActObjectProperty : public Act {
public:
    int32_t id;
    bool first = true;
    bool ring;
    Scene* scene;
    std::vector<Tool*> targets; // filled and emptied within each run

    ActObjectProperty(int32_t kind, Scene* scene, int32_t id, bool ring);
    void toggle() override;
    bool hasEffect() override;
    virtual void resize(int n);
    virtual void capture(int i);
    virtual void swap(int i);
    virtual bool differs(int i);

private:
    bool gatherTargets();
    void releaseTargets();
};

class ActObjectMaterial : public ActObjectProperty {
public:
    std::vector<pbr> saved;
    ActObjectMaterial(Scene* scene, int32_t id, bool ring);
    void resize(int n) override { saved.resize(size_t(n)); }
    void capture(int i) override;
    void swap(int i) override;
    bool differs(int i) override;
};

class ActObjectRotationAxis : public ActObjectProperty {
public:
    std::vector<vec3> saved;
    ActObjectRotationAxis(Scene* scene, int32_t id, bool ring);
    void resize(int n) override { saved.resize(size_t(n)); }
    void capture(int i) override;
    void swap(int i) override;
    bool differs(int i) override;
};

class ActObjectTranslationAxis : public ActObjectProperty {
public:
    std::vector<vec3> saved;
    ActObjectTranslationAxis(Scene* scene, int32_t id, bool ring);
    void resize(int n) override { saved.resize(size_t(n)); }
    void capture(int i) override;
    void swap(int i) override;
    bool differs(int i) override;
};

class ActObjectTransform : public ActObjectProperty {
public:
    std::vector<mat4> savedPivots;
    std::vector<mat4> savedTransforms;
    std::vector<vec3> savedAxes; // a constrained turn carries the translation axis along
    ActObjectTransform(Scene* scene, int32_t id, bool ring);
    void resize(int n) override {
        savedPivots.resize(size_t(n));
        savedTransforms.resize(size_t(n));
        savedAxes.resize(size_t(n));
    }
    void capture(int i) override;
    void swap(int i) override;
    bool differs(int i) override;
};

// Copies of a template placed by matrices; applies itself when built.
class ActObjectAdd : public Act {
public:
    bool first = true;
    bool applied = false;
    Tool* templateTool; // owned copy of the template
    int32_t id;         // object selected before placing
    Scene* scene;
    std::vector<mat4> placements;
    int32_t mode;
    bool toRing;
    bool keepRing;
    std::vector<int32_t> createdIds;
    int32_t templateId; // the template's id: its copies join its rings while they are placed

    ActObjectAdd(Scene* scene, int32_t id, Tool* tmpl, const std::vector<mat4>& placements, int32_t mode, bool toRing,
                 bool keepRing);
    ~ActObjectAdd() override;
    void toggle() override;
    bool hasEffect() override { return !createdIds.empty(); }
};

// A two-object tool and its partner, each placed by its own matrices.
class ActObjectAddBiTool : public Act {
public:
    bool first = true;
    bool applied = false;
    Tool* templateTool;
    Tool* partnerTemplate;
    int32_t id;
    int32_t partnerId;
    Scene* scene;
    std::vector<mat4> placements;
    std::vector<mat4> partnerPlacements;
    int32_t mode;
    bool toRing;
    bool keepRing;
    std::vector<int32_t> createdIds;
    int32_t templateId;
    int32_t partnerTemplateId;

    ActObjectAddBiTool(Scene* scene, int32_t id, int32_t partnerId, Tool* tmpl, Tool* partnerTmpl,
                       const std::vector<mat4>& placements, const std::vector<mat4>& partnerPlacements, int32_t mode,
                       bool toRing, bool keepRing);
    ~ActObjectAddBiTool() override;
    void toggle() override;
    bool hasEffect() override { return !createdIds.empty(); }
};

// Removal of a node with its subtree (and the partners of its two-object tools).
class ActObjectRemove : public Act {
public:
    // A member of a ring that crossed the removed set: a removed node by its position in the
    // removed subtrees, or a node that stays by its scene id after the removal.
    struct RingRef {
        bool removed;
        int32_t value;
    };

    bool first = true;
    bool applied = false;
    int32_t id;
    Scene* scene;
    std::vector<int32_t> parentIds;
    std::vector<int32_t> linkFrom;
    std::vector<int32_t> linkTo;
    std::vector<Tool*> clones; // owned, one deep copy per removed root
    std::vector<std::vector<std::pair<int32_t, int32_t>>> insertions; // per parent: (clone, child position)
    std::vector<std::vector<RingRef>> rings;

    ActObjectRemove(Scene* scene, int32_t id);
    ~ActObjectRemove() override;
    void toggle() override;
    bool hasEffect() override { return !clones.empty(); }

private:
    void firstApply();
    void revert();
};

// Copies of the selected object beside it.
class ActObjectMultiply : public Act {
public:
    bool applied = false;
    int32_t id;
    Scene* scene;
    std::vector<mat4> placements;
    bool toRing;
    bool keepRing;
    std::vector<Tool*> created;   // as of the last apply
    std::vector<int32_t> createdIds; // what undo deletes

    ActObjectMultiply(Scene* scene, int32_t id, const std::vector<mat4>& placements, bool toRing, bool keepRing);
    void toggle() override;
    bool hasEffect() override { return !createdIds.empty(); }
};

// A copy in place of the picked object, with the matrices the copies were given afterwards.
class ActObjectCopyTransform : public Act {
public:
    bool applied = false;
    int32_t id;
    Scene* scene;
    int32_t mode;
    bool toRing;
    std::vector<Tool*> created;      // as of the last apply
    std::vector<int32_t> createdIds; // what undo deletes
    std::vector<mat4> savedPivots;
    std::vector<mat4> savedTransforms;

    ActObjectCopyTransform(Scene* scene, int32_t id, int32_t mode, bool toRing);
    void toggle() override;
};

// Joins two rings by exchanging two successors; the same exchange splits them again.
class ActObjectLink : public Act {
public:
    bool first = true;
    int32_t idA;
    int32_t idB;
    Scene* scene;

    ActObjectLink(Scene* scene, int32_t idA, int32_t idB);
    void toggle() override;
    bool hasEffect() override { return idA != idB; }
};

class ActObjectUnlink : public Act {
public:
    bool first = true;
    bool applied = false;
    int32_t id;
    int32_t successorId = 0;
    Scene* scene;
    int32_t hiddenBefore = 0; // ring members outside the trees between the node and its successor

    ActObjectUnlink(Scene* scene, int32_t id);
    void toggle() override;
    bool hasEffect() override { return successorId != 0; }
};

} // namespace kal
