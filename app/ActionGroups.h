#pragma once
// The thirteen exclusive groups of the main window's actions, as rows of action names.

#include "app/ActionTable.h"

class QActionGroup;
class QObject;
class Ui_MainWindow;

namespace kal::ui {

constexpr int actionGroupCount = 13;

// Members of group 1..13 in the order they are added; empty rows for any other number.
Rows<const char*> actionGroupRows(int group);

} // namespace kal::ui

// An exclusive QActionGroup owned by `parent` holding the group's actions that the form still
// has; null for a group number outside 1..13.
QActionGroup* makeActionGroup(QObject* parent, const Ui_MainWindow& ui, int group);
