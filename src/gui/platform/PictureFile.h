#pragma once
// Writing a drawn picture to a file.

#include <QImage>
#include <QString>

namespace vx {

// Writes `image` to `path` in the format its extension names (".tif",
// ".tiff", ".png"), with the resolution that makes its display size
// pointWidth x pointHeight points (72 a inch), atomically: a failed write
// leaves any file already there as it was. Returns an empty text, or the
// reason nothing was written.
QString writePictureFile(const QImage& image, const QString& path, int pointWidth, int pointHeight);

} // namespace vx
