#pragma once
// The driver's own messages (GL debug output) for KAL_GL_DEBUG=1: every message is a warning of
// kal.gl, "GL <type>: <text>", so a failing call says what failed instead of leaving a black frame.
class QObject;
class QSurfaceFormat;

namespace kal {

// KAL_GL_DEBUG=1 is set.
bool glDebugRequested();
// The format asks for a debug context (contexts made without it may stay silent).
void requestGLDebugContext(QSurfaceFormat& format);
// Starts logging the current context's messages synchronously, so each arrives in the call that
// caused it; the logger is a child of owner. False when the context offers no debug output.
bool startGLDebugOutput(QObject* owner);

} // namespace kal
