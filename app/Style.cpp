#include "app/Style.h"

#include <QApplication>
#include <QPointer>

namespace kal::style {

const char* const windowStyleSheet = "QMainWindow { \n"
                                     "\tbackground-color: #333;\n"
                                     "\tcolor: #ccc;\n"
                                     "}\n"
                                     "\n"
                                     "QToolBar {\n"
                                     "\tmargin: 0px;\n"
                                     "\tborder: none;\n"
                                     "}";

const char* const menuBarStyleSheet = "QMenuBar {\n"
                                      "\tbackground-color: #333;\n"
                                      "\tcolor: #ccc;\n"
                                      "}\n"
                                      "QMenuBar::item { background-color: #333; } \n"
                                      "QMenuBar::item:selected { color: #fff; } \n"
                                      "\n"
                                      "QMenu {\n"
                                      "\tbackground-color: #333;\n"
                                      "\tcolor: #ccc;\n"
                                      "\tmargin: 0px;\t\n"
                                      "\tborder: none; \n"
                                      "\tpadding: 0px;\n"
                                      "\ticon-size: 12px;\n"
                                      "}\n"
                                      "\n"
                                      "QMenu::item {\n"
                                      "\tmin-width: 80px;\n"
                                      "\theight: 25px; \n"
                                      "\tmargin: 0px;\t\n"
                                      "\tborder: none; \n"
                                      "\tpadding: 0px 25px 0px 25px; \n"
                                      "}\n"
                                      "QMenu::icon {\n"
                                      "\tmargin-left: 5px;\n"
                                      "\tsubcontrol-origin: padding;\n"
                                      "    subcontrol-position: center left; \n"
                                      "}\n"
                                      "QMenu::item:selected { color: #fff; }\n"
                                      "QMenu::item:checked { color: #efba44; }\n"
                                      "QMenu::item:checked:selected { color: #fff; }\n"
                                      "QMenu::item:disabled { color: #888; }\n"
                                      "QMenu::right-arrow {\n"
                                      "\timage: url(:/Icons/menu_indicator.png);\n"
                                      "\twidth: 6px;\n"
                                      "\theight: 6px;\n"
                                      "    subcontrol-origin: padding;\n"
                                      "    subcontrol-position: bottom right;\n"
                                      "\tmargin-right: 3px;\n"
                                      "\tmargin-bottom: 1px;\n"
                                      "}\n"
                                      "QMenu::indicator {\n"
                                      "\timage: url(:/Icons/empty.png);\n"
                                      "}";

const char* const statusBarStyleSheet = "QStatusBar { \n"
                                        "\tbackground-color: #333;\n"
                                        "\tcolor: #ccc;\n"
                                        "}";

const char* const toolBarStyleSheet =
    "QToolBar { background-color: #333;color: #ccc;margin: 0px; border: none; spacing: 0px;}"
    "QToolBar::separator:horizontal {background-color: #333;width: 20px;}"
    "QToolBar::separator:vertical {background-color: #333;height: 20px;}"
    "QToolButton { margin: 0px;padding: 9px; background-color: #333;color: #000; border: 1px solid #333;}"
    "QToolButton:hover, QToolButton:pressed, QToolButton:selected { border-bottom-width: 1px;border-bottom-color: #efba00;border-bottom-style: solid; }"
    "QToolButton:checked { background-color: #444; }"
    "QToolButton::menu-indicator {image: url(:/Icons/menu_indicator.png);subcontrol-origin: padding;subcontrol-position: bottom right;width: 6px;height: 6px;}";

const char* const progressBarStyleSheet =
    "QProgressBar { background: #222; color: #fff; text-align: center; border: none; max-height: 16px; max-width: 256px; }"
    "QProgressBar::chunk { background: #161; }";

const char* const actionButtonStyleSheet =
    "QPushButton { background-color:#333; color:#ccc; border:none; margin:0px; text-align:left; height:25px; min-width:80px; padding: 0px 25px; }"
    "QPushButton:hover { color:#fff; }"
    "QPushButton:checked { color:#efba44; }";

const char* const chooserButtonStyleSheet =
    "QPushButton { background-color:#333; color:#ccc; border:none; margin:0px; text-align:center; height:25px; max-width:25px; }"
    "QPushButton:hover { color:#fff; }";

const char* const materialDialogStyleSheet =
    "QDialog { background-color: #333; color: #ccc; }"
    "QPushButton { background-color: #333; color: #ccc; margin: 0px; border: 1px solid #555; min-width: 80px; padding: 6px 10px; }"
    "QPushButton:hover { color: #fff; }"
    "QPushButton:checked { color: #efba44; }"
    "QSlider::groove:horizontal { background-color: #555; height: 6px; border: none; margin: 4px 0px; }"
    "QSlider::handle:horizontal { background: transparent; width: 12px; margin: -4px 0px; }"
    "QSlider::sub-page:horizontal:enabled { background-color: #efba44; }"
    "QSlider::add-page:horizontal:enabled { background-color: #555; }"
    "QSlider::sub-page:horizontal:disabled { background-color: #666; }"
    "QSlider::add-page:horizontal:disabled { background-color: #555; }"
    "QGroupBox { background-color: #333; color: #ccc; padding: 0px; border: none; margin: 20px 0px 0px 0px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; }"
    "QGroupBox::indicator { width: 13px; height: 13px; }"
    "QGroupBox::indicator:checked { background-color: #efba44; }"
    "QGroupBox::indicator:unchecked { background-color: #555; }";

QStyle* sliderStyle() {
    static QPointer<MyStyle> style;
    if (!style) {
        style = new MyStyle;
        // goes with the application, after every dialog that used it
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace kal::style

int MyStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                       QStyleHintReturn* returnData) const {
    if (hint == QStyle::SH_Slider_AbsoluteSetButtons) return Qt::LeftButton | Qt::MiddleButton | Qt::RightButton;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
