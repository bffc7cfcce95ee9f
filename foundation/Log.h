#pragma once
// Diagnostics sink and the plain information box.
#include <string>

namespace kal {

// The program's log sink. Diagnostics go here and are discarded: nothing is written to
// a file, console or debugger channel. flag is 1 only for the log header line.
void writeLog(const std::string& text, int flag);

// Lets tests see what reaches the sink. Null (the default) restores plain discarding.
using LogCapture = void (*)(const std::string& text, int flag);
void setLogCapture(LogCapture capture);

// Modal "Kalvimor" information box with an OK button; needs a QApplication.
void showInformation(const std::string& text);

} // namespace kal
