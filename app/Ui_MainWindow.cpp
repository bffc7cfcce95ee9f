#include "app/Ui_MainWindow.h"

#include "app/ActionTable.h"
#include "app/Style.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <cstring>

using namespace kal::ui;

namespace {

// Member pointers lined up index by index with actionRows() and menuRows().
QAction* Ui_MainWindow::*const actionMembers[] = {
#define KAL_ACTION(order, name, ...) &Ui_MainWindow::name,
#include "app/ActionRows.h"
};

QMenu* Ui_MainWindow::*const menuMembers[] = {
#define KAL_MENU(name, ...) &Ui_MainWindow::name,
#include "app/ActionRows.h"
};

static_assert(sizeof(actionMembers) / sizeof(actionMembers[0]) == 264, "the window has 264 actions");
static_assert(sizeof(menuMembers) / sizeof(menuMembers[0]) == 48, "the window has 48 menus");

QString tr(const char* text) { return QCoreApplication::translate("MainWindow", text); }

bool isMenuBarEntry(const char* name) {
    for (const char* m : menuBarRows())
        if (std::strcmp(m, name) == 0) return true;
    return false;
}

// The menu that lists `name` as a submenu; null for the menu-bar menus.
const char* listingMenu(const char* name) {
    for (const MenuEntryRow& e : menuEntryRows())
        if (std::strcmp(e.entry, name) == 0) return e.menu;
    return nullptr;
}

// Equal icons are shared: one QIcon per distinct (off, on) pair of files.
class IconCache {
public:
    QIcon get(const char* off, const char* on) {
        const QString key = QString::fromLatin1(off) + QLatin1Char('|') + QString::fromLatin1(on);
        auto it = icons.find(key);
        if (it != icons.end()) return *it;
        QIcon icon;
        icon.addFile(QString::fromLatin1(off), QSize(), QIcon::Normal, QIcon::Off);
        if (*on) icon.addFile(QString::fromLatin1(on), QSize(), QIcon::Normal, QIcon::On);
        icons.insert(key, icon);
        return icon;
    }

private:
    QHash<QString, QIcon> icons;
};

} // namespace

void Ui_MainWindow::setupUi(QMainWindow* window) {
    if (window->objectName().isEmpty()) window->setObjectName(QStringLiteral("MainWindow"));
    window->resize(1280, 720);
    QSizePolicy policy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(window->sizePolicy().hasHeightForWidth());
    window->setSizePolicy(policy);
    window->setFocusPolicy(Qt::StrongFocus);
    window->setContextMenuPolicy(Qt::NoContextMenu);
    QIcon windowIcon;
    windowIcon.addFile(QStringLiteral(":/Icons/logo.ico"), QSize(), QIcon::Normal, QIcon::Off);
    window->setWindowIcon(windowIcon);
    window->setLayoutDirection(Qt::LeftToRight);
    window->setStyleSheet(QString::fromLatin1(kal::style::windowStyleSheet));

    IconCache icons;
    const Rows<ActionRow> rows = actionRows();
    for (int i = 0; i < rows.size(); ++i) {
        const ActionRow& r = rows[i];
        QAction* a = new QAction(window);
        a->setObjectName(QString::fromLatin1(r.name));
        if (r.flags & Checkable) a->setCheckable(true);
        if (r.flags & Checked) a->setChecked(true);
        if (r.flags & Disabled) a->setEnabled(false);
        if (*r.icon) a->setIcon(icons.get(r.icon, r.iconOn));
        if (r.flags & (Bold | Italic)) {
            QFont font;
            if (r.flags & Bold) {
                font.setBold(true);
                font.setWeight(75);
            }
            if (r.flags & Italic) font.setItalic(true);
            a->setFont(font);
        }
        this->*actionMembers[i] = a;
    }

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    horizontalLayout = new QHBoxLayout(centralWidget);
    horizontalLayout->setSpacing(0);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSizeConstraint(QLayout::SetNoConstraint);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);
    window->setCentralWidget(centralWidget);

    menuBar = new QMenuBar(window);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setMouseTracking(true);
    menuBar->setStyleSheet(QString::fromLatin1(kal::style::menuBarStyleSheet));
    menuBar->setNativeMenuBar(false);

    // Creation order puts every parent menu before its submenus.
    const Rows<MenuRow> mrows = menuRows();
    for (int i = 0; i < mrows.size(); ++i) {
        const MenuRow& r = mrows[i];
        QWidget* parent = menuBar;
        if (!isMenuBarEntry(r.name)) {
            const char* owner = listingMenu(r.name);
            if (QMenu* m = owner ? menu(owner) : nullptr) parent = m;
        }
        QMenu* m = new QMenu(parent);
        m->setObjectName(QString::fromLatin1(r.name));
        if (*r.icon) m->setIcon(icons.get(r.icon, ""));
        this->*menuMembers[i] = m;
    }

    window->setMenuBar(menuBar);
    statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setStyleSheet(QString::fromLatin1(kal::style::statusBarStyleSheet));
    window->setStatusBar(statusBar);

    for (const char* name : menuBarRows())
        if (QMenu* m = menu(name)) menuBar->addAction(m->menuAction());

    for (const MenuRow& r : mrows) {
        QMenu* m = menu(r.name);
        for (const MenuEntryRow& e : menuEntryRows()) {
            if (std::strcmp(e.menu, r.name) != 0) continue;
            if (isSeparator(e))
                m->addSeparator();
            else if (QMenu* sub = menu(e.entry))
                m->addAction(sub->menuAction());
            else if (QAction* a = action(e.entry))
                m->addAction(a);
        }
    }

    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void Ui_MainWindow::retranslateUi(QMainWindow* window) {
    window->setWindowTitle(tr("Kalvimor"));
    const Rows<ActionRow> rows = actionRows();
    for (int i = 0; i < rows.size(); ++i) {
        QAction* a = this->*actionMembers[i];
        if (!a) continue;
        const ActionRow& r = rows[i];
        a->setText(tr(r.text));
        if (*r.iconText) a->setIconText(tr(r.iconText));
        if (*r.toolTip) a->setToolTip(tr(r.toolTip));
        if (*r.statusTip) a->setStatusTip(tr(r.statusTip));
        if (*r.shortcut) a->setShortcut(QKeySequence(tr(r.shortcut), QKeySequence::NativeText));
    }
    const Rows<MenuRow> mrows = menuRows();
    for (int i = 0; i < mrows.size(); ++i) {
        QMenu* m = this->*menuMembers[i];
        if (!m) continue;
        if (*mrows[i].statusTip) m->setStatusTip(tr(mrows[i].statusTip));
        m->setTitle(tr(mrows[i].title));
    }
}

QAction* Ui_MainWindow::action(const char* name) const {
    const Rows<ActionRow> rows = actionRows();
    for (int i = 0; i < rows.size(); ++i)
        if (std::strcmp(rows[i].name, name) == 0) return this->*actionMembers[i];
    return nullptr;
}

QMenu* Ui_MainWindow::menu(const char* name) const {
    const Rows<MenuRow> rows = menuRows();
    for (int i = 0; i < rows.size(); ++i)
        if (std::strcmp(rows[i].name, name) == 0) return this->*menuMembers[i];
    return nullptr;
}
