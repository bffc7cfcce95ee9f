#pragma once
// A menu's entries as the expected table writes them: action and submenu names, "-" for a
// separator. Shared by the transcript test and the table dump tool.
#include <QAction>
#include <QMenu>
#include <QStringList>

inline QStringList entryNames(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (a->menu())
            out << a->menu()->objectName();
        else
            out << a->objectName();
    }
    return out;
}
