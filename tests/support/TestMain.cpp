// Entry point of the plain test binaries that link the view: the registries are filled first,
// as main() fills them.
#include <gtest/gtest.h>

#include "viewport/Registries.h"

int main(int argc, char** argv) {
    kal::registerAll();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
