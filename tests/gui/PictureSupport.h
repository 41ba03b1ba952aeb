#pragma once
// Reading pictures back: an SVG's elements and texts, the bounding box of
// the pixels of a colour.

#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include <functional>
#include <map>
#include <string>

namespace vxtest {

struct SvgContents {
    QString width, viewBox;
    std::map<QString, int> elements;
    int shapes = 0; // paths, lines, rectangles and ellipses
    QStringList texts;
};

inline SvgContents readSvg(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    SvgContents out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        ++out.elements[name];
        if (QStringList{"path", "polyline", "line", "rect", "circle", "ellipse"}.contains(name))
            ++out.shapes;
        if (name == "svg") {
            out.width = xml.attributes().value("width").toString();
            out.viewBox = xml.attributes().value("viewBox").toString();
        } else if (name == "text") {
            out.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        }
    }
    return out;
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
