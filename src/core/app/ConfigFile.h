#pragma once
// The 2400-byte configuration record and the two kinds of file that carry
// it: the legacy settings file in the per-user configuration folder, which
// carries option changes across documents and sessions, and the user
// configuration files saved and loaded on command.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vx {

class Document;
enum class OptionGroup;

constexpr std::size_t kConfigRecordSize = 2400;
using ConfigRecord = std::array<std::uint8_t, kConfigRecordSize>;

std::string legacyConfigPath();

// Start-up: takes the application-wide values from the legacy settings file,
// or recreates it with its defaults when it is missing or of another version.
void ReadConfig();

// The record written when the legacy settings file is (re)created.
ConfigRecord buildLegacyDefaultRecord();

// Document creation: applies the legacy file when it can be read and passes
// its checks. Returns whether anything was taken.
bool applyLegacyConfig(Document& doc);

// The record of a saved user configuration.
ConfigRecord buildUserConfiguration(const Document& doc);
bool saveUserConfiguration(const Document& doc, const std::string& path, std::string* error = nullptr);

// Applies a user configuration to the document. A record that is too short
// or that would put an unusable value into the document is refused as a
// whole: nothing changes and `why` says what was wrong.
bool loadUserConfiguration(Document& doc, std::span<const std::uint8_t> bytes, std::string* why = nullptr);

// After a confirmed option panel: reads the legacy file, replaces the
// fields the group's panel writes (FFT/LPC, spectrogram, pitch and zoom
// write theirs, the others none) with the document's values and writes all
// 2400 bytes back atomically. Returns false, writing nothing, when the file
// cannot be read or the write fails (error says why).
bool updateLegacyConfig(const Document& doc, OptionGroup group, std::string* error = nullptr);

// Deletes the legacy settings file; the next start-up recreates it.
void revertToDefaultConfiguration();

} // namespace vx
