// voxtrace: the desktop application. Files named on the command line open
// in windows of their own; with none, an empty document window opens.

#include "app/AppState.h"
#include "gui/app/DocumentController.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/Dialogs.h"

#include <QApplication>
#include <QFontMetricsF>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Voxtrace");
    QApplication::setApplicationVersion(QString::fromStdString(vx::app().gstrVersion));
    // Ties the windows to the installed voxtrace.desktop (its icon, on Wayland).
    QApplication::setDesktopFileName("voxtrace");
    vx::setTextMeasurer([](const std::string& text, const vx::LabelFont& font) {
        QFont f(QString::fromStdString(font.family), std::max(1, static_cast<int>(font.pointSize)));
        QFontMetricsF fm(f);
        return vx::TextSize{fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
    });
    vx::applicationWillFinishLaunching();

    vx::QtDialogs dialogs;
    vx::DocumentController controller(dialogs);
    const QStringList files = QApplication::arguments().mid(1);
    int opened = 0;
    for (const QString& f : files)
        opened += controller.openFile(f) ? 1 : 0;
    if (opened == 0)
        controller.newDocument();
    QApplication::setQuitOnLastWindowClosed(true);
    return app.exec();
}
