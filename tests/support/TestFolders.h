#pragma once

#include <string>

namespace vxtest {

// Makes this test process's private folder and points the program's configuration and temporary
// folders into it: tests side by side never share a settings file nor touch the user's own.
void makeTestFolders();
// The private folder of this test process; removed when it ends.
const std::string& testRoot();
void removeTestFolders();

} // namespace vxtest
