#pragma once
// The program's diagnostics sink.
#include <string>

namespace kal {

// Writes one line of diagnostics: to stderr when KAL_LOG=1 (or after logToStderr(true)), to the
// capture tests install, and nowhere else. flag is 1 only for the log header line.
void writeLog(const std::string& text, int flag);

// Turns stderr output on or off, whatever KAL_LOG said at start-up.
void logToStderr(bool on);

// Lets tests see what reaches the sink. Null (the default) removes the capture.
using LogCapture = void (*)(const std::string& text, int flag);
void setLogCapture(LogCapture capture);

} // namespace kal
