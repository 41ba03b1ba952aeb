#include "gui/platform/PictureCommands.h"

#include "gui/platform/LocalPath.h"

#include <QDir>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace vx {

std::optional<PictureSize> pictureSizeOrSay(Dialogs& dialogs, QWidget* parent, PictureView view,
                                            const Settings& settings)
{
    PictureSize size = pictureSize(view, settings);
    if (!size.problem.empty()) {
        dialogs.showError(parent, QObject::tr("Save as Picture"), QObject::tr("The picture size cannot be drawn."),
                          QString::fromStdString(size.problem));
        return std::nullopt;
    }
    return size;
}

QString askPictureFile(Dialogs& dialogs, QWidget* parent)
{
    return dialogs.savePictureFile(parent, QString::fromLatin1(kPictureProposedName));
}

bool writePictureAndSay(Dialogs& dialogs, QWidget* parent, const QString& file, const PictureSize& size,
                        const PicturePainter& paint)
{
    const QString error = writePicture(localPath(file), size, paint);
    if (error.isEmpty())
        return true;
    dialogs.showError(parent, QObject::tr("Save as Picture"),
                      QObject::tr("The picture could not be saved as \"%1\".").arg(QDir::toNativeSeparators(file)),
                      error);
    return false;
}

bool savePicture(Dialogs& dialogs, QWidget* parent, PictureView view, const Settings& settings,
                 const PicturePainter& paint)
{
    const std::optional<PictureSize> size = pictureSizeOrSay(dialogs, parent, view, settings);
    if (!size)
        return false;
    const QString file = askPictureFile(dialogs, parent);
    return !file.isEmpty() && writePictureAndSay(dialogs, parent, file, *size, paint);
}

std::unique_ptr<QPrinter> askPrinter(Dialogs& dialogs, QWidget* parent)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
    QPrintDialog dialog(printer.get(), parent);
    if (dialogs.runModal(dialog) != QDialog::Accepted)
        return nullptr;
    return printer;
}

QString printPicture(QPrinter& printer, const PictureSize& size, const PicturePainter& paint)
{
    if (size.width <= 0 || size.height <= 0)
        return QObject::tr("There is no picture to print.");
    QPainter p;
    if (!p.begin(&printer))
        return printer.outputFileName().isEmpty()
                   ? QObject::tr("The printer could not be started.")
                   : QObject::tr("\"%1\" could not be written.").arg(QDir::toNativeSeparators(printer.outputFileName()));
    const QRectF page = printer.pageLayout().fullRectPixels(printer.resolution());
    const double scale = std::min(page.width() / size.width, page.height() / size.height);
    p.translate((page.width() - size.width * scale) / 2, (page.height() - size.height * scale) / 2);
    p.scale(scale, scale);
    p.fillRect(QRect(0, 0, size.width, size.height), Qt::white);
    paint(p, QRect(0, 0, size.width, size.height));
    if (!p.end() || printer.printerState() == QPrinter::Error)
        return QObject::tr("The printout could not be finished.");
    return {};
}

bool printPictureAndSay(Dialogs& dialogs, QWidget* parent, QPrinter& printer, const PictureSize& size,
                        const PicturePainter& paint)
{
    const QString error = printPicture(printer, size, paint);
    if (error.isEmpty())
        return true;
    dialogs.showError(parent, QObject::tr("Print"), QObject::tr("The picture could not be printed."), error);
    return false;
}

} // namespace vx
