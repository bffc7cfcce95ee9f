#include "gpu/ProgressHook.h"

#include <QOpenGLWidget>
#include <QProgressBar>

namespace kal {

QProgressBar* theProgressBar = nullptr;
QOpenGLWidget* theGLWidget = nullptr;

ProgressScope::ProgressScope() : bar_(theProgressBar)
{
    if (bar_ && theGLWidget)
        theGLWidget->doneCurrent();
}

ProgressScope::~ProgressScope()
{
    if (bar_ && theGLWidget)
        theGLWidget->makeCurrent();
}

void beginProgress(const char* format, int maximum)
{
    ProgressScope scope;
    if (!scope.bar())
        return;
    scope.bar()->setFormat(QString::fromUtf8(format));
    scope.bar()->setRange(0, maximum);
    scope.bar()->setValue(0);
    scope.bar()->show();
}

void setProgress(int value)
{
    ProgressScope scope;
    if (!scope.bar())
        return;
    scope.bar()->setValue(value);
    // Paint now: the event loop does not run until the build is over.
    scope.bar()->repaint();
    if (scope.bar()->maximum() == value)
        scope.bar()->hide();
}

} // namespace kal
