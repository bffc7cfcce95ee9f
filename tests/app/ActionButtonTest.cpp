#include "app/ActionButton.h"
#include "app/Style.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QWidgetAction>

namespace {

// Stands in for the main window's chooser slots.
class ChooserTarget : public QObject {
    Q_OBJECT
public:
    int opened = 0;
public slots:
    void loadBackgroundColor_triggered() { ++opened; }
};

ActionButton* buttonIn(QWidgetAction* wa) { return wa ? wa->defaultWidget()->findChild<ActionButton*>() : nullptr; }

QPushButton* chooserIn(QWidgetAction* wa) {
    for (QPushButton* b : wa->defaultWidget()->findChildren<QPushButton*>())
        if (!qobject_cast<ActionButton*>(b)) return b;
    return nullptr;
}

} // namespace

TEST(ActionButton, mirrorsTheActionAndFollowsEveryChange) {
    QAction action("Glow", nullptr);
    action.setCheckable(true);
    action.setStatusTip("status");
    action.setToolTip("tip");
    ActionButton button(&action);
    EXPECT_EQ(button.text(), "Glow");
    EXPECT_EQ(button.statusTip(), "status");
    EXPECT_EQ(button.toolTip(), "tip");
    EXPECT_TRUE(button.isCheckable());
    EXPECT_FALSE(button.isChecked());
    EXPECT_EQ(button.styleSheet(), QLatin1String(kal::style::actionButtonStyleSheet));

    action.setChecked(true);
    EXPECT_TRUE(button.isChecked());
    action.setEnabled(false);
    EXPECT_FALSE(button.isEnabled());
    action.setEnabled(true);
    EXPECT_TRUE(button.isEnabled());
    action.setText("Glow!");
    EXPECT_EQ(button.text(), "Glow!");
    action.setCheckable(false);
    EXPECT_FALSE(button.isCheckable());
}

TEST(ActionButton, clickTriggersTheActionOnce) {
    QAction action("Wireframe", nullptr);
    action.setCheckable(true);
    ActionButton button(&action);
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    button.click();
    EXPECT_EQ(triggered, 1);
    EXPECT_TRUE(action.isChecked());
    EXPECT_TRUE(button.isChecked());
    button.click();
    EXPECT_EQ(triggered, 2);
    EXPECT_FALSE(action.isChecked());
    EXPECT_FALSE(button.isChecked());
}

TEST(ActionButton, exclusiveGroupKeepsEveryButtonInStep) {
    QActionGroup group(nullptr);
    QAction color("Color", &group), image("Image", &group), environment("Environment", &group);
    for (QAction* a : {&color, &image, &environment}) a->setCheckable(true);
    color.setChecked(true);
    ActionButton colorButton(&color), imageButton(&image), environmentButton(&environment);

    imageButton.click();
    EXPECT_TRUE(image.isChecked());
    EXPECT_FALSE(color.isChecked());
    EXPECT_TRUE(imageButton.isChecked());
    EXPECT_FALSE(colorButton.isChecked());
    EXPECT_FALSE(environmentButton.isChecked());

    // Clicking the member that is already checked cannot uncheck it; the button must agree.
    imageButton.click();
    EXPECT_TRUE(image.isChecked());
    EXPECT_TRUE(imageButton.isChecked());
}

TEST(ActionButton, withoutAnActionItIsAnEmptyButtonThatDoesNothing) {
    ActionButton button(nullptr);
    EXPECT_TRUE(button.text().isEmpty());
    EXPECT_FALSE(button.isCheckable());
    button.click();
    button.updateButtonStatusFromAction();
    EXPECT_TRUE(button.text().isEmpty());
}

TEST(ActionButton, outlivingItsActionIsHarmless) {
    auto* action = new QAction("Hi-res", nullptr);
    action->setCheckable(true);
    ActionButton button(action);
    delete action;
    button.click();
    button.updateButtonStatusFromAction();
    EXPECT_EQ(button.boundAction(), nullptr);
    EXPECT_EQ(button.text(), "Hi-res");
}

TEST(AddActionButton, replacesTheEntryInPlaceAndKeepsTheActionAlive) {
    QObject window;
    QMenu menu;
    auto* before = menu.addAction("Selection");
    auto* glow = new QAction("Glow", &window);
    glow->setCheckable(true);
    glow->setShortcut(QKeySequence("Alt+Shift+F1"));
    menu.addAction(glow);
    auto* after = menu.addAction("Contour");

    QWidgetAction* wa = addActionButton(glow, &menu);
    ASSERT_TRUE(wa);
    EXPECT_EQ(menu.actions(), (QList<QAction*>{before, wa, after}));
    EXPECT_EQ(glow->parent(), &window);
    EXPECT_EQ(glow->shortcut(), QKeySequence("Alt+Shift+F1"));

    ActionButton* button = buttonIn(wa);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->boundAction(), glow);
    auto* layout = qobject_cast<QHBoxLayout*>(wa->defaultWidget()->layout());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->spacing(), 0);
    EXPECT_EQ(layout->contentsMargins(), QMargins(0, 0, 0, 0));
    EXPECT_EQ(layout->count(), 1);

    // The shortcut path triggers the action itself; the button follows.
    glow->trigger();
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(addActionButton(glow, nullptr), nullptr);
}

TEST(AddActionButton, chooserOpensItsSlotWithoutTouchingTheAction) {
    QMenu menu;
    QActionGroup group(nullptr);
    QAction color("Color", &group), image("Image", &group);
    color.setCheckable(true);
    image.setCheckable(true);
    image.setChecked(true);
    menu.addAction(&color);
    menu.addAction(&image);
    ChooserTarget target;
    int triggered = 0;
    QObject::connect(&color, &QAction::triggered, [&] { ++triggered; });

    QWidgetAction* wa = addActionButtonWithChooser(&color, &menu, &target, SLOT(loadBackgroundColor_triggered()));
    QPushButton* chooser = chooserIn(wa);
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->text(), "...");
    EXPECT_EQ(chooser->styleSheet(), QLatin1String(kal::style::chooserButtonStyleSheet));
    auto* layout = qobject_cast<QHBoxLayout*>(wa->defaultWidget()->layout());
    ASSERT_EQ(layout->count(), 2);
    EXPECT_EQ(layout->itemAt(0)->widget(), buttonIn(wa));
    EXPECT_EQ(layout->itemAt(1)->widget(), chooser);
    EXPECT_EQ(layout->stretch(0), 4);
    EXPECT_EQ(layout->stretch(1), 1);

    chooser->click();
    EXPECT_EQ(target.opened, 1);
    EXPECT_EQ(triggered, 0);
    EXPECT_FALSE(color.isChecked());
    EXPECT_TRUE(image.isChecked());
    EXPECT_EQ(menu.actions().first(), wa);
}

#include "ActionButtonTest.moc"
