#pragma once
// The view's undo list: at most `limit` records, and a cursor on the last record in effect
// (-1 when none is). Records after the cursor form the redo tail. The list owns its records.
#include <cstdint>
#include <vector>

namespace kal {

class Act;

class UndoStack {
public:
    std::vector<Act*> acts;
    int32_t cursor = -1;
    int32_t limit = 20;

    UndoStack() = default;
    UndoStack(const UndoStack&) = delete;
    UndoStack& operator=(const UndoStack&) = delete;
    ~UndoStack();

    // Takes a record whose change is already in effect: drops the oldest record when the list is
    // full and the redo tail, then appends.
    void push(Act* record);
    bool canUndo() const { return !acts.empty() && cursor >= 0; }
    bool canRedo() const { return cursor + 1 < int32_t(acts.size()); }
    // Toggle the record at the cursor and step back; answer whether anything ran.
    bool undo();
    // Step forward and toggle that record.
    bool redo();
    // After a drag or press: a last record that changed nothing is destroyed.
    void dropLastWithoutEffect();
    // Escape during a copy drag: the record at the cursor undone, then the newest record destroyed.
    void undoAndDropNewest();
    // Destroys every record, newest first.
    void clear();
};

} // namespace kal
