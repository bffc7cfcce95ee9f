// The status text of the frame: the view's settings read into the text and printed over the image.
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLView.h"
#include "viewport/StatusText.h"

namespace kal {

StatusState statusStateOf(const GLView& view) {
    StatusState s;
    if (view.scene) {
        s.objects = view.scene->sceneLists.size();
        s.arraysCapped = view.scene->sceneLists.arraysCapped;
        s.undrawn = undrawnThisFrame != 0;
        s.tools = view.scene->toolRoot ? int32_t(view.scene->toolRoot->children.size()) : 0;
    }
    s.mode = view.mode;
    s.command = view.assemblyCommand();
    s.brush = view.brush;
    s.selectionMode = view.selectionMode;
    s.axisSection = view.axisSection;
    s.groups = view.groups;
    s.fullMode = view.fullMode;
    s.ikChainLength = view.ikChainLength;
    s.hierarchyTarget = view.hierarchyTarget;
    s.relativeToChild = view.relativeToChild;
    s.addOnLinked = view.addOnLinked;
    s.addLinked = view.addLinked;
    s.placement = view.placement;
    s.frame = view.frame;
    s.symmetry = view.symmetry;
    s.snapSymmetry = view.snapSymmetry;
    s.snapGrid = view.snapGrid;
    return s;
}

void GLView::drawHud() {
    HudCursor cursor;
    cursor.width = float(width);
    cursor.height = float(height);
    for (const StatusPiece& piece : statusPieces(statusStateOf(*this))) {
        for (int i = 0; i < 4; ++i) cursor.colour[i] = piece.colour[i];
        cursor.printHudText(piece.text, piece.newLine);
    }
}

} // namespace kal
