// Pins the whole built form against a hand-checked transcript of the menus
// (tests/app/ActionTableExpected.txt), independently of the rows the form is built from.
#include "app/ActionTable.h"
#include "app/Ui_MainWindow.h"
#include "MenuEntries.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextStream>

#include <memory>
#include <ostream>

// Readable failure messages; internal linkage so no other test file sees these.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
static void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

struct ExpectedAction {
    QString name, text, shortcut, icon, iconOn, toolTip, statusTip, iconText;
    int order = 0;
    QStringList flags;
};

struct ExpectedMenu {
    QString name, title, icon, statusTip;
};

struct Expected {
    QList<ExpectedAction> actions;
    QList<ExpectedMenu> menus;
    QHash<QString, QStringList> entries;
    QStringList menuBar;
    QString error;
};

QString unescape(const QString& s) {
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

Expected load() {
    Expected e;
    QFile file(QStringLiteral(KAL_SOURCE_DIR "/tests/app/ActionTableExpected.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        e.error = QStringLiteral("cannot open ") + file.fileName();
        return e;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        QStringList f = line.split(QLatin1Char('\t'));
        for (QString& s : f) s = unescape(s);
        const QString kind = f.takeFirst();
        if (kind == QLatin1String("action") && f.size() == 10) {
            ExpectedAction a;
            a.name = f[0];
            a.order = f[1].toInt();
            a.text = f[2];
            a.shortcut = f[3];
            if (f[4] != QLatin1String("-")) a.flags = f[4].split(QLatin1Char('|'));
            a.icon = f[5];
            a.iconOn = f[6];
            a.toolTip = f[7];
            a.statusTip = f[8];
            a.iconText = f[9];
            e.actions << a;
        } else if (kind == QLatin1String("menu") && f.size() == 4) {
            e.menus << ExpectedMenu{f[0], f[1], f[2], f[3]};
        } else if (kind == QLatin1String("entries") && !f.isEmpty()) {
            const QString menu = f.takeFirst();
            e.entries.insert(menu, f);
        } else if (kind == QLatin1String("menubar")) {
            e.menuBar = f;
        } else if (kind == QLatin1String("slots")) {
            // the main window's slot order, checked by the slot table test
        } else {
            e.error = QStringLiteral("bad line: ") + line;
            return e;
        }
    }
    return e;
}

struct Form {
    std::unique_ptr<QMainWindow> window = std::make_unique<QMainWindow>();
    Ui_MainWindow ui;
    Form() { ui.setupUi(window.get()); }
};

// Same picture as a fresh icon made from the file alone, in the given state.
bool showsFile(const QIcon& icon, const QString& path, QIcon::State state) {
    QIcon reference;
    reference.addFile(path, QSize(), QIcon::Normal, QIcon::Off);
    const QImage want = reference.pixmap(QSize(24, 24), QIcon::Normal, QIcon::Off).toImage();
    const QImage got = icon.pixmap(QSize(24, 24), QIcon::Normal, state).toImage();
    return !want.isNull() && want == got;
}

} // namespace

TEST(ActionTableTranscript, everyBuiltActionMatchesItsTranscribedRow) {
    const Expected e = load();
    ASSERT_TRUE(e.error.isEmpty()) << e.error.toStdString();
    Form f;
    const bool iconsLinked = QFile::exists(QStringLiteral(":/Icons/ico_linked.png"));

    // Creation order: the window's own actions come in the transcribed order.
    QStringList built;
    for (QAction* a : f.window->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        if (!a->objectName().isEmpty()) built << a->objectName();
    QStringList want;
    for (const ExpectedAction& x : e.actions) want << x.name;
    EXPECT_EQ(built, want);

    for (int i = 0; i < e.actions.size(); ++i) {
        const ExpectedAction& x = e.actions[i];
        SCOPED_TRACE(x.name.toStdString());
        EXPECT_EQ(x.order, i + 1);
        QAction* a = f.ui.action(x.name.toLatin1().constData());
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->objectName(), x.name);
        EXPECT_EQ(a->parent(), f.window.get());
        EXPECT_EQ(a->text(), x.text);
        if (!x.toolTip.isEmpty()) {
            EXPECT_EQ(a->toolTip(), x.toolTip);
        }
        if (!x.iconText.isEmpty()) {
            EXPECT_EQ(a->iconText(), x.iconText);
        }
        EXPECT_EQ(a->statusTip(), x.statusTip);
        EXPECT_EQ(a->shortcut(), QKeySequence(x.shortcut, QKeySequence::NativeText));
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), x.shortcut);
        EXPECT_EQ(a->isCheckable(), x.flags.contains(QLatin1String("Checkable")));
        EXPECT_EQ(a->isChecked(), x.flags.contains(QLatin1String("Checked")));
        EXPECT_EQ(a->isEnabled(), !x.flags.contains(QLatin1String("Disabled")));
        const bool bold = x.flags.contains(QLatin1String("Bold"));
        EXPECT_EQ(a->font().bold(), bold);
        if (bold) {
            EXPECT_EQ(a->font().weight(), 75);
        }
        EXPECT_EQ(a->font().italic(), x.flags.contains(QLatin1String("Italic")));
        EXPECT_EQ(a->icon().isNull(), x.icon.isEmpty());
        if (iconsLinked && !x.icon.isEmpty()) {
            EXPECT_TRUE(showsFile(a->icon(), x.icon, QIcon::Off)) << x.icon.toStdString();
            if (!x.iconOn.isEmpty()) {
                EXPECT_TRUE(showsFile(a->icon(), x.iconOn, QIcon::On)) << x.iconOn.toStdString();
            }
        }
        // The rows behind the form carry the exact file names and the slot mark.
        const kal::ui::ActionRow* row = kal::ui::findAction(x.name.toLatin1().constData());
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(QString::fromLatin1(row->icon), x.icon);
        EXPECT_EQ(QString::fromLatin1(row->iconOn), x.iconOn);
        EXPECT_EQ((row->flags & kal::ui::NoSlot) != 0, x.flags.contains(QLatin1String("NoSlot")));
    }
}

TEST(ActionTableTranscript, everyBuiltMenuMatchesItsTranscribedTitleParentAndEntries) {
    const Expected e = load();
    ASSERT_TRUE(e.error.isEmpty()) << e.error.toStdString();
    Form f;
    const bool iconsLinked = QFile::exists(QStringLiteral(":/Icons/ico_erase.png"));

    QStringList bar;
    for (QAction* a : f.ui.menuBar->actions()) bar << (a->menu() ? a->menu()->objectName() : a->objectName());
    EXPECT_EQ(bar, e.menuBar);

    const kal::ui::Rows<kal::ui::MenuRow> rows = kal::ui::menuRows();
    ASSERT_EQ(rows.size(), e.menus.size());
    for (int i = 0; i < e.menus.size(); ++i) {
        const ExpectedMenu& x = e.menus[i];
        SCOPED_TRACE(x.name.toStdString());
        EXPECT_EQ(QString::fromLatin1(rows[i].name), x.name); // creation order
        EXPECT_EQ(QString::fromLatin1(rows[i].icon), x.icon);
        QMenu* m = f.ui.menu(x.name.toLatin1().constData());
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->objectName(), x.name);
        EXPECT_EQ(m->title(), x.title);
        EXPECT_EQ(m->statusTip(), x.statusTip);
        EXPECT_EQ(m->icon().isNull(), x.icon.isEmpty());
        if (iconsLinked && !x.icon.isEmpty()) {
            EXPECT_TRUE(showsFile(m->icon(), x.icon, QIcon::Off));
        }
        EXPECT_EQ(entryNames(m), e.entries.value(x.name));

        QObject* wantParent = f.ui.menuBar;
        for (auto it = e.entries.begin(); it != e.entries.end(); ++it)
            if (it.value().contains(x.name)) wantParent = f.ui.menu(it.key().toLatin1().constData());
        EXPECT_EQ(m->parent(), wantParent);
    }
}
