#include "gui/platform/PictureFile.h"

#include "gui/platform/LocalPath.h"
#include "platform/FileIO.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

#include <cmath>
#include <string>

namespace vx {

QString writePictureFile(const QImage& image, const QString& path, int pointWidth, int pointHeight)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QByteArray format = suffix == "tif" || suffix == "tiff" ? "tiff" : suffix == "png" ? "png" : "";
    if (format.isEmpty())
        return QObject::tr("A picture is written as .tif or .png, not \"%1\".").arg(QFileInfo(path).fileName());
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QObject::tr("No %1 writer is installed (Debian: qt6-image-formats-plugins).")
            .arg(QString::fromLatin1(format).toUpper());
    if (image.isNull() || pointWidth <= 0 || pointHeight <= 0)
        return QObject::tr("There is no picture to write.");
    QImage stored = image;
    // Pixels per metre for the stored size: width / (points / 72) per inch.
    stored.setDotsPerMeterX(static_cast<int>(std::lround(image.width() * 72.0 / pointWidth / 0.0254)));
    stored.setDotsPerMeterY(static_cast<int>(std::lround(image.height() * 72.0 / pointHeight / 0.0254)));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(stored))
        return QObject::tr("The picture could not be encoded: %1").arg(writer.errorString());
    std::string error;
    if (!writeFileAtomically(localPath(path),
                             std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                           static_cast<std::size_t>(bytes.size())),
                             &error))
        return QString::fromStdString(error);
    return {};
}

} // namespace vx
