#pragma once
// Per-user folders. VOXTRACE_CONFIG_DIR and VOXTRACE_TEMP_DIR redirect them,
// so that tests never touch a user's real files.

#include <optional>
#include <string>
#include <sys/types.h>

namespace vx {

// $VOXTRACE_CONFIG_DIR, else $XDG_CONFIG_HOME/voxtrace, else ~/.config/voxtrace.
std::string configFolder();
std::string homeFolder();

// A folder that only its maker uses: made by mkdtemp (mode 0700), and
// removed with everything in it only while its path still names that very
// folder. Nothing is followed through a symbolic link, so swapping the
// folder for a link to somewhere else makes the removal touch nothing.
class PrivateFolder {
public:
    // A new folder prefix + six random characters inside parent; nothing
    // when it cannot be made.
    static std::optional<PrivateFolder> make(const std::string& parent, const std::string& prefix);

    // No trailing slash.
    const std::string& path() const { return m_path; }

    // Removes the folder and its contents. Returns false, touching nothing,
    // when the path no longer names the folder that was made (a link, or
    // another folder, or one of another owner); entries that are links are
    // removed as links, never followed.
    bool remove() const;

private:
    std::string m_path;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
};

// The process's private temporary folder, made on first call inside
// $VOXTRACE_TEMP_DIR, else $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp (the
// next one where the one before cannot be used), and removed when the
// process exits. A process forked from this one gets a folder of its own.
// No trailing slash; empty when no folder could be made.
std::string processTempFolder();

// Creates a folder and its missing parents; false when that fails.
bool makeFolders(const std::string& path);

} // namespace vx
