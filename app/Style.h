#pragma once
// The dark look of the main window, its menus, toolbars, status bar and embedded buttons.

namespace kal::style {

extern const char* const windowStyleSheet;        // main window
extern const char* const menuBarStyleSheet;       // menu bar, inherited by every menu
extern const char* const statusBarStyleSheet;     // status bar
extern const char* const toolBarStyleSheet;       // each of the three toolbars
extern const char* const progressBarStyleSheet;   // status-bar progress bar
extern const char* const actionButtonStyleSheet;  // push buttons embedded in menus
extern const char* const chooserButtonStyleSheet; // the "..." chooser beside a background entry

} // namespace kal::style

#include <QProxyStyle>

// Sliders jump straight to a click on their groove, whichever button is used.
class MyStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

namespace kal::style {

// The program's one MyStyle, over a base style of its own (a proxy owns what it wraps, so it must
// not wrap a style other widgets use); made on first use, it lives as long as the application.
QStyle* sliderStyle();

// Style sheet of the material dialog.
extern const char* const materialDialogStyleSheet;

} // namespace kal::style
