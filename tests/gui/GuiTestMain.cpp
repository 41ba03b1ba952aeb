// The GUI tests' main: one offscreen QApplication and private folders.

#include "draw/ViewFonts.h"
#include "support/TestFolders.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    vxtest::makeTestFolders();
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    vx::installTextMeasurer();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    vxtest::removeTestFolders();
    return result;
}
