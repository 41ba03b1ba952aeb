#pragma once
// Loading a finished recording: the recorder's temporary WAVE file becomes
// the document's one channel.

#include "document/Document.h"

#include <string>

namespace vx {

// Returns 0 when the file loaded, -1 when it is not a usable WAVE file; the
// reason is then stored in `reason` and the document is left as it was.
// Integer PCM and mu-law data are decoded to floats like any opened WAVE
// file. The document keeps its origin (it is still the document it was
// before recording) and is marked as changed.
int Read_RecordedFile(Document& d, const std::string& path, std::string* reason = nullptr);

} // namespace vx
