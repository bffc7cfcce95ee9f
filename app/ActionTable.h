#pragma once
// The main window's command vocabulary as plain data: actions, menus and what each menu lists.
// Nothing here touches Qt, so the form builder, the tests and later the mode switch read one source.

namespace kal::ui {

enum ActionFlag : unsigned {
    Checkable = 1,
    Checked = 2,  // checked at start
    Disabled = 4, // disabled at start
    Bold = 8,
    Italic = 16,
    NoSlot = 32, // MainWindow has no on_<name>_triggered slot for it
};

struct ActionRow {
    int order;        // place in creation order, 1-based
    const char* name; // object name, also the Ui_MainWindow member name
    const char* text;
    const char* shortcut; // key-sequence text, "" for none
    unsigned flags;       // ActionFlag bits
    const char* icon;     // resource path, "" for none; shown while unchecked when iconOn is set
    const char* iconOn;   // second image of a two-state icon, shown while checked
    const char* toolTip;
    const char* statusTip;
    const char* iconText;
};

struct MenuRow {
    const char* name;
    const char* title;
    const char* icon;
    const char* statusTip;
};

// One entry of a menu: an action name, a submenu name or "-" for a separator.
struct MenuEntryRow {
    const char* menu;
    const char* entry;
};

template <class T>
struct Rows {
    const T* first;
    int count;
    const T* begin() const { return first; }
    const T* end() const { return first + count; }
    int size() const { return count; }
    const T& operator[](int i) const { return first[i]; }
};

Rows<ActionRow> actionRows();       // creation order
Rows<MenuRow> menuRows();           // creation order
Rows<MenuEntryRow> menuEntryRows(); // menus in menu-bar order, depth first, entries in order
Rows<const char*> menuBarRows();    // the top-level menus, left to right

const ActionRow* findAction(const char* name);
const MenuRow* findMenu(const char* name);
bool isSeparator(const MenuEntryRow& e);

} // namespace kal::ui
