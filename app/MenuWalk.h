#pragma once
// Walks over the actions of a menu or toolbar and of every menu below it, in one fixed order, so a
// list of shortcuts taken from a menu tree lines up entry by entry with the actions it goes back to.

#include <QKeySequence>
#include <QList>

class QAction;
class QMenu;
class QWidget;

// The widget's own actions, then those of each descendant menu in the widget tree's depth-first
// order. An action listed in two menus comes once per listing; null entries are skipped.
QList<QAction*> menuWalk(const QWidget* root);

// The same, except that each descendant menu's own descendants are walked again, recursively.
QList<QAction*> menuWalkRepeated(const QWidget* root);

void captureMenuShortcuts(const QMenu* menu, QList<QKeySequence>& shortcuts);
// The k-th action of the walk gets the k-th saved key; actions past the end of the list get none.
void applyMenuShortcuts(const QMenu* menu, const QList<QKeySequence>& shortcuts);
void clearMenuShortcuts(const QMenu* menu);
