#pragma once
// Reading pictures back: an SVG's elements and texts, a PDF's pages, text
// and images (the poppler tools), pixel boxes, and the print dialog's answer
// that prints to a PDF file.

#include "support/SoundFiles.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <functional>
#include <map>
#include <string>

namespace vxtest {

struct SvgContents {
    QString width, viewBox;
    std::map<QString, int> elements;
    QStringList texts;
    int count(const QString& name) const
    {
        auto it = elements.find(name);
        return it == elements.end() ? 0 : it->second;
    }
    int shapes() const
    {
        return count("path") + count("polyline") + count("line") + count("rect") + count("circle") + count("ellipse");
    }
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
        if (name == "svg") {
            out.width = xml.attributes().value("width").toString();
            out.viewBox = xml.attributes().value("viewBox").toString();
        } else if (name == "text") {
            out.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        }
    }
    return out;
}

struct PdfContents {
    int pages = 0;
    double width = 0, height = 0; // points
    std::string text;
    int images = 0;
};

inline PdfContents readPdf(const std::string& path)
{
    PdfContents out;
    const QString info = QString::fromStdString(runCommand("pdfinfo " + q(path)).out);
    const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    out.pages = QRegularExpression("Pages:\\s+(\\d+)").match(info).captured(1).toInt();
    out.width = size.captured(1).toDouble();
    out.height = size.captured(2).toDouble();
    out.text = runCommand("pdftotext " + q(path) + " -").out;
    // Two header lines, then a line an image.
    const std::string images = runCommand("pdfimages -list " + q(path) + " | tail -n +3 | wc -l").out;
    out.images = images.empty() ? 0 : std::stoi(images);
    return out;
}

// The PDF's first page as pixels at `dpi`.
inline QImage renderPdf(const std::string& path, int dpi)
{
    const std::string stem = path + "-page";
    runCommand("pdftoppm -r " + std::to_string(dpi) + " -png -singlefile " + q(path) + " " + q(stem));
    return QImage(QString::fromStdString(stem + ".png"));
}

// The bounding box of the pixels `match` picks.
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

// The print dialog answered with "print to this PDF file".
inline std::function<void(QDialog&)> printToPdf(const std::string& path)
{
    return [path](QDialog& d) {
        auto& dialog = dynamic_cast<QPrintDialog&>(d);
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(QString::fromStdString(path));
        d.setResult(QDialog::Accepted);
    };
}

} // namespace vxtest
