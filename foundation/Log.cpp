#include "foundation/Log.h"

namespace kal {

Q_LOGGING_CATEGORY(logFiles, "kal.files", QtWarningMsg)
Q_LOGGING_CATEGORY(logGpu, "kal.gpu", QtWarningMsg)
Q_LOGGING_CATEGORY(logGL, "kal.gl", QtWarningMsg)

void applyLogSwitch() {
    if (qEnvironmentVariableIntValue("KAL_LOG") == 1)
        QLoggingCategory::setFilterRules(QStringLiteral("kal.*.debug=true"));
}

} // namespace kal
