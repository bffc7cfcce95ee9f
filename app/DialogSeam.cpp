// Every modal question of the window, asked of a user or of a test's answerer.
#include "app/Dialogs.h"
#include "app/FileNames.h"

#include "app/ParameterDialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace kal {

Reply Dialogs::ask(const Question& question) { return answerer(question); }

bool Dialogs::askYesNo(const QString& title, const QString& text) {
    if (answerer) return ask({Question::YesNo, title, text}).accepted;
    return QMessageBox::question(dialogParent(), title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void Dialogs::inform(const QString& title, const QString& text) {
    if (answerer) {
        ask({Question::Information, title, text});
        return;
    }
    QMessageBox::information(dialogParent(), title, text);
}

void Dialogs::warn(const QString& title, const QString& text) {
    if (answerer) {
        ask({Question::Warning, title, text});
        return;
    }
    QMessageBox::warning(dialogParent(), title, text);
}

QStringList Dialogs::openFileNames(const QString& title, const QString& folder, const QString& filter) {
    if (answerer) {
        const Reply r = ask({Question::OpenFiles, title, filter, folder});
        return r.accepted ? r.files : QStringList();
    }
    return QFileDialog::getOpenFileNames(dialogParent(), title, folder, filter);
}

QString Dialogs::openFileName(const QString& title, const QString& folder, const QString& filter) {
    if (answerer) {
        const Reply r = ask({Question::OpenFile, title, filter, folder});
        return r.accepted && !r.files.isEmpty() ? r.files.first() : QString();
    }
    return QFileDialog::getOpenFileName(dialogParent(), title, folder, filter);
}

QString Dialogs::saveFileName(const QString& title, const QString& folder, const QString& filter) {
    if (answerer) {
        const Reply r = ask({Question::SaveFile, title, filter, folder});
        return r.accepted && !r.files.isEmpty() ? r.files.first() : QString();
    }
    return QFileDialog::getSaveFileName(dialogParent(), title, folder, filter);
}

double Dialogs::askNumber(const ui::ParameterQuestion& q, double present, bool* accepted) {
    if (!answerer) return ::askNumber(dialogParent(), q, present, accepted);
    Question question{Question::Number, QString::fromUtf8(q.title), QString::fromUtf8(q.label)};
    question.present = present;
    const Reply r = ask(question);
    if (accepted) *accepted = r.accepted;
    if (!r.accepted || !std::isfinite(r.number)) return present;
    // what the real field would have let through
    const double scale = std::pow(10.0, q.decimals);
    return std::clamp(std::round(r.number * scale) / scale, q.minimum, q.maximum);
}

bool Dialogs::exec(QDialog* dialog) {
    if (answerer) {
        Question question{Question::Dialog, dialog->windowTitle()};
        question.dialog = dialog;
        return ask(question).accepted;
    }
    return dialog->exec() == QDialog::Accepted;
}

std::string Dialogs::askObjectFileName() {
    const QString name = saveFileName(tr("Save Object"), QStringLiteral("../Scenes/Objects/"),
                                      tr("All (*.ko *.obj);;Object (*.ko);;Meshes (*.obj)"));
    return name.toUtf8().toStdString();
}

void Dialogs::objectSaveFailed(const std::string& path, const std::string& why) {
    warn(tr("Save Object"), tr("Could not write ") + fileWithReason(QString::fromStdString(path), why));
}

void Dialogs::outOfMemory() { warn(tr("Kalvimor"), tr("Not enough memory: the command was not carried out.")); }

bool Dialogs::askRotationMultiplicity(double& value) {
    bool ok = false;
    const double answer = askNumber(ui::rotationMultiplicityQuestion, value, &ok);
    if (ok) value = answer;
    return ok;
}

bool Dialogs::openUrl(const QUrl& url) {
    if (answerer) return ask({Question::Url, QString(), url.toString()}).accepted;
    return QDesktopServices::openUrl(url);
}

} // namespace kal
