#pragma once

#include <string>

namespace vxtest {

// The private folder of this test process; removed when it ends.
const std::string& testRoot();

} // namespace vxtest
