#pragma once
// Finds keys that more than one live action answers. Qt treats such a key as ambiguous and
// triggers neither action, so every state the window can be in must come out empty.

#include <QKeySequence>
#include <QList>

class QAction;

struct ShortcutConflict {
    QKeySequence key;
    QList<QAction*> actions; // two or more, in the order given
};

// Considers only actions that are enabled and visible; an action whose shortcut was cleared
// takes no part. Each key is reported once, keys in order of first appearance.
QList<ShortcutConflict> findShortcutConflicts(const QList<QAction*>& actions);
