#pragma once
// The value types that travel through the dialogs' signals, known to Qt's type system so that
// signal spies and queued connections can carry them.
#include <QMetaType>

#include "foundation/Pbr.h"

Q_DECLARE_METATYPE(kal::pbr)
Q_DECLARE_METATYPE(kal::wvec4)

// Registers the types under the names the signals use; later calls do nothing new.
inline void registerDialogTypes() {
    qRegisterMetaType<kal::pbr>("kal::pbr");
    qRegisterMetaType<kal::wvec4>("kal::wvec4");
    qRegisterMetaType<kal::byte>("kal::byte");
}
