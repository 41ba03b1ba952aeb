#pragma once
// The bytes that the save, save-copy, save-selection and export commands
// write, chosen by the command's context string.

#include "document/Document.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vx {

struct SaveBytes {
    std::vector<std::uint8_t> bytes;
    std::string error; // set when nothing should be written
};

// context: "copyof" (whole document, native), "selection" (native),
// "channel" (channel 0 as WAVE), "channelselection" (its selection as WAVE).
SaveBytes bytesForSave(const Document& d, const std::string& context);

// What Save and Save As write: the whole document in the native format.
std::vector<std::uint8_t> dataOfType(const Document& d);

} // namespace vx
