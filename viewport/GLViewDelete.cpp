// Delete at a granularity, from the main window's Delete actions: the whole object through an undo
// record, or one component, patch or feature of its element through a one-shot erase gesture per
// symmetric pick (not undoable). It runs from a menu, outside the frame: the widget's context is
// made current and the pick is taken again where the click that named the tool was.

#include "gpu/GLFunctions.h"
#include "scene/Acts.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

namespace kal {

bool GLView::deleteByMode(Tool* tool, uint8_t granularity, bool sectionFlag) {
    if (!tool || !tool->element || !scene) return false;
    GLWorkGuard guard;

    if (granularity <= 1) {
        // the tool the menu named, whatever the cursor has moved onto since
        const int32_t id = scene->idOf(tool);
        auto* act = new ActObjectRemove(scene, id);
        act->toggle();
        pushIfEffective(act);
        if (pressPick.object == tool) pressPick = PickRecord();
        redraw = true;
        return true;
    }

    // Read-backs need a current context; a view without targets reads nothing anyway.
    if (guard.hasContext() || glReady() || !opaqueTarget) {
        const int32_t x = lastCursorX, y = lastCursorY;
        lastCursorX = pressX;
        lastCursorY = pressY;
        // tubes and revolutions copy the pick around the curve that is erased, not the switch's
        const bool switchSetting = axisSection;
        axisSection = sectionFlag;
        updateSymmetricPicks(true);
        axisSection = switchSetting;
        lastCursorX = x;
        lastCursorY = y;
    }
    // the pick may have landed elsewhere (or nowhere): only the named tool is erased
    if (pressPick.stencilBits == 0 || pressPick.object != tool) return true;

    using B = Brush;
    const B erase = granularity == 3 ? B::ErasePatch : granularity == 4 ? B::EraseFeature : B::EraseComponent;
    const int selection = granularity == 3 ? SelectPatch : SelectComponent;
    std::vector<Gesture*> gestures;
    gestures.reserve(symmetricPicks.size());
    for (const PickRecord& pick : symmetricPicks) {
        auto* s = new Sculptor(erase, selection, sculptOption);
        s->sectionFlag = uint8_t(sectionFlag ? 1 : 0);
        s->paintMask = byte(paintMask & 0xFF);
        s->handedness = pick.handedness;
        const StrokeSample sample(pick);
        s->begin();
        s->samples.push_back(sample);
        s->viewDirection = pick.viewAxis;
        s->finish();
        s->samples.push_back(sample);
        gestures.push_back(s);
    }
    tool->applyGestures(gestures);
    for (Gesture* g : gestures) delete g;
    redraw = true;
    return true;
}

} // namespace kal
