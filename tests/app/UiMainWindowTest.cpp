#include "app/ActionTable.h"
#include "app/ShortcutConflicts.h"
#include "app/Style.h"
#include "app/Ui_MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <cstring>
#include <memory>

namespace {

// Counts how often the by-name connection reaches the window.
class SlotWindow : public QMainWindow {
    Q_OBJECT
public:
    int newCount = 0;
    int glowCount = 0;
public slots:
    void on_actionNew_triggered() { ++newCount; }
    void on_actionGlow_triggered() { ++glowCount; }
};

struct Form {
    std::unique_ptr<SlotWindow> window = std::make_unique<SlotWindow>();
    Ui_MainWindow ui;
    Form() { ui.setupUi(window.get()); }
};

} // namespace

TEST(UiMainWindow, buildsEveryActionAndMenuAsChildrenOfTheWindow) {
    Form f;
    const QList<QAction*> menuActions = f.window->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
    int actions = 0;
    for (QAction* a : menuActions)
        if (a->objectName().startsWith("action")) ++actions;
    EXPECT_EQ(actions, 264);
    EXPECT_EQ(f.window->findChildren<QMenu*>().size(), 48);

    // Members point at the objects of the same name; submenus hang under the menu that lists them.
    for (const kal::ui::ActionRow& r : kal::ui::actionRows()) {
        QAction* a = f.ui.action(r.name);
        ASSERT_TRUE(a) << r.name;
        EXPECT_EQ(a->objectName(), QLatin1String(r.name));
        EXPECT_EQ(a->parent(), f.window.get());
    }
    for (const kal::ui::MenuEntryRow& e : kal::ui::menuEntryRows())
        if (QMenu* sub = f.ui.menu(e.entry)) {
            EXPECT_EQ(sub->parent(), f.ui.menu(e.menu)) << e.entry;
        }
    EXPECT_EQ(f.ui.menuFile->parent(), f.ui.menuBar);
    EXPECT_EQ(f.ui.actionNew, f.ui.action("actionNew"));
    EXPECT_EQ(f.ui.menuDelete_4, f.ui.menu("menuDelete_4"));
    EXPECT_EQ(f.ui.action("actionNoSuchThing"), nullptr);
}

// The texts, shortcuts, states and tips of every row are compared with the hand-checked table by
// the transcript test; what is left here holds against Qt's own key codes and font weights.
TEST(UiMainWindow, shortcutsAndFontsMatchQtsOwnCodes) {
    Form f;
    // A few keys checked against Qt's own key codes rather than the table's text.
    EXPECT_EQ(f.ui.actionRedo->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    EXPECT_EQ(f.ui.actionFULL_MODE->shortcut(), QKeySequence(Qt::Key_QuoteLeft));
    EXPECT_EQ(f.ui.actionGeneral->shortcut(), QKeySequence(Qt::Key_Backslash));
    EXPECT_EQ(f.ui.actionRotation_Items_2->shortcut(), QKeySequence(Qt::Key_BraceRight));
    EXPECT_EQ(f.ui.actionIK_Chain_Reset->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_EQ(f.ui.actionNext_Tool->shortcut(), QKeySequence(Qt::Key_Apostrophe));
    EXPECT_EQ(f.ui.actionBackspace->shortcut(), QKeySequence(Qt::Key_Backspace));
    EXPECT_EQ(f.ui.actionPerspective->shortcut(), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_F6));

    EXPECT_TRUE(f.ui.actionType->font().bold());
    EXPECT_EQ(f.ui.actionType->font().weight(), 75);
    EXPECT_FALSE(f.ui.actionType->font().italic());
    EXPECT_TRUE(f.ui.actionAXIS->font().bold() && f.ui.actionAXIS->font().italic());
    EXPECT_TRUE(f.ui.actionClosed->font().italic());
    EXPECT_FALSE(f.ui.actionClosed->font().bold());
}

TEST(UiMainWindow, equalIconsAreSharedAndTwoStateIconsCarryBothStates) {
    Form f;
    EXPECT_EQ(f.ui.actionSimple_Delete->icon().cacheKey(), f.ui.menuErase->icon().cacheKey());
    EXPECT_EQ(f.ui.menuDelete->icon().cacheKey(), f.ui.menuDelete_3->icon().cacheKey());
    EXPECT_NE(f.ui.actionCube->icon().cacheKey(), f.ui.actionSphere->icon().cacheKey());

    if (!QFile::exists(":/Icons/ico_linked.png")) GTEST_SKIP() << "icon resources are not linked in";
    for (QAction* a : {f.ui.actionAdd_Linked, f.ui.actionFULL_MODE, f.ui.actionGroups}) {
        const QImage off = a->icon().pixmap(24, QIcon::Normal, QIcon::Off).toImage();
        const QImage on = a->icon().pixmap(24, QIcon::Normal, QIcon::On).toImage();
        EXPECT_FALSE(off.isNull());
        EXPECT_FALSE(on.isNull());
        EXPECT_NE(off, on) << a->objectName().toStdString();
    }
}

TEST(UiMainWindow, iconFilesDecodeAtTheSizesTheyAreShownAt) {
    // Read from the source tree, so a file that Qt cannot decode shows up even without resources.
    const QString dir = QStringLiteral(KAL_SOURCE_DIR "/resources/");
    QSet<QString> files;
    for (const kal::ui::ActionRow& r : kal::ui::actionRows()) {
        if (*r.icon) files.insert(QString::fromLatin1(r.icon + 2));
        if (*r.iconOn) files.insert(QString::fromLatin1(r.iconOn + 2));
    }
    for (const QString& f : files) {
        const QImage image(dir + f);
        ASSERT_FALSE(image.isNull()) << f.toStdString();
        EXPECT_EQ(image.size(), QSize(24, 24)) << f.toStdString();
        EXPECT_TRUE(image.hasAlphaChannel()) << f.toStdString();
    }

    const QImage indicator(dir + "Icons/menu_indicator.png");
    EXPECT_EQ(indicator.size(), QSize(6, 6));
    const QImage empty(dir + "Icons/empty.png");
    ASSERT_FALSE(empty.isNull());
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x) ASSERT_EQ(qAlpha(empty.pixel(x, y)), 0);

    if (!QImageReader::supportedImageFormats().contains("ico")) GTEST_SKIP() << "no ico reader";
    QImageReader logo(dir + "Icons/logo.ico");
    QImage first = logo.read();
    ASSERT_FALSE(first.isNull()) << logo.errorString().toStdString();
    EXPECT_EQ(first.size(), QSize(32, 32));
}

TEST(UiMainWindow, windowSkeletonHasTheDarkLookAndAnEdgeToEdgeCentre) {
    Form f;
    QMainWindow* w = f.window.get();
    EXPECT_EQ(w->objectName(), "MainWindow");
    EXPECT_EQ(w->windowTitle(), "Kalvimor");
    EXPECT_EQ(w->size(), QSize(1280, 720));
    EXPECT_EQ(w->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    EXPECT_EQ(w->sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
    EXPECT_EQ(w->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(w->contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_EQ(w->styleSheet(), QLatin1String(kal::style::windowStyleSheet));

    EXPECT_EQ(w->centralWidget(), f.ui.centralWidget);
    EXPECT_EQ(f.ui.centralWidget->layout(), f.ui.horizontalLayout);
    EXPECT_EQ(f.ui.horizontalLayout->spacing(), 0);
    EXPECT_EQ(f.ui.horizontalLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    EXPECT_EQ(f.ui.horizontalLayout->count(), 0);
    EXPECT_EQ(f.ui.horizontalLayout->sizeConstraint(), QLayout::SetNoConstraint);

    EXPECT_EQ(w->menuBar(), f.ui.menuBar);
    EXPECT_FALSE(f.ui.menuBar->isNativeMenuBar());
    EXPECT_TRUE(f.ui.menuBar->hasMouseTracking());
    EXPECT_EQ(f.ui.menuBar->styleSheet(), QLatin1String(kal::style::menuBarStyleSheet));
    EXPECT_EQ(w->statusBar(), f.ui.statusBar);
    EXPECT_EQ(f.ui.statusBar->objectName(), "statusBar");
    EXPECT_EQ(f.ui.statusBar->styleSheet(), QLatin1String(kal::style::statusBarStyleSheet));
}

TEST(UiMainWindow, aWindowThatAlreadyHasANameKeepsIt) {
    QMainWindow w;
    w.setObjectName("Sculptor");
    Ui_MainWindow ui;
    ui.setupUi(&w);
    EXPECT_EQ(w.objectName(), "Sculptor");
    EXPECT_EQ(w.windowTitle(), "Kalvimor");
}

TEST(UiMainWindow, actionsReachTheirSlotsByName) {
    Form f;
    f.ui.actionNew->trigger();
    f.ui.actionGlow->trigger();
    f.ui.actionGlow->trigger();
    f.ui.actionOpen->trigger(); // no slot on this window: nothing happens
    EXPECT_EQ(f.window->newCount, 1);
    EXPECT_EQ(f.window->glowCount, 2);
}

TEST(StyleSheets, areTranscribedWhole) {
    EXPECT_EQ(std::strlen(kal::style::windowStyleSheet), 98u);
    EXPECT_EQ(std::strlen(kal::style::menuBarStyleSheet), 884u);
    EXPECT_EQ(std::strlen(kal::style::statusBarStyleSheet), 54u);
    EXPECT_EQ(std::strlen(kal::style::toolBarStyleSheet), 668u);
    EXPECT_EQ(std::strlen(kal::style::progressBarStyleSheet), 158u);
    EXPECT_EQ(std::strlen(kal::style::actionButtonStyleSheet), 211u);
    EXPECT_EQ(std::strlen(kal::style::chooserButtonStyleSheet), 156u);
    // The sheets name images that must exist under these exact paths.
    EXPECT_NE(std::strstr(kal::style::menuBarStyleSheet, "url(:/Icons/menu_indicator.png)"), nullptr);
    EXPECT_NE(std::strstr(kal::style::menuBarStyleSheet, "url(:/Icons/empty.png)"), nullptr);
    EXPECT_NE(std::strstr(kal::style::toolBarStyleSheet, "url(:/Icons/menu_indicator.png)"), nullptr);
}

TEST(ShortcutConflicts, theBareFormHasExactlyTheFiveSharedKeys) {
    Form f;
    const QList<ShortcutConflict> conflicts = findShortcutConflicts(f.window->findChildren<QAction*>());
    QStringList keys;
    for (const ShortcutConflict& c : conflicts) {
        keys << c.key.toString(QKeySequence::PortableText);
        EXPECT_EQ(c.actions.size(), 2);
    }
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"Alt+[", "D", "F1", "F2", "F3"}));
}

TEST(ShortcutConflicts, hiddenDisabledAndClearedActionsHoldNoKey) {
    QAction a(nullptr), b(nullptr), c(nullptr);
    for (QAction* x : {&a, &b, &c}) x->setShortcut(QKeySequence("F1"));
    EXPECT_EQ(findShortcutConflicts({&a, &b, &c}).size(), 1);
    EXPECT_EQ(findShortcutConflicts({&a, &b, &c}).front().actions.size(), 3);
    b.setVisible(false);
    c.setEnabled(false);
    EXPECT_TRUE(findShortcutConflicts({&a, &b, &c}).isEmpty());
    c.setEnabled(true);
    EXPECT_EQ(findShortcutConflicts({&a, &b, &c}).size(), 1);
    c.setShortcut(QKeySequence());
    EXPECT_TRUE(findShortcutConflicts({&a, &b, &c}).isEmpty());
    // The same action listed twice is one holder, not a conflict.
    EXPECT_TRUE(findShortcutConflicts({&a, &a, nullptr}).isEmpty());
}

TEST(ShortcutConflicts, assemblyOwningTheSharedKeysLeavesNone) {
    // What the finished window does: drop the two spare actions and let only the active
    // mode's menu tree hold its keys.
    Form f;
    delete f.ui.actionDynamics;
    delete f.ui.actionDraw_Rotation_Items_3;
    for (QMenu* m : f.ui.menuSculpt->findChildren<QMenu*>())
        for (QAction* a : m->actions()) a->setShortcut(QKeySequence());
    EXPECT_TRUE(findShortcutConflicts(f.window->findChildren<QAction*>()).isEmpty());
}

#include "UiMainWindowTest.moc"
