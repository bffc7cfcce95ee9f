// Writes the built main-window form in the transcript format of tests/app/ActionTableExpected.txt,
// so that a reference parsed by check_action_table.py can be diffed against it line by line:
//     dump_action_table /tmp/built.txt && grep -v '^#' tests/app/ActionTableExpected.txt | diff - /tmp/built.txt
// (the table's "slots" line has no counterpart here). In a sanitizer build set
// ASAN_OPTIONS=detect_leaks=0: Qt's platform plugin keeps its screen until exit.
#include "app/ActionTable.h"
#include "app/Ui_MainWindow.h"
#include "../MenuEntries.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextStream>

#include <cstdio>

namespace {

QString escaped(QString s) { return s.replace(QLatin1String("\\"), QLatin1String("\\\\")); }

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dump_action_table OUTPUT.txt\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) {
        std::fprintf(stderr, "dump_action_table: cannot write %s\n", argv[1]);
        return 1;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    int order = 0;
    for (const kal::ui::ActionRow& r : kal::ui::actionRows()) {
        QAction* a = ui.action(r.name);
        if (!a) {
            std::fprintf(stderr, "dump_action_table: no action %s\n", r.name);
            return 1;
        }
        QStringList flags;
        if (a->font().bold()) flags << QStringLiteral("Bold");
        if (a->isCheckable()) flags << QStringLiteral("Checkable");
        if (a->isChecked()) flags << QStringLiteral("Checked");
        if (!a->isEnabled()) flags << QStringLiteral("Disabled");
        if (a->font().italic()) flags << QStringLiteral("Italic");
        if (r.flags & kal::ui::NoSlot) flags << QStringLiteral("NoSlot");
        const QStringList fields = {
            QStringLiteral("action"),
            a->objectName(),
            QString::number(++order),
            escaped(a->text()),
            escaped(a->shortcut().toString(QKeySequence::PortableText)),
            flags.isEmpty() ? QStringLiteral("-") : flags.join(QLatin1Char('|')),
            QString::fromLatin1(r.icon),
            QString::fromLatin1(r.iconOn),
            *r.toolTip ? escaped(a->toolTip()) : QString(),
            escaped(a->statusTip()),
            *r.iconText ? escaped(a->iconText()) : QString(),
        };
        out << fields.join(QLatin1Char('\t')) << '\n';
    }
    for (const kal::ui::MenuRow& r : kal::ui::menuRows()) {
        QMenu* m = ui.menu(r.name);
        if (!m) {
            std::fprintf(stderr, "dump_action_table: no menu %s\n", r.name);
            return 1;
        }
        out << QStringList{QStringLiteral("menu"), m->objectName(), escaped(m->title()), QString::fromLatin1(r.icon),
                           escaped(m->statusTip())}
                   .join(QLatin1Char('\t'))
            << '\n';
    }
    for (const kal::ui::MenuRow& r : kal::ui::menuRows())
        out << (QStringList{QStringLiteral("entries"), QString::fromLatin1(r.name)} + entryNames(ui.menu(r.name)))
                   .join(QLatin1Char('\t'))
            << '\n';
    QStringList bar{QStringLiteral("menubar")};
    for (QAction* a : ui.menuBar->actions()) bar << (a->menu() ? a->menu()->objectName() : a->objectName());
    out << bar.join(QLatin1Char('\t')) << '\n';
    return 0;
}
