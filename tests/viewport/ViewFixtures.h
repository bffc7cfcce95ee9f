#pragma once
// A view without scene or render targets whose step hooks record their calls, and undo records
// that count their toggles.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "InputFixtures.h"
#include "scene/Acts.h"
#include "viewport/GLView.h"

namespace kal::test {

class RecordingView : public GLView {
public:
    RecordingView(int w = 1000, int h = 800) : GLView(w, h, Bare{}) {}
    std::vector<std::string> calls;
    // Optional extra work inside the press step (e.g. a nested frame).
    std::function<void()> onPress;

    void keyStep() override { calls.push_back("key"); }
    void pressStep() override {
        calls.push_back("press");
        if (onPress) onPress();
    }
    void releaseStep() override { calls.push_back("release"); }
    void dragStep() override { calls.push_back("drag"); }
    Texture2D* render() override {
        calls.push_back(redraw ? "render" : "render-idle");
        const bool drew = redraw;
        redraw = false;
        return drew ? image() : nullptr;
    }
    void resetPick(bool rebuild) override {
        calls.push_back(rebuild ? "resetPick+" : "resetPick");
        GLView::resetPick(rebuild);
    }
    bool buildEnvironment() override {
        calls.push_back("buildEnvironment");
        return true;
    }
    void buildDrawnTool() override { calls.push_back("buildDrawnTool"); }
    void setLastStrokeRadius(float r) override { calls.push_back("strokeRadius " + std::to_string(int(r))); }

    // A stand-in image pointer: never dereferenced.
    static Texture2D* image() { return reinterpret_cast<Texture2D*>(&imageToken); }
    int count(const std::string& name) const { return int(std::count(calls.begin(), calls.end(), name)); }
    // Runs frames until the start-up sequence is over.
    void finishStartup() {
        while (startupFrame < 4) update();
        calls.clear();
    }

private:
    static inline int imageToken = 0;
};

// A record whose change is a counter; hasEffect answers what the test sets.
class CountingAct : public Act {
public:
    explicit CountingAct(int* liveCount = nullptr) : Act(5), live(liveCount) {
        if (live) ++*live;
    }
    ~CountingAct() override {
        if (live) --*live;
    }
    void toggle() override {
        applied = !applied;
        ++toggles;
    }
    bool hasEffect() override { return effect; }
    bool applied = true;
    int toggles = 0;
    bool effect = true;
    int* live;
};

} // namespace kal::test
