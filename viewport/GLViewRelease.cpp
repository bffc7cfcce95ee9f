// The release step: the frame in which a mouse button goes up finishes the sculpt stroke or runs
// the assembly command the press began (one handler per command), then ends the click and brings
// back the mode, command and brush the user chose.
#include "scene/Acts.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/MouseState.h"

namespace kal {

void GLView::releaseStep() {
    const MouseState& m = frameMouse;
    const bool leftUp = m.prevLeft && !m.left;
    const bool rightUp = m.prevRight && !m.right;
    if (!leftUp && !rightUp) return;
    if (!isCursorInView()) return;
    // one button up while the other is held: the click goes on
    if (m.left || m.right) return;

    if (mode == SCULPT) {
        if (leftUp && busy != 0 && pressPick.hitsObject()) {
            if (brush == BrushPickMaterial)
                brushMaterial = hoverPick.surfaceMaterial;
            else
                finishSculptStroke();
        }
    } else if (mode == ASSEMBLY && leftUp) {
        releaseCommand(assemblyCommand());
    }
    closeClick(true);
}

void GLView::endClickOutside() {
    const MouseState& m = frameMouse;
    if (!((m.prevLeft && !m.left) || (m.prevRight && !m.right)) || m.left || m.right) return;
    if (busy == 0 && sculptors.empty()) return;
    // no command runs for a release we cannot place; the click still ends, menus unlock
    closeClick(!outside);
}

void GLView::finishSculptStroke() {
    if (sculptors.empty()) return;
    std::vector<Gesture*> list;
    list.reserve(sculptors.size());
    for (size_t i = 0; i < sculptors.size(); ++i) {
        Sculptor* s = sculptors[i];
        s->finish();
        // a gesture without its pick is finished all the same: extrusions and tears must close
        if (i < symmetricPicks.size()) s->samples.push_back(StrokeSample(symmetricPicks[i]));
        list.push_back(s);
    }
    if (pressPick.object) pressPick.object->applyGestures(list);
    for (Sculptor* s : sculptors) delete s;
    sculptors.clear();
}

void GLView::closeClick(bool restore) {
    // a Draw stroke stays open across releases
    if (mode == ASSEMBLY && assemblyCommand() == CommandDraw) return;
    const bool drawingKept = chosenMode == ASSEMBLY && chosenCommand == CommandDraw && mode == VIEW &&
                             (!assemblor.picks.empty() || !assemblor.strokes.empty());
    if (!drawingKept) {
        finishSculptStroke();
        const int32_t kept = busy >= 2 ? busy : 0;
        resetPick(false);
        busy = kept;
    }
    if (!restore) return;
    mode = chosenMode;
    command = chosenCommand;
    brush = chosenBrush;
    if (isCursorInView()) keyStep();
}

void GLView::releaseCommand(int c) {
    switch (c) {
    case 0: releaseInsert(); break;
    case 1: releaseMultiply(); break;
    case 2: releasePlace(); break;
    case 4: releasePick(); break;
    case 5: releasePickComponent(false); break;
    case 6: releaseDetachComponent(); break;
    case 7: releasePickComponent(true); break;
    case 8: releaseRemove(); break;
    case 9: releaseDraw(); break;
    case 10: releaseArrayPick(); break;
    case 11: releaseArrayPickItem(); break;
    case 13: releaseDrawPickAxis(); break;
    case 14: releaseDrawPickSection(); break;
    case 15: releaseMakeUniform(); break;
    case 17: case 18: case 19: case 21: releaseEndDrag(); break;
    case 20: releaseMirror(); break;
    case 23: releaseRotateMultiplicity(); break;
    case 28: releaseMaterial(); break;
    case 29: releaseColorIsLight(); break;
    case 31: releaseMatchMaterial(); break;
    case 35: releaseLink(); break;
    case 36: releaseUnlink(); break;
    case 37: case 38: case 39: case 40: releaseConstrain(c); break;
    case 41: case 42: releaseRemoveConstraint(c); break;
    case 43: releaseAlign(); break;
    case 46: releaseMatchPivot(false); break;
    case 47: releaseMatchPivot(true); break;
    case 50: releaseOrientation(); break;
    default: break;
    }
}

void GLView::repickRelease() { hoverPick = pickAt(PlaceOnObject, nullptr); }

void GLView::pushIfEffective(Act* record) {
    if (!record) return;
    if (record->hasEffect())
        undoStack.push(record);
    else
        delete record;
}

} // namespace kal
