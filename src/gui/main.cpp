// voxtrace: the desktop application. Files named on the command line open
// in windows of their own; with none, an empty document window opens.

#include "app/AppState.h"
#include "draw/ViewFonts.h"
#include "gui/app/DocumentController.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/Dialogs.h"
#include "gui/platform/LocalPath.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Voxtrace");
    QApplication::setApplicationVersion(QString::fromStdString(vx::app().gstrVersion));
    // Ties the windows to the installed voxtrace.desktop (its icon, on Wayland).
    QApplication::setDesktopFileName("voxtrace");
    vx::installTextMeasurer();
    vx::applicationWillFinishLaunching();

    vx::QtDialogs dialogs;
    vx::DocumentController controller(dialogs);
    // QApplication has taken its own options out of argv; the names are
    // taken as bytes, so that a name that is not UTF-8 opens too.
    int opened = 0;
    for (int i = 1; i < argc; ++i)
        opened += controller.openFile(vx::fromLocalPath(argv[i])) ? 1 : 0;
    if (opened == 0)
        controller.newDocument();
    if (const std::string& notice = vx::app().settingsNotice; !notice.empty())
        dialogs.showError(QApplication::activeWindow(), QObject::tr("Settings"), QString::fromStdString(notice));
    QApplication::setQuitOnLastWindowClosed(true);
    return app.exec();
}
