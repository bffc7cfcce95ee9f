#include "app/ActionButton.h"

#include "app/Style.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QWidgetAction>

ActionButton::ActionButton(QAction* boundTo)
    : QPushButton(nullptr), action(boundTo)
{
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

void ActionButton::updateButtonStatusFromAction()
{
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

QWidgetAction* embed(QAction* action, QMenu* menu, QPushButton* chooser)
{
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

QWidgetAction* addActionButton(QAction* action, QMenu* menu)
{
    if (!menu) return nullptr;
    return embed(action, menu, nullptr);
}

QWidgetAction* addActionButtonWithChooser(QAction* action, QMenu* menu, QObject* receiver, const char* slot)
{
    if (!menu) return nullptr;
    auto* chooser = new QPushButton(QStringLiteral("..."));
    chooser->setStyleSheet(QString::fromLatin1(kal::style::chooserButtonStyleSheet));
    QWidgetAction* widgetAction = embed(action, menu, chooser);
    if (receiver && slot) QObject::connect(chooser, SIGNAL(clicked(bool)), receiver, slot);
    return widgetAction;
}
