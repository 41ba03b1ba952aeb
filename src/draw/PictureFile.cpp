#include "draw/PictureFile.h"

#include "platform/FileIO.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vx {

namespace {

// Pixels an inch along one side: the pixels over the points' inches.
double pixelsPerInch(int pixels, int points)
{
    return pixels * 72.0 / points;
}

QString encodeImage(const QImage& image, const PictureSize& size, const QByteArray& format, QByteArray& bytes)
{
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QObject::tr("No %1 writer is installed (Debian: qt6-image-formats-plugins).")
            .arg(QString::fromLatin1(format).toUpper());
    QImage stored = image;
    stored.setDotsPerMeterX(static_cast<int>(std::lround(pixelsPerInch(size.width, size.pointWidth) / 0.0254)));
    stored.setDotsPerMeterY(static_cast<int>(std::lround(pixelsPerInch(size.height, size.pointHeight) / 0.0254)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    // TIFF: LZW, which shrinks a picture of lines on white many times over.
    if (format == "tiff")
        writer.setCompression(1);
    if (!writer.write(stored))
        return QObject::tr("The picture could not be encoded: %1").arg(writer.errorString());
    return {};
}

QString encodePdf(const PictureSize& size, const PicturePainter& paint, QByteArray& bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Voxtrace"));
    writer.setPageSize(QPageSize(QSizeF(size.pointWidth, size.pointHeight), QPageSize::Point, QString(),
                                 QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(static_cast<int>(std::lround(pixelsPerInch(size.width, size.pointWidth))));
    QPainter p;
    if (!p.begin(&writer))
        return QObject::tr("The PDF could not be started.");
    // The page holds the picture's pixels at this resolution; what rounding
    // leaves over is scaled away.
    const double sx = writer.width() / double(size.width), sy = writer.height() / double(size.height);
    p.scale(sx, sy);
    p.fillRect(QRect(0, 0, size.width, size.height), Qt::white);
    paint(p, QRect(0, 0, size.width, size.height));
    if (!p.end())
        return QObject::tr("The PDF could not be finished.");
    return {};
}

QString encodeSvg(const PictureSize& size, const PicturePainter& paint, QByteArray& bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(size.width, size.height));
    svg.setViewBox(QRect(0, 0, size.width, size.height));
    svg.setResolution(static_cast<int>(std::lround(pixelsPerInch(size.width, size.pointWidth))));
    svg.setTitle(QStringLiteral("Voxtrace"));
    QPainter p;
    if (!p.begin(&svg))
        return QObject::tr("The SVG could not be started.");
    p.fillRect(QRect(0, 0, size.width, size.height), Qt::white);
    paint(p, QRect(0, 0, size.width, size.height));
    if (!p.end())
        return QObject::tr("The SVG could not be finished.");
    return {};
}

} // namespace

std::optional<PictureFormat> pictureFormat(const std::string& fileName)
{
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string ext = fileName.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "tif" || ext == "tiff")
        return PictureFormat::tiff;
    if (ext == "png")
        return PictureFormat::png;
    if (ext == "pdf")
        return PictureFormat::pdf;
    if (ext == "svg")
        return PictureFormat::svg;
    return std::nullopt;
}

QImage drawPicture(const PictureSize& size, const PicturePainter& paint)
{
    QImage image(size.width, size.height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter p(&image);
    paint(p, QRect(0, 0, size.width, size.height));
    return image;
}

QString writePicture(const std::string& path, const PictureSize& size, const PicturePainter& paint)
{
    const std::optional<PictureFormat> format = pictureFormat(path);
    if (!format)
        return QObject::tr("A picture is written as .tif, .png, .pdf or .svg, not \"%1\".")
            .arg(QString::fromLocal8Bit(path.substr(path.find_last_of('/') + 1)));
    if (!size.problem.empty())
        return QString::fromStdString(size.problem);
    if (size.width <= 0 || size.height <= 0 || size.pointWidth <= 0 || size.pointHeight <= 0)
        return QObject::tr("There is no picture to write.");
    QByteArray bytes;
    QString error;
    switch (*format) {
    case PictureFormat::tiff:
    case PictureFormat::png: {
        const QImage image = drawPicture(size, paint);
        if (image.isNull())
            return QObject::tr("There is not enough memory for a picture of %1 x %2 pixels.")
                .arg(size.width)
                .arg(size.height);
        error = encodeImage(image, size, *format == PictureFormat::tiff ? "tiff" : "png", bytes);
        break;
    }
    case PictureFormat::pdf: error = encodePdf(size, paint, bytes); break;
    case PictureFormat::svg: error = encodeSvg(size, paint, bytes); break;
    }
    if (!error.isEmpty())
        return error;
    std::string why;
    if (!writeFileAtomically(path,
                             std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                           static_cast<std::size_t>(bytes.size())),
                             &why))
        return QString::fromStdString(why);
    return {};
}

} // namespace vx
