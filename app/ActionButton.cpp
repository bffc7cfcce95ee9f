#include "app/ActionButton.h"

#include "app/Style.h"
#include "app/Ui_MainWindow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QWidgetAction>

ActionButton::ActionButton(QAction* boundTo) : QPushButton(nullptr), action(boundTo) {
    updateButtonStatusFromAction();
    if (action) {
        connect(action, &QAction::changed, this, &ActionButton::updateButtonStatusFromAction);
        connect(this, &QPushButton::clicked, action, &QAction::trigger);
        // Re-mirror after the trigger: clicking the checked member of an exclusive group leaves
        // the action checked without emitting changed, while the button has already toggled itself.
        connect(this, &QPushButton::clicked, this, &ActionButton::updateButtonStatusFromAction);
    }
    setStyleSheet(QString::fromLatin1(kal::style::actionButtonStyleSheet));
}

void ActionButton::updateButtonStatusFromAction() {
    if (!action) return;
    setText(action->text());
    setStatusTip(action->statusTip());
    setToolTip(action->toolTip());
    setIcon(action->icon());
    setEnabled(action->isEnabled());
    setCheckable(action->isCheckable());
    setChecked(action->isChecked());
}

namespace {

QWidgetAction* embed(QAction* action, QMenu* menu, QPushButton* chooser) {
    // The menu owns the widget action, so it goes with the menu.
    auto* widgetAction = new QWidgetAction(menu);
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* button = new ActionButton(action);
    if (chooser) {
        layout->addWidget(button, 4);
        layout->addWidget(chooser, 1);
    } else {
        layout->addWidget(button, 0);
    }
    widgetAction->setDefaultWidget(container);
    menu->insertAction(action, widgetAction);
    if (action) menu->removeAction(action);
    return widgetAction;
}

} // namespace

QWidgetAction* addActionButton(QAction* action, QMenu* menu) {
    if (!menu) return nullptr;
    return embed(action, menu, nullptr);
}

QWidgetAction* addActionButtonWithChooser(QAction* action, QMenu* menu, QObject* receiver, const char* slot) {
    if (!menu) return nullptr;
    auto* chooser = new QPushButton(QStringLiteral("..."));
    chooser->setStyleSheet(QString::fromLatin1(kal::style::chooserButtonStyleSheet));
    QWidgetAction* widgetAction = embed(action, menu, chooser);
    if (receiver && slot) QObject::connect(chooser, SIGNAL(clicked(bool)), receiver, slot);
    return widgetAction;
}

void addMenuButtons(const Ui_MainWindow& ui, QObject* window) {
    struct Row {
        QAction* action;
        QMenu* menu;
        const char* chooser; // slot of the window, or null for a plain button
    };
    const Row rows[] = {
        {ui.actionColor_4, ui.menuBackground, SLOT(loadBackgroundColor_triggered())},
        {ui.actionImage, ui.menuBackground, SLOT(loadBackgroundImage_triggered())},
        {ui.actionEnvironment, ui.menuBackground, SLOT(loadEnvironment_triggered())},
        {ui.actionEnvironment_Rotation, ui.menuBackground, nullptr},
        {ui.actionDefault_Light, ui.menuBackground, nullptr},
        {ui.actionDefault_Dark, ui.menuBackground, nullptr},
        {ui.actionSelection, ui.menuRender, nullptr},
        {ui.actionWireframe, ui.menuRender, nullptr},
        {ui.actionEdge_Detection, ui.menuRender, nullptr},
        {ui.actionHi_res, ui.menuRender, nullptr},
        {ui.actionGlow, ui.menuEffects, nullptr},
        {ui.actionLens_Chromatism, ui.menuEffects, nullptr},
        {ui.actionObjects_Chromatism, ui.menuEffects, nullptr},
    };
    for (const Row& r : rows) {
        if (!r.action) continue; // an action the window took away keeps no button
        if (r.chooser)
            addActionButtonWithChooser(r.action, r.menu, window, r.chooser);
        else
            addActionButton(r.action, r.menu);
    }
}
