#include "viewport/GLDebugOutput.h"

#include <QOpenGLDebugLogger>
#include <QSurfaceFormat>

#include "foundation/Log.h"

namespace kal {

namespace {

const char* typeName(QOpenGLDebugMessage::Type type) {
    switch (type) {
    case QOpenGLDebugMessage::ErrorType: return "error";
    case QOpenGLDebugMessage::DeprecatedBehaviorType: return "deprecated";
    case QOpenGLDebugMessage::UndefinedBehaviorType: return "undefined behaviour";
    case QOpenGLDebugMessage::PortabilityType: return "portability";
    case QOpenGLDebugMessage::PerformanceType: return "performance";
    default: return "message";
    }
}

} // namespace

bool glDebugRequested() { return qEnvironmentVariableIntValue("KAL_GL_DEBUG") == 1; }

void requestGLDebugContext(QSurfaceFormat& format) { format.setOption(QSurfaceFormat::DebugContext); }

bool startGLDebugOutput(QObject* owner) {
    auto* logger = new QOpenGLDebugLogger(owner);
    if (!logger->initialize()) {
        delete logger;
        qCWarning(logGL, "ERROR GL debug output: the context offers none");
        return false;
    }
    QObject::connect(logger, &QOpenGLDebugLogger::messageLogged, [](const QOpenGLDebugMessage& message) {
        qCWarning(logGL).noquote() << QStringLiteral("GL %1: %2").arg(typeName(message.type()), message.message());
    });
    logger->startLogging(QOpenGLDebugLogger::SynchronousLogging);
    return true;
}

} // namespace kal
