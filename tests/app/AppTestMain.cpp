// Widgets need the program's application object before the first test, and the registries filled
// as main() fills them; this main replaces gtest_main's.
#include <gtest/gtest.h>

#include "app/Application.h"

#include "viewport/Registries.h"

// The offscreen platform plugin keeps its screen objects past exit; our own allocations are
// still checked, since a leaked widget or action starts its stack in our code.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libqoffscreen.so\n"
           "leak:QScreen::QScreen\n"
           "leak:QPlatformScreen::QPlatformScreen\n"
           "leak:QWindowSystemInterface::handleScreenAdded\n";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    kal::Application app(argc, argv);
    kal::registerAll();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
