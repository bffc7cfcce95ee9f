#include "app/Application.h"

#include <new>

#include "app/Dialogs.h"

namespace kal {

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        dialogs->outOfMemory();
        return false;
    }
}

} // namespace kal
