// The walk that lines saved shortcuts up with the actions they return to.
#include "app/MenuWalk.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QToolBar>

#include <memory>

namespace {

// root: a, [sub1: b, [sub2: c]], d ; sub3 (child of root, not listed): e
struct Tree {
    std::unique_ptr<QMenu> root = std::make_unique<QMenu>();
    QMenu* sub1 = new QMenu(root.get());
    QMenu* sub2 = new QMenu(sub1);
    QMenu* sub3 = new QMenu(root.get());
    QAction* a = root->addAction("a");
    QAction* b = nullptr;
    QAction* c = nullptr;
    QAction* d = nullptr;
    QAction* e = nullptr;
    Tree() {
        root->addMenu(sub1);
        b = sub1->addAction("b");
        sub1->addMenu(sub2);
        c = sub2->addAction("c");
        d = root->addAction("d");
        e = sub3->addAction("e");
        a->setShortcut(QKeySequence("F1"));
        b->setShortcut(QKeySequence("F2"));
        c->setShortcut(QKeySequence("Ctrl+F3"));
        e->setShortcut(QKeySequence("E"));
    }
};

QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->menu() ? "[" + a->menu()->title() + "]" : a->text());
    return out;
}

} // namespace

TEST(MenuWalk, visitsOwnActionsThenEachDescendantMenuDepthFirst) {
    Tree t;
    t.sub1->setTitle("sub1");
    t.sub2->setTitle("sub2");
    // submenu entries are visited like any action; sub3 is reached through the widget tree
    EXPECT_EQ(texts(menuWalk(t.root.get())), QStringList({"a", "[sub1]", "d", "b", "[sub2]", "c", "e"}));
    EXPECT_TRUE(menuWalk(nullptr).isEmpty());
}

TEST(MenuWalk, repeatedWalkVisitsNestedMenusOncePerAncestor) {
    Tree t;
    const QList<QAction*> once = menuWalk(t.root.get());
    const QList<QAction*> repeated = menuWalkRepeated(t.root.get());
    // sub2 sits below sub1, so its action comes once from the root and once again from sub1
    EXPECT_EQ(repeated.count(t.c), 2);
    EXPECT_EQ(once.count(t.c), 1);
    for (QAction* a : once) EXPECT_TRUE(repeated.contains(a));
}

TEST(MenuWalk, clearedShortcutsComeBackToTheSameActions) {
    Tree t;
    QList<QKeySequence> saved;
    captureMenuShortcuts(t.root.get(), saved);
    ASSERT_EQ(saved.size(), menuWalk(t.root.get()).size());

    clearMenuShortcuts(t.root.get());
    for (QAction* a : menuWalk(t.root.get())) EXPECT_TRUE(a->shortcut().isEmpty());

    applyMenuShortcuts(t.root.get(), saved);
    EXPECT_EQ(t.a->shortcut(), QKeySequence("F1"));
    EXPECT_EQ(t.b->shortcut(), QKeySequence("F2"));
    EXPECT_EQ(t.c->shortcut(), QKeySequence("Ctrl+F3"));
    EXPECT_EQ(t.e->shortcut(), QKeySequence("E"));
    EXPECT_TRUE(t.d->shortcut().isEmpty());
}

TEST(MenuWalk, applyingAShortListLeavesTheRestWithoutKeys) {
    Tree t;
    const QList<QKeySequence> shortList = {QKeySequence("X")};
    applyMenuShortcuts(t.root.get(), shortList);
    EXPECT_EQ(t.a->shortcut(), QKeySequence("X"));
    EXPECT_TRUE(t.b->shortcut().isEmpty());
    EXPECT_TRUE(t.e->shortcut().isEmpty());
}

TEST(MenuWalk, toolbarWalkSeesOnlyItsOwnActions) {
    Tree t;
    QToolBar bar;
    bar.addAction(t.a);
    bar.addAction(t.sub1->menuAction());
    // the submenu belongs to its own parent menu, not to the bar
    EXPECT_EQ(menuWalk(&bar), QList<QAction*>({t.a, t.sub1->menuAction()}));
}
