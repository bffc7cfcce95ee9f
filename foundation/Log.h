#pragma once
// The program's logging categories. Warnings reach stderr as in any Qt program; KAL_LOG=1 adds the
// debug lines (QT_LOGGING_RULES still has the last word).
#include <QLoggingCategory>

namespace kal {

Q_DECLARE_LOGGING_CATEGORY(logFiles) // kal.files: files read, written or refused
Q_DECLARE_LOGGING_CATEGORY(logGpu)   // kal.gpu: GL objects that could not be made
Q_DECLARE_LOGGING_CATEGORY(logGL)    // kal.gl: the driver's own messages (KAL_GL_DEBUG=1)

// Turns the debug lines on when KAL_LOG=1; start-up calls it once.
void applyLogSwitch();

} // namespace kal
