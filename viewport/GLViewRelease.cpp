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
            if (brush == Brush::PickMaterial)
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
    if (mode == ASSEMBLY && assemblyCommand() == Command::Draw) return;
    const bool drawingKept = chosenMode == ASSEMBLY && chosenCommand == Command::Draw && mode == VIEW &&
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

void GLView::releaseCommand(Command c) {
    switch (c) {
    case Command::Insert: releaseInsert(); break;
    case Command::Multiply: releaseMultiply(); break;
    case Command::Place: releasePlace(); break;
    case Command::Pick: releasePick(); break;
    case Command::PickComponent: releasePickComponent(false); break;
    case Command::DetachComponent: releaseDetachComponent(); break;
    case Command::PickPatch: releasePickComponent(true); break;
    case Command::Remove: releaseRemove(); break;
    case Command::Draw: releaseDraw(); break;
    case Command::ArrayPick: releaseArrayPick(); break;
    case Command::ArrayPickItem: releaseArrayPickItem(); break;
    case Command::DrawPickAxis: releaseDrawPickAxis(); break;
    case Command::DrawPickSection: releaseDrawPickSection(); break;
    case Command::MakeUniform: releaseMakeUniform(); break;
    case Command::Move:
    case Command::Rotate:
    case Command::Scale:
    case Command::RotateScale: releaseEndDrag(); break;
    case Command::Mirror: releaseMirror(); break;
    case Command::RotateMultiplicity: releaseRotateMultiplicity(); break;
    case Command::Material: releaseMaterial(); break;
    case Command::ColorIsLight: releaseColorIsLight(); break;
    case Command::MatchMaterial: releaseMatchMaterial(); break;
    case Command::Link: releaseLink(); break;
    case Command::Unlink: releaseUnlink(); break;
    case Command::ConstrainRotation:
    case Command::CounterConstrainRotation:
    case Command::ConstrainTranslation:
    case Command::CounterConstrainTranslation: releaseConstrain(c); break;
    case Command::RemoveRotationConstraint:
    case Command::RemoveTranslationConstraint: releaseRemoveConstraint(c); break;
    case Command::Align: releaseAlign(); break;
    case Command::MatchPivot: releaseMatchPivot(false); break;
    case Command::MatchObjectPivot: releaseMatchPivot(true); break;
    case Command::Orientation: releaseOrientation(); break;
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
