#include "foundation/Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kal {

namespace {

LogCapture logCapture = nullptr;

bool stderrFromEnvironment() {
    const char* value = std::getenv("KAL_LOG");
    return value && std::strcmp(value, "1") == 0;
}

bool toStderr = stderrFromEnvironment();

} // namespace

void writeLog(const std::string& text, int flag) {
    if (logCapture) logCapture(text, flag);
    // all bytes by length, so an embedded zero does not cut the line short
    if (toStderr) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
}

void logToStderr(bool on) { toStderr = on; }

void setLogCapture(LogCapture capture) { logCapture = capture; }

} // namespace kal
