// The per-frame flattening of the scene trees and the id lookups made on it.
#include <benchmark/benchmark.h>

#include "scene/Scene.h"
#include "scene/Tool.h"

using namespace kal;

namespace {

// A scene of `groups` top-level objects, each a chain of `depth` nodes with two leaves per link.
void fill(Scene& scene, int groups, int depth) {
    for (int g = 0; g < groups; ++g) {
        Tool* parent = scene.sceneRoot;
        for (int d = 0; d < depth; ++d) {
            Tool* t = parent->addChild(new Tool(nullptr, mat4::translationXYZ(1, 0, 0), pbr(), false), false);
            t->flags |= PlacedFlag;
            t->addChild(new Tool(nullptr, mat4::translationXYZ(0, 1, 0), pbr(), false), false);
            t->addChild(new Tool(nullptr, mat4::translationXYZ(0, 0, 1), pbr(), false), false);
            parent = t;
        }
    }
}

void rebuildLists(benchmark::State& state) {
    Scene scene;
    fill(scene, int(state.range(0)), 20);
    for (auto _ : state) {
        scene.rebuildToolLists();
        benchmark::DoNotOptimize(scene.sceneLists.tools.data());
    }
    state.SetItemsProcessed(state.iterations() * scene.sceneLists.size());
}
BENCHMARK(rebuildLists)->Arg(10)->Arg(100)->Arg(1000);

void pickAndCollectChains(benchmark::State& state) {
    Scene scene;
    fill(scene, int(state.range(0)), 20);
    scene.rebuildToolLists();
    int n = scene.sceneLists.size();
    std::vector<Tool*> chain;
    std::vector<mat4> matrices;
    int id = 1;
    for (auto _ : state) {
        scene.pick(id);
        scene.collectById(id, chain, matrices, -1);
        scene.collectById(id, chain, matrices, -1); // toggles the collect marks back
        id = id % n + 1;
    }
}
BENCHMARK(pickAndCollectChains)->Arg(100);

void placementPreview(benchmark::State& state) {
    Scene scene;
    fill(scene, 10, 20);
    Tool* tmpl = scene.addToMainRoot(new Tool(nullptr, mat4(), pbr(), false));
    for (int i = 0; i < 50; ++i) tmpl->addChild(new Tool(nullptr, mat4(), pbr(), false), false);
    std::vector<mat4> placements(size_t(state.range(0)), mat4::translationXYZ(1, 2, 3));
    for (auto _ : state) {
        scene.rebuildToolLists();
        scene.pick(1);
        scene.collectTargets(tmpl, placements, 2, true);
        benchmark::DoNotOptimize(scene.workLists.worlds.data());
    }
}
BENCHMARK(placementPreview)->Arg(1)->Arg(64);

} // namespace
