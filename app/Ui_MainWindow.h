#pragma once
// The main window's form: every action, menu and fixed widget, built from the rows of ActionRows.h.
// Members are non-owning; everything is a child of the window passed to setupUi.

class QAction;
class QHBoxLayout;
class QMainWindow;
class QMenu;
class QMenuBar;
class QStatusBar;
class QWidget;

class Ui_MainWindow {
public:
#define KAL_ACTION(order, name, ...) QAction* name = nullptr;
#include "app/ActionRows.h"
    QWidget* centralWidget = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QMenuBar* menuBar = nullptr;
#define KAL_MENU(name, ...) QMenu* name = nullptr;
#include "app/ActionRows.h"
    QStatusBar* statusBar = nullptr;

    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);

    // By object name, through the same rows; null for an unknown name or a deleted object
    // whose member was cleared.
    QAction* action(const char* name) const;
    QMenu* menu(const char* name) const;
};
