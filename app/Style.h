#pragma once
// The dark look of the main window, its menus, toolbars, status bar and embedded buttons.

namespace kal::style {

extern const char* const windowStyleSheet;  // main window
extern const char* const menuBarStyleSheet;  // menu bar, inherited by every menu
extern const char* const statusBarStyleSheet;  // status bar
extern const char* const toolBarStyleSheet;  // each of the three toolbars
extern const char* const progressBarStyleSheet;  // status-bar progress bar
extern const char* const actionButtonStyleSheet;  // push buttons embedded in menus
extern const char* const chooserButtonStyleSheet;  // the "..." chooser beside a background entry

} // namespace kal::style
