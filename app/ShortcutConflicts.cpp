#include "app/ShortcutConflicts.h"

#include <QAction>

#include <algorithm>

QList<ShortcutConflict> findShortcutConflicts(const QList<QAction*>& actions) {
    QList<ShortcutConflict> holders; // every live key, conflicting or not
    for (QAction* a : actions) {
        if (!a || !a->isEnabled() || !a->isVisible()) continue;
        for (const QKeySequence& key : a->shortcuts()) {
            if (key.isEmpty()) continue;
            auto it =
                std::find_if(holders.begin(), holders.end(), [&](const ShortcutConflict& c) { return c.key == key; });
            if (it == holders.end())
                holders.append({key, {a}});
            else if (!it->actions.contains(a))
                it->actions.append(a);
        }
    }
    QList<ShortcutConflict> conflicts;
    for (const ShortcutConflict& c : holders)
        if (c.actions.size() > 1) conflicts.append(c);
    return conflicts;
}
