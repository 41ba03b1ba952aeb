#pragma once
// Writing a view's picture to a file: TIFF or PNG pixels with the
// resolution that stores the display size, or PDF or SVG with the lines,
// dots and text as vectors. The file is written atomically.

#include "app/PictureSize.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace vx {

enum class PictureFormat { tiff, png, pdf, svg };

// The format a file name's extension names (.tif, .tiff, .png, .pdf, .svg).
std::optional<PictureFormat> pictureFormat(const std::string& fileName);

// Draws the view into the target rectangle of a picture of the size's
// pixels (0, 0, width, height).
using PicturePainter = std::function<void(QPainter&, const QRect& target)>;

// The picture drawn on white.
QImage drawPicture(const PictureSize& size, const PicturePainter& paint);

// Draws the picture and writes it to `path` (a local file name) in the
// format of its extension, its display size `size`'s points. Returns an
// empty text, or the reason nothing was written; a file already there is
// left as it was on a failure.
QString writePicture(const std::string& path, const PictureSize& size, const PicturePainter& paint);

} // namespace vx
