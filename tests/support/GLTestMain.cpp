// Entry point of every GL test binary: a QApplication on the xcb platform (Xvfb in CI),
// because offscreen platforms cannot create GL contexts.
#include "GLTestContext.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!kal::test::ensureGLContext()) return 1;
    return RUN_ALL_TESTS();
}
