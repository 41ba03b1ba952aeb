#pragma once
// Reading pictures back: an SVG's text and shapes, the bounding box of the
// pixels of a colour.

#include <QImage>
#include <QRegularExpression>

#include <functional>
#include <string>

namespace vxtest {

// The paths, lines, rectangles and ellipses an SVG draws.
inline int svgShapes(const QString& svg)
{
    return static_cast<int>(svg.count(QRegularExpression("<(path|polyline|line|rect|circle|ellipse)[ />]")));
}

inline QRect boxOf(const QImage& image, const std::function<bool(QRgb)>& match)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

inline bool isBlue(QRgb p)
{
    return qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100;
}
inline bool isRed(QRgb p)
{
    return qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100;
}

} // namespace vxtest
