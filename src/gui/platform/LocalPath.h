#pragma once
// File names between the file system, which holds any bytes, and QString,
// which holds UTF-16. Bytes that are not valid UTF-8 (a name made under a
// Latin-1 locale) are carried as the code units U+DC80 to U+DCFF, one per
// byte, so that such a name goes from the command line or a drop to the
// file system unchanged. Qt's own conversions replace such bytes, and the
// file could then not be found.

#include <QString>

#include <string>
#include <string_view>

namespace vx {

// A file name's bytes as a QString, invalid UTF-8 kept as described above.
QString fromLocalPath(std::string_view bytes);
// The bytes the file system knows a name by.
std::string localPath(const QString& path);
// The name as shown to a user: a kept byte shows as U+FFFD.
QString displayPath(const QString& path);

} // namespace vx
