#pragma once
// File > Save as Picture... and File > Print... of the views: the size from
// the settings, the save dialog or the print dialog, and what failed said.

#include "app/PictureSize.h"
#include "draw/PictureFile.h"
#include "gui/platform/Dialogs.h"

#include <QString>

#include <memory>

class QPrinter;
class QWidget;

namespace vx {

constexpr double kPicturePenFactor = 4;
constexpr double kPrintPenFactor = 3;
// The name the save dialog proposes, in the home folder.
inline const char* const kPictureProposedName = "pict.tif";

// The view's picture size from the settings; a size that cannot be drawn is
// shown and gives nothing.
std::optional<PictureSize> pictureSizeOrSay(Dialogs& dialogs, QWidget* parent, PictureView view,
                                            const Settings& settings);
// Asks where the picture goes; empty when cancelled.
QString askPictureFile(Dialogs& dialogs, QWidget* parent);
// Writes the picture to the file the dialog named; a failure is shown.
bool writePictureAndSay(Dialogs& dialogs, QWidget* parent, const QString& file, const PictureSize& size,
                        const PicturePainter& paint);
// Asks for the whole sequence at once: size, file, write.
bool savePicture(Dialogs& dialogs, QWidget* parent, PictureView view, const Settings& settings,
                 const PicturePainter& paint);

// A printer set up for a picture (landscape, no margins) after the print
// dialog; null when cancelled.
std::unique_ptr<QPrinter> askPrinter(Dialogs& dialogs, QWidget* parent);
// Prints the picture on one page, fitted to it and centred both ways.
// Returns an empty text, or why it failed.
QString printPicture(QPrinter& printer, const PictureSize& size, const PicturePainter& paint);
bool printPictureAndSay(Dialogs& dialogs, QWidget* parent, QPrinter& printer, const PictureSize& size,
                        const PicturePainter& paint);

} // namespace vx
