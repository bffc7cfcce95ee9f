#pragma once
// The one global dialog object. It relays the colour and material dialogs into the value they
// edit: each change is written at once (the viewport shows it), OK keeps it, Cancel puts the value
// saved at opening back. The view polls it for the live material edit (MaterialEditSource).
// It is also the one place every modal question of the window passes through (message boxes,
// file dialogs, number questions, dialogs built in code, the help address), so that tests can
// answer them and read back what was asked.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

#include "app/DialogTypes.h"
#include "viewport/GLView.h"

class MaterialDialog;
class QColor;
class QColorDialog;
class QDialog;
class QUrl;
class QWidget;

namespace kal {

namespace ui {
struct ParameterQuestion;
}

// One modal question as an answerer sees it.
struct Question {
    enum Kind { YesNo, Information, Warning, OpenFiles, OpenFile, SaveFile, Number, Dialog, Url };
    Question(Kind k, QString title_, QString text_ = QString(), QString folder_ = QString())
        : kind(k), title(std::move(title_)), text(std::move(text_)), folder(std::move(folder_)) {}
    Kind kind;
    QString title;
    QString text;              // message, label of the number, file filter, or the address
    QString folder;            // where a file dialog starts
    double present = 0;        // the number's present value
    QDialog* dialog = nullptr; // a dialog built in code, for the answerer to fill in
};

struct Reply {
    bool accepted = false; // Yes, OK, or a file chosen
    QStringList files;
    double number = 0;
};

class Dialogs : public QObject, public MaterialEditSource {
    Q_OBJECT
public:
    Dialogs();
    ~Dialogs() override;

    wvec4* colorTarget = nullptr;
    wvec4 savedColor;
    QPointer<QColorDialog> colorDialog;
    pbr* materialTarget = nullptr;
    int32_t* maskTarget = nullptr;
    pbr savedMaterial;
    uint32_t savedMask = 0;
    QPointer<MaterialDialog> materialDialog;

    // Opens the colour dialog on colour, editing it live.
    void chooseColor(wvec4* colour, const QString& title);
    // Opens the material dialog on material, and on mask when one is given.
    void editMaterial(pbr* material, int32_t* mask, const QString& title);

    // Parent of every dialog: the main window once it exists.
    void setMainWindow(QWidget* window);
    QWidget* dialogParent() const;

    // --- the seam of modal questions ---
    // Tests set this to answer every question below instead of a user; empty, the real dialogs run.
    std::function<Reply(const Question&)> answerer;
    bool askYesNo(const QString& title, const QString& text);
    void inform(const QString& title, const QString& text);
    void warn(const QString& title, const QString& text);
    QStringList openFileNames(const QString& title, const QString& folder, const QString& filter);
    QString openFileName(const QString& title, const QString& folder, const QString& filter);
    QString saveFileName(const QString& title, const QString& folder, const QString& filter);
    // The present value back on Cancel; `accepted` (when given) tells which button closed it.
    double askNumber(const ui::ParameterQuestion& question, double present, bool* accepted = nullptr);
    // Runs a dialog built in code modally; true when accepted.
    bool exec(QDialog* dialog);
    // True when something took the address (an answerer: when it accepted).
    bool openUrl(const QUrl& url);

    // --- what the view reads of the live material edit on a tool (openMaterialDialog) ---
    pbr currentMaterial() override;
    uint8_t currentMask() override;
    bool dialogOpen() override;
    bool accepted() override;
    // --- the questions the viewport's steps ask ---
    std::string askObjectFileName() override;
    void objectSaveFailed(const std::string& path, const std::string& why) override;
    void outOfMemory() override;
    bool askRotationMultiplicity(double& value) override;
    // Edits a copy of the tool's material: the view applies it to the tool every frame, and a
    // tool deleted while the dialog is up leaves nothing to write into.
    bool openMaterialDialog(Tool* tool) override;
    pbr toolMaterial;

public slots:
    void setDialogColor(QColor color);
    void setDialogMaterial(kal::pbr mat, kal::byte mask);
    void setDialogMask(kal::byte mask);
    void setDialogOK();
    void setDialogCancel();

private:
    bool accepted_ = false;
    QPointer<QWidget> mainWindow_;
    // Ends one kind of dialog; keep false puts the saved value back first.
    void closeColor(bool keep);
    void closeMaterial(bool keep);
    // The dialog that sent OK or Cancel: only that one ends; a direct call ends both.
    void closeSender(bool keep);
    Reply ask(const Question& question);
};

// Created before start-up, never deleted.
extern Dialogs* dialogs;

} // namespace kal
