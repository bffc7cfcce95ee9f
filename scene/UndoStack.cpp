#include "scene/UndoStack.h"

#include "scene/Acts.h"

namespace kal {

UndoStack::~UndoStack() { clear(); }

void UndoStack::push(Act* record) {
    if (!record) return;
    if (limit > 0 && int32_t(acts.size()) >= limit) {
        // the evicted record is destroyed here: nothing else refers to it
        delete acts.front();
        acts.erase(acts.begin());
        cursor = cursor > 0 ? cursor - 1 : -1;
    }
    if (cursor >= int32_t(acts.size())) cursor = int32_t(acts.size()) - 1;
    while (cursor + 1 < int32_t(acts.size())) {
        delete acts.back();
        acts.pop_back();
    }
    cursor = int32_t(acts.size());
    acts.push_back(record);
}

bool UndoStack::undo() {
    if (!canUndo() || cursor >= int32_t(acts.size())) return false;
    acts[size_t(cursor)]->toggle();
    --cursor;
    return true;
}

bool UndoStack::redo() {
    if (!canRedo()) return false;
    ++cursor;
    acts[size_t(cursor)]->toggle();
    return true;
}

void UndoStack::dropLastWithoutEffect() {
    if (acts.empty() || acts.back()->hasEffect()) return;
    delete acts.back();
    acts.pop_back();
    cursor = int32_t(acts.size()) - 1;
}

void UndoStack::undoAndDropNewest() {
    if (acts.empty()) return;
    undo();
    delete acts.back();
    acts.pop_back();
    if (cursor >= int32_t(acts.size())) cursor = int32_t(acts.size()) - 1;
}

void UndoStack::clear() {
    while (!acts.empty()) {
        delete acts.back();
        acts.pop_back();
    }
    cursor = -1;
}

} // namespace kal
