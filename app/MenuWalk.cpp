#include "app/MenuWalk.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

void appendOwn(const QWidget* w, QList<QAction*>& out) {
    for (QAction* a : w->actions())
        if (a) out.append(a);
}

} // namespace

QList<QAction*> menuWalk(const QWidget* root) {
    QList<QAction*> out;
    if (!root) return out;
    appendOwn(root, out);
    for (const QMenu* m : root->findChildren<QMenu*>()) appendOwn(m, out);
    return out;
}

QList<QAction*> menuWalkRepeated(const QWidget* root) {
    QList<QAction*> out;
    if (!root) return out;
    appendOwn(root, out);
    for (const QMenu* m : root->findChildren<QMenu*>()) out.append(menuWalkRepeated(m));
    return out;
}

void captureMenuShortcuts(const QMenu* menu, QList<QKeySequence>& shortcuts) {
    for (QAction* a : menuWalk(menu)) shortcuts.append(a->shortcut());
}

void applyMenuShortcuts(const QMenu* menu, const QList<QKeySequence>& shortcuts) {
    int k = 0;
    for (QAction* a : menuWalk(menu)) {
        // a menu that grew since the capture must not read past the saved list
        a->setShortcut(k < shortcuts.size() ? shortcuts[k] : QKeySequence());
        ++k;
    }
}

void clearMenuShortcuts(const QMenu* menu) {
    for (QAction* a : menuWalk(menu)) a->setShortcut(QKeySequence());
}
