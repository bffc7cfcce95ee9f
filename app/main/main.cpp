// Entry point: predicates, application, GL surface format, font, the window, the event loop.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "viewport/GLWidget.h"
#include "viewport/Registries.h"
#include "foundation/Log.h"
#include "foundation/Predicates.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QSurfaceFormat>
#include <QWindow>

int main(int argc, char** argv) {
    kal::exactinit();
    kal::applyLogSwitch();
    kal::registerAll();
    kal::Application app(argc, argv);
    // The resource collection registers itself when the program loads.

    // Before any window exists, so the viewport asks for a 4.0 core context with a deep depth buffer.
    QSurfaceFormat::setDefaultFormat(GLWidget::requiredFormat());

    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    QApplication::setFont(font);

    MainWindow window(nullptr);
    window.showMaximized();

    // Keeps a border on a full-screen window so menus can open above the GL surface; only the
    // Windows platform offers it.
    using BorderFunction = void (*)(QWindow*, bool);
    if (QFunctionPointer f = QGuiApplication::platformFunction("WindowsSetHasBorderInFullScreen"))
        reinterpret_cast<BorderFunction>(f)(window.windowHandle(), true);

    return app.exec();
}
