// The Array action: with Ctrl held it first asks for the item sequence, the mode and whether to
// forget the picked items, then makes the next inserted object an array.
#include "app/ArrayDialog.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/GLWorkGuard.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace kal::ui {

namespace {

enum EntryKind : uint32_t { Cyclic = 0, Head = 1, Tail = 2 };

} // namespace

QString printArrayItems(const std::vector<uint32_t>& items) {
    QString text;
    for (size_t i = 0; i < items.size(); ++i) {
        const uint32_t e = items[i];
        const uint32_t kind = e >> 30;
        if (i > 0) text += QLatin1Char(' ');
        if (kind == Head) text += QLatin1Char('/');
        text += QString::number((e >> 15) & 0x7FFF) + QLatin1Char('-') + QString::number(e & 0x7FFF);
        if (kind == Tail) text += QLatin1Char('/');
    }
    return text;
}

std::vector<uint32_t> parseArrayItems(const QString& text) {
    std::vector<uint32_t> items;
    for (QString token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        uint32_t kind = Cyclic;
        if (token.startsWith(QLatin1Char('/'))) {
            token.remove(0, 1);
            kind = Head;
        } else if (token.endsWith(QLatin1Char('/'))) {
            token.chop(1);
            kind = Tail;
        }
        const QStringList parts = token.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (parts.isEmpty()) continue;
        bool ok = false;
        const int item = parts[0].toInt(&ok, 10);
        if (!ok) continue;
        int multiplicity = 1;
        if (parts.size() > 1) {
            const int m = parts[1].toInt(&ok, 10);
            if (ok) multiplicity = m;
        }
        items.push_back(kind << 30 | (uint32_t(item) & 0x7FFF) << 15 | (uint32_t(multiplicity) & 0x7FFF));
    }
    return items;
}

} // namespace kal::ui

namespace {

// Asks for the sequence, the mode and Clear Items and applies an accepted answer to the view;
// true when the sequence and mode changed.
bool askArraySettings(QWidget* parent, kal::GLView* v) {
    QDialog dialog(parent, Qt::WindowFlags());
    dialog.setWindowTitle(QObject::tr("Array"));
    auto* label = new QLabel(QStringLiteral("Item-Multiplicity  ( %1 Items )").arg(v->addedTools.size()), &dialog);
    auto* items = new QLineEdit(kal::ui::printArrayItems(v->arrayItems), &dialog);
    items->setObjectName(QStringLiteral("items"));
    auto* mode = new QComboBox(&dialog);
    mode->setObjectName(QStringLiteral("mode"));
    mode->addItems({QStringLiteral("Simple"), QStringLiteral("Chain"), QStringLiteral("Zipper")});
    mode->setCurrentIndex(v->arrayMode);
    auto* clear = new QCheckBox(QStringLiteral("Clear Items"), &dialog);
    clear->setObjectName(QStringLiteral("clearItems"));
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    QObject::connect(ok, SIGNAL(pressed()), &dialog, SLOT(accept()));
    QObject::connect(cancel, SIGNAL(pressed()), &dialog, SLOT(reject()));

    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(label);
    column->addWidget(items);
    auto* choices = new QHBoxLayout;
    choices->addWidget(mode);
    choices->addWidget(clear);
    column->addLayout(choices);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);

    if (!kal::dialogs->exec(&dialog)) return false;
    if (clear->isChecked()) v->addedTools.clear();
    std::vector<uint32_t> entries = kal::ui::parseArrayItems(items->text());
    if (entries.empty()) return false;
    v->setArrayItems(mode->currentIndex(), std::move(entries));
    return true;
}

} // namespace

void MainWindow::on_actionArray_triggered() {
    if (!modeGuard(kal::ASSEMBLY, ui->actionArray)) return;
    restorePlacementCommand();
    kal::GLView* v = view();
    const bool changed = ctrlHeld() && askArraySettings(this, v);
    {
        kal::GLWorkGuard gl;
        // a pending array was built from the old settings: it is built anew
        if (changed && v->insertKind == kal::InsertKind::Array)
            v->rebuildInsertTool();
        else
            v->makeInsertTool(kal::InsertKind::Array, true);
    }
    // the factory may refuse the kind: the check mark shows the kind in force
    showViewState(ui->actionArray);
    showChoice(ui->menuArrays, ui->actionArray);
}
