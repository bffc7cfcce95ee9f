#pragma once
// The toolbars of the main window, as rows of names: an action name, a menu name (the menu's
// drop-down button) or "-" for a separator.

#include "app/ActionTable.h"

class QMainWindow;
class QToolBar;
class Ui_MainWindow;

namespace kal::ui {

Rows<const char*> fullToolBarRows();   // the full creation toolbar
Rows<const char*> simpleToolBarRows(); // the simple one: no Insert, Place, links or hierarchy

} // namespace kal::ui

// A bare toolbar of the window: dark sheet, 24 px icons, fixed in place, no object name.
QToolBar* makeToolBar(QMainWindow* window);

// Adds the named actions and menu buttons in order, a separator for each "-".
// Names that the form no longer holds are skipped.
void fillToolBar(QToolBar* bar, const Ui_MainWindow& ui, kal::ui::Rows<const char*> rows);

// Every tool button of the bar opens its menu on press, without the press-and-hold delay.
void setInstantPopup(QToolBar* bar);
