#include "support/TestFolders.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    vxtest::makeTestFolders();
    const int result = RUN_ALL_TESTS();
    vxtest::removeTestFolders();
    return result;
}
