// Toolbars, exclusive groups and the embedded menu buttons, built on a real form.
#include "app/ActionButton.h"
#include "app/ActionGroups.h"
#include "app/Style.h"
#include "app/ToolBars.h"
#include "app/Ui_MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <cstring>
#include <memory>

namespace {

// Stands in for the main window's three chooser slots.
class ChooserWindow : public QMainWindow {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void loadBackgroundColor_triggered() { opened << "color"; }
    void loadBackgroundImage_triggered() { opened << "image"; }
    void loadEnvironment_triggered() { opened << "environment"; }
};

struct Form {
    std::unique_ptr<ChooserWindow> window = std::make_unique<ChooserWindow>();
    Ui_MainWindow ui;
    Form() { ui.setupUi(window.get()); }
};

QStringList barNames(QToolBar* bar) {
    QStringList out;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            out << "-";
        else if (a->menu())
            out << a->menu()->objectName();
        else
            out << a->objectName();
    }
    return out;
}

QStringList namesOf(kal::ui::Rows<const char*> rows) {
    QStringList out;
    for (const char* n : rows) out << QString::fromLatin1(n);
    return out;
}

ActionButton* buttonFor(QMenu* menu, QAction* action) {
    for (QAction* a : menu->actions())
        if (auto* wa = qobject_cast<QWidgetAction*>(a))
            if (auto* b = wa->defaultWidget()->findChild<ActionButton*>())
                if (b->boundAction() == action) return b;
    return nullptr;
}

QPushButton* chooserFor(QMenu* menu, QAction* action) {
    ActionButton* b = buttonFor(menu, action);
    if (!b) return nullptr;
    for (QPushButton* p : b->parentWidget()->findChildren<QPushButton*>())
        if (p != b) return p;
    return nullptr;
}

} // namespace

TEST(ToolBars, rowsNameOnlyExistingActionsAndMenus) {
    Form f;
    for (auto rows : {kal::ui::fullToolBarRows(), kal::ui::simpleToolBarRows()})
        for (const char* n : rows) EXPECT_TRUE(std::strcmp(n, "-") == 0 || f.ui.action(n) || f.ui.menu(n)) << n;
    // The simple bar is the full one without the advanced entries.
    QSet<QString> full;
    for (const char* n : kal::ui::fullToolBarRows()) full.insert(n);
    for (const char* n : kal::ui::simpleToolBarRows()) EXPECT_TRUE(full.contains(n)) << n;
    EXPECT_EQ(namesOf(kal::ui::fullToolBarRows()).count("-"), 3);
    EXPECT_EQ(namesOf(kal::ui::simpleToolBarRows()).count("-"), 2);
}

TEST(ToolBars, filledBarHoldsItsRunsAndOpensMenusAtOnce) {
    Form f;
    QToolBar* bar = makeToolBar(f.window.get());
    EXPECT_EQ(bar->parent(), f.window.get());
    EXPECT_EQ(bar->iconSize(), QSize(24, 24));
    EXPECT_FALSE(bar->isMovable());
    EXPECT_TRUE(bar->objectName().isEmpty());
    EXPECT_EQ(bar->styleSheet(), QLatin1String(kal::style::toolBarStyleSheet));

    fillToolBar(bar, f.ui, kal::ui::fullToolBarRows());
    EXPECT_EQ(barNames(bar), namesOf(kal::ui::fullToolBarRows()));

    setInstantPopup(bar);
    const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>();
    ASSERT_FALSE(buttons.isEmpty());
    for (QToolButton* b : buttons) EXPECT_EQ(b->popupMode(), QToolButton::InstantPopup);

    // A name the form no longer holds is skipped rather than added as a hole.
    QToolBar* simple = makeToolBar(f.window.get());
    delete f.ui.actionGroups;
    f.ui.actionGroups = nullptr;
    fillToolBar(simple, f.ui, kal::ui::simpleToolBarRows());
    EXPECT_EQ(barNames(simple).size(), kal::ui::simpleToolBarRows().size() - 1);
    EXPECT_FALSE(barNames(simple).contains("actionGroups"));
}

TEST(ActionGroups, everyGroupIsExclusiveOverCheckableActions) {
    Form f;
    const int sizes[] = {2, 17, 3, 27, 3, 11, 8, 3, 33, 4, 3, 3, 5};
    for (int g = 1; g <= kal::ui::actionGroupCount; ++g) {
        QActionGroup* group = makeActionGroup(f.window.get(), f.ui, g);
        ASSERT_TRUE(group) << g;
        EXPECT_TRUE(group->isExclusive());
        EXPECT_EQ(group->actions().size(), sizes[g - 1]) << g;
        for (const char* n : kal::ui::actionGroupRows(g)) EXPECT_TRUE(f.ui.action(n)) << n;
    }
    EXPECT_EQ(makeActionGroup(f.window.get(), f.ui, 0), nullptr);
    EXPECT_EQ(makeActionGroup(f.window.get(), f.ui, 14), nullptr);
    EXPECT_EQ(kal::ui::actionGroupRows(99).size(), 0);

    // No action belongs to two groups: a later group would silently steal it.
    QSet<QString> seen;
    for (int g = 1; g <= kal::ui::actionGroupCount; ++g) {
        QSet<QString> here;
        for (const char* n : kal::ui::actionGroupRows(g)) here.insert(n);
        EXPECT_FALSE(seen.intersects(here)) << g;
        seen.unite(here);
    }
}

TEST(ActionGroups, checkingOneMemberUnchecksTheOthers) {
    Form f;
    makeActionGroup(f.window.get(), f.ui, 11);
    f.ui.actionColor_4->setChecked(true);
    f.ui.actionImage->trigger();
    EXPECT_TRUE(f.ui.actionImage->isChecked());
    EXPECT_FALSE(f.ui.actionColor_4->isChecked());
    EXPECT_FALSE(f.ui.actionEnvironment->isChecked());

    // Same Depth is the projection checked at start.
    makeActionGroup(f.window.get(), f.ui, 13);
    f.ui.actionOn_Normal->trigger();
    EXPECT_TRUE(f.ui.actionOn_Normal->isChecked());
    EXPECT_FALSE(f.ui.actionSame_Depth->isChecked());
}

TEST(MenuButtons, thirteenEntriesBecomeButtonsInTheirPlaces) {
    Form f;
    const int renderEntries = f.ui.menuRender->actions().size();
    addMenuButtons(f.ui, f.window.get());
    EXPECT_EQ(f.ui.menuRender->actions().size(), renderEntries);

    int buttons = 0;
    for (QMenu* m : {f.ui.menuRender, f.ui.menuEffects, f.ui.menuBackground})
        for (QAction* a : m->actions())
            if (qobject_cast<QWidgetAction*>(a)) ++buttons;
    EXPECT_EQ(buttons, 13);
    // Bloom and Fog stay plain entries; Glow became a button at the head of Effects.
    EXPECT_TRUE(f.ui.menuEffects->actions().contains(f.ui.actionBloom));
    EXPECT_FALSE(f.ui.menuEffects->actions().contains(f.ui.actionGlow));
    EXPECT_EQ(
        buttonFor(f.ui.menuEffects, f.ui.actionGlow),
        qobject_cast<QWidgetAction*>(f.ui.menuEffects->actions().first())->defaultWidget()->findChild<ActionButton*>());
    EXPECT_EQ(f.ui.actionGlow->parent(), f.window.get());

    // Edge Detection starts checked; its button shows it and follows the action.
    ActionButton* edges = buttonFor(f.ui.menuRender, f.ui.actionEdge_Detection);
    ASSERT_TRUE(edges);
    EXPECT_TRUE(edges->isChecked());
    f.ui.actionEdge_Detection->setChecked(false);
    EXPECT_FALSE(edges->isChecked());
    EXPECT_EQ(chooserFor(f.ui.menuRender, f.ui.actionEdge_Detection), nullptr);
}

TEST(MenuButtons, choosersReachTheirSlotsAndLeaveTheSourceAlone) {
    Form f;
    makeActionGroup(f.window.get(), f.ui, 11);
    f.ui.actionEnvironment->setChecked(true);
    addMenuButtons(f.ui, f.window.get());

    QPushButton* color = chooserFor(f.ui.menuBackground, f.ui.actionColor_4);
    QPushButton* image = chooserFor(f.ui.menuBackground, f.ui.actionImage);
    QPushButton* environment = chooserFor(f.ui.menuBackground, f.ui.actionEnvironment);
    ASSERT_TRUE(color && image && environment);
    color->click();
    image->click();
    environment->click();
    EXPECT_EQ(f.window->opened, (QStringList{"color", "image", "environment"}));
    EXPECT_TRUE(f.ui.actionEnvironment->isChecked());
    EXPECT_FALSE(f.ui.actionColor_4->isChecked());

    // Clicking the Image button switches the source; the others' buttons drop their mark.
    buttonFor(f.ui.menuBackground, f.ui.actionImage)->click();
    EXPECT_TRUE(f.ui.actionImage->isChecked());
    EXPECT_FALSE(buttonFor(f.ui.menuBackground, f.ui.actionEnvironment)->isChecked());
}

#include "WindowPartsTest.moc"
