#pragma once
// Undo records. A record names the nodes it touches by scene id and resolves them again each time
// it runs; undo and redo both call toggle, which applies the change when it is not in effect and
// reverts it when it is. The view rebuilds the scene lists before each render, so ids given to a
// record stay valid as long as the records are toggled in stack order.
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/Mat.h"
#include "foundation/Pbr.h"
#include "scene/Tool.h"

namespace kal {

class Scene;

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

// Values held by the object (or every placed member of its ring). Construction captures the
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

protected:
    virtual void resize(int n) = 0;
    virtual void capture(int i) = 0;
    virtual void swap(int i) = 0;
    virtual bool differs(int i) = 0;
    // NaN is never equal, so a NaN counts as a change
    static bool changed(const vec3& a, const vec3& b);
    static bool changed(const mat4& a, const mat4& b);
    static bool changed(const pbr& a, const pbr& b) { return a != b; }

private:
    bool gatherTargets();
    void releaseTargets();
};

// The record of the tool members Fields (pointers to members of Tool), kept per target.
template <int32_t Kind, auto... Fields>
class ActObjectValues : public ActObjectProperty {
public:
    ActObjectValues(Scene* scene, int32_t id, bool ring) : ActObjectProperty(Kind, scene, id, ring) { toggle(); }

private:
    template <class M>
    struct Member;
    template <class T>
    struct Member<T Tool::*> {
        using type = T;
    };
    std::vector<std::tuple<typename Member<decltype(Fields)>::type...>> saved;

    void resize(int n) override { saved.resize(size_t(n)); }
    void capture(int i) override { saved[size_t(i)] = {targets[size_t(i)]->*Fields...}; }
    void swap(int i) override {
        Tool* t = targets[size_t(i)];
        auto current = std::make_tuple(t->*Fields...);
        std::tie(t->*Fields...) = saved[size_t(i)];
        saved[size_t(i)] = current;
    }
    bool differs(int i) override {
        Tool* t = targets[size_t(i)];
        return std::apply([t](const auto&... s) { return (changed(s, t->*Fields) || ...); }, saved[size_t(i)]);
    }
};

using ActObjectMaterial = ActObjectValues<ActMaterialKind, &Tool::material>;
using ActObjectRotationAxis = ActObjectValues<ActRotationAxisKind, &Tool::rotationAxis>;
using ActObjectTranslationAxis = ActObjectValues<ActTranslationAxisKind, &Tool::translationAxis>;
// a constrained turn carries the translation axis along
using ActObjectTransform = ActObjectValues<ActTransformKind, &Tool::pivot, &Tool::transform, &Tool::translationAxis>;

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
    std::vector<Tool*> clones;                                        // owned, one deep copy per removed root
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
    std::vector<Tool*> created;      // as of the last apply
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
