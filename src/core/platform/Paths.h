#pragma once
// Per-user folders. VOXTRACE_CONFIG_DIR and VOXTRACE_TEMP_DIR redirect them,
// so that tests never touch a user's real files.

#include <string>

namespace vx {

// $VOXTRACE_CONFIG_DIR, else $XDG_CONFIG_HOME/voxtrace, else ~/.config/voxtrace.
std::string configFolder();
// $VOXTRACE_TEMP_DIR, else $TMPDIR (or /tmp) followed by "/temp/"; ends in '/'.
std::string tempFolder();
std::string homeFolder();
// A folder that only this process uses (mode 0700), made on first call
// inside tempFolder() (or $TMPDIR, or /tmp, when that cannot be written)
// and removed with its contents when the process exits; ends in '/'.
// Empty when no folder could be made.
std::string processTempFolder();
// Creates a folder and its missing parents; false when that fails.
bool makeFolders(const std::string& path);

} // namespace vx
