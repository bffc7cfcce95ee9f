// Entry point of every GL test binary: a QApplication on the xcb platform (Xvfb in CI),
// because offscreen platforms cannot create GL contexts. Binaries that link the view fill the
// registries first, as main() does (KAL_TEST_REGISTER_ALL).
#include "GLTestContext.h"

#include <QApplication>
#include <gtest/gtest.h>

#ifdef KAL_TEST_REGISTER_ALL
#include "viewport/Registries.h"
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!kal::test::ensureGLContext()) return 1;
#ifdef KAL_TEST_REGISTER_ALL
    kal::registerAll();
#endif
    return RUN_ALL_TESTS();
}
