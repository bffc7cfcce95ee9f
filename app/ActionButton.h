#pragma once
// A push button that stands in a menu for one QAction: it mirrors the action and triggers it,
// so the menu stays open while the user flips render options.

#include <QAction>
#include <QPointer>
#include <QPushButton>

class QMenu;
class QObject;
class QWidgetAction;

class ActionButton : public QPushButton {
    Q_OBJECT
public:
    explicit ActionButton(QAction* action);

    QAction* boundAction() const { return action; }

public slots:
    void updateButtonStatusFromAction();

private:
    // Guarded: a deleted action leaves a button that mirrors and triggers nothing.
    QPointer<QAction> action;
};

// Replaces `action`'s entry in `menu` by an embedded ActionButton at the same place. The action
// stays alive and keeps its shortcut and group. Returns the widget action now in the menu.
QWidgetAction* addActionButton(QAction* action, QMenu* menu);

// The same, with a "..." chooser at the right end whose clicked(bool) goes to `slot` of
// `receiver` (a SLOT(...) string); the chooser neither triggers nor checks the action.
QWidgetAction* addActionButtonWithChooser(QAction* action, QMenu* menu, QObject* receiver, const char* slot);

class Ui_MainWindow;

// Turns the thirteen render, effect and background entries into embedded buttons, in their
// fixed order; the three background sources get choosers wired to `window`'s
// loadBackgroundColor_triggered, loadBackgroundImage_triggered and loadEnvironment_triggered.
void addMenuButtons(const Ui_MainWindow& ui, QObject* window);
