#pragma once

#include <string>

namespace vxtest {

// Makes this test process's private folder, and its configuration and
// temporary folders the program is pointed at, so that tests running side
// by side never share a settings file and never touch the user's own.
void makeTestFolders();
// The private folder of this test process; removed when it ends.
const std::string& testRoot();
void removeTestFolders();

} // namespace vxtest
