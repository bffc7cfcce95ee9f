#include "foundation/Log.h"

#include <QMessageBox>
#include <QString>

namespace kal {

namespace {
LogCapture logCapture = nullptr;
} // namespace

void writeLog(const std::string& text, int flag) {
    if (logCapture) logCapture(text, flag);
}

void setLogCapture(LogCapture capture) { logCapture = capture; }

void showInformation(const std::string& text) {
    // all bytes by length, so an embedded zero does not cut the text short
    QMessageBox::information(nullptr, QStringLiteral("Kalvimor"), QString::fromUtf8(text.data(), int(text.size())),
                             QMessageBox::Ok, QMessageBox::NoButton);
}

} // namespace kal
