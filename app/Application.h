#pragma once
// The program's QApplication. Every command of the window arrives as an event: one that runs out
// of memory ends there and the user hears why, instead of the exception leaving the event loop.
#include <QApplication>

namespace kal {

class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kal
