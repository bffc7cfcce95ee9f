#include "app/Dialogs.h"

#include "app/MaterialDialog.h"
#include "scene/Tool.h"

#include <QApplication>
#include <QColorDialog>

namespace kal {

Dialogs* dialogs = new Dialogs;

Dialogs::Dialogs() { registerDialogTypes(); }

Dialogs::~Dialogs() {
    closeColor(true);
    closeMaterial(true);
}

void Dialogs::setMainWindow(QWidget* window) { mainWindow_ = window; }

QWidget* Dialogs::dialogParent() const {
    if (mainWindow_) return mainWindow_;
    // a popup menu is no parent for a dialog that outlives it
    QWidget* active = QApplication::activeWindow();
    return active && !(active->windowType() == Qt::Popup) ? active : nullptr;
}

void Dialogs::chooseColor(wvec4* colour, const QString& title) {
    // a second opening must not leave the first colour edited for good
    if (colorDialog) closeColor(false);
    accepted_ = true;
    colorTarget = colour;
    savedColor = *colour;
    QColorDialog* d = new QColorDialog(dialogParent());
    d->setOption(QColorDialog::DontUseNativeDialog);
    colorDialog = d;
    d->setCurrentColor(QColor::fromRgba(qRgba(colour->r >> 8, colour->g >> 8, colour->b >> 8, colour->a >> 8)));
    d->setWindowTitle(title);
    d->setOption(QColorDialog::ShowAlphaChannel);
    connect(d, SIGNAL(currentColorChanged(QColor)), this, SLOT(setDialogColor(QColor)));
    connect(d, SIGNAL(accepted()), this, SLOT(setDialogOK()));
    connect(d, SIGNAL(rejected()), this, SLOT(setDialogCancel()));
    // a dialog that dies with its parent leaves nothing to write into
    connect(d, &QObject::destroyed, this, [this] { colorTarget = nullptr; });
    d->open();
}

void Dialogs::editMaterial(pbr* material, int32_t* mask, const QString& title) {
    if (materialDialog) closeMaterial(false);
    accepted_ = true;
    savedMaterial = *material;
    materialTarget = material;
    savedMask = mask ? uint32_t(*mask) : 0;
    maskTarget = mask;
    MaterialDialog* d = new MaterialDialog(*material, dialogParent(), mask ? int(*mask & 0xFF) : -1);
    materialDialog = d;
    d->setWindowTitle(title);
    connect(d, SIGNAL(currentMaterialChanged(kal::pbr, kal::byte)), this, SLOT(setDialogMaterial(kal::pbr, kal::byte)));
    if (mask) connect(d, SIGNAL(currentMaskChanged(kal::byte)), this, SLOT(setDialogMask(kal::byte)));
    connect(d, SIGNAL(accepted()), this, SLOT(setDialogOK()));
    connect(d, SIGNAL(rejected()), this, SLOT(setDialogCancel()));
    connect(d, &QObject::destroyed, this, [this] {
        // closed by its parent's death, not by OK: the edit counts as not accepted
        materialTarget = nullptr;
        maskTarget = nullptr;
        accepted_ = false;
    });
    d->open();
}

void Dialogs::setDialogColor(QColor color) {
    if (!colorTarget) return;
    const QRgb c = color.rgba();
    // 255 must come back as 65535: the high byte repeated, not shifted in alone
    colorTarget->r = uint16_t(qRed(c) * 257);
    colorTarget->g = uint16_t(qGreen(c) * 257);
    colorTarget->b = uint16_t(qBlue(c) * 257);
    colorTarget->a = uint16_t(qAlpha(c) * 257);
}

void Dialogs::setDialogMaterial(kal::pbr mat, kal::byte mask) {
    if (materialTarget) pbrCopyMasked(*materialTarget, mat, mask);
    if (!maskTarget) savedMask = mask;
}

void Dialogs::setDialogMask(kal::byte mask) {
    if (maskTarget) *maskTarget = int32_t(mask);
}

void Dialogs::setDialogOK() {
    accepted_ = true;
    closeSender(true);
}

void Dialogs::setDialogCancel() {
    accepted_ = false;
    closeSender(false);
}

void Dialogs::closeSender(bool keep) {
    QObject* from = sender();
    const bool both = !from || (from != colorDialog && from != materialDialog);
    if (both || from == colorDialog) closeColor(keep);
    if (both || from == materialDialog) closeMaterial(keep);
}

void Dialogs::closeColor(bool keep) {
    if (!colorDialog) return;
    if (!keep && colorTarget) *colorTarget = savedColor;
    colorTarget = nullptr;
    QColorDialog* d = colorDialog;
    colorDialog = nullptr;
    d->disconnect(this);
    d->close();
    // we may be inside the dialog's own accepted() or rejected()
    d->deleteLater();
}

void Dialogs::closeMaterial(bool keep) {
    if (!materialDialog) return;
    if (!keep) {
        if (materialTarget) *materialTarget = savedMaterial;
        if (maskTarget) *maskTarget = int32_t(savedMask);
    }
    if (materialTarget) savedMaterial = *materialTarget;
    materialTarget = nullptr;
    maskTarget = nullptr;
    MaterialDialog* d = materialDialog;
    materialDialog = nullptr;
    d->disconnect(this);
    d->close();
    d->deleteLater();
}

bool Dialogs::openMaterialDialog(Tool* tool) {
    if (!tool) return false;
    // re-arming would restore the copy the earlier dialog edited: take the tool's value after it
    if (materialDialog) closeMaterial(false);
    toolMaterial = tool->material;
    editMaterial(&toolMaterial, nullptr, tr("Material"));
    return materialDialog != nullptr;
}

// The view follows only the dialog opened on a tool: a brush dialog opened meanwhile is not its.
pbr Dialogs::currentMaterial() { return toolMaterial; }

uint8_t Dialogs::currentMask() { return uint8_t(savedMask & 0xFF); }

bool Dialogs::dialogOpen() { return materialDialog && materialDialog->isVisible() && materialTarget == &toolMaterial; }

bool Dialogs::accepted() { return accepted_; }

} // namespace kal
