#pragma once
// The application: the open documents (one session each), opening files
// through the reader chain, the recent-files list, the one player and
// recorder, the one measurement log window, and the commands that need no
// document (New, Open, Quit, the log's New, Open and Save, About).

#include "document/Document.h"
#include "document/Editing.h"
#include "gui/app/AboutWindow.h"
#include "gui/app/Commands.h"
#include "gui/app/DocumentSession.h"
#include "gui/app/SoundController.h"
#include "gui/platform/Dialogs.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <list>
#include <memory>

namespace vx {

class LogViewController;
class MainWindow;

class DocumentController : public QObject, public CommandResponder {
    Q_OBJECT

public:
    explicit DocumentController(Dialogs& dialogs);
    ~DocumentController() override;

    Dialogs& dialogs() { return m_dialogs; }
    // The one player and recorder that all windows share.
    SoundController& sound() { return m_sound; }
    // What Copy and Cut put on the application's clipboard, for any document.
    Clipboard& clipboard() { return m_clipboard; }

    // Opens a file in a new window; on failure shows a message naming the
    // file and the reason and returns nullptr.
    MainWindow* openFile(const QString& path);
    MainWindow* newDocument();
    void openWithDialog(QWidget* parent);
    // Closes every document, asking to save each; false when one was kept.
    bool closeAll();

    const std::list<std::unique_ptr<DocumentSession>>& sessions() const { return m_sessions; }
    QStringList recentFiles() const;
    void addRecent(const QString& path);
    void clearRecentFiles();

    // A session whose main window has gone; it is deleted soon after.
    void sessionEnded(DocumentSession* s);

    // The log window, once New Log or Open Log made it; null before.
    LogViewController* logView() const { return gLogView.get(); }
    // Views add entries only while the log window is shown.
    bool logVisible() const;
    // New Log: an empty log, shown in front.
    LogViewController& newLog();
    // Open Log: asks for a file; the log shows it when it is one.
    void openLogWithDialog(QWidget* parent);
    bool openLog(const QString& path);
    AboutWindow* aboutWindow() const { return m_about; }
    void showAbout();
    // Asks, closes every document (each asks about unsaved changes) and
    // then deletes the settings file and quits; false when cancelled.
    bool revertToDefaults();

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;

signals:
    void recentFilesChanged();
    // The log window was shown or hidden: the entry commands of every
    // window change their enabling.
    void logShownOrHidden();

private:
    MainWindow* makeWindow(std::unique_ptr<Document> doc, const QString& path, bool foreign);
    LogViewController& logWindow();

    Dialogs& m_dialogs;
    SoundController m_sound;
    Clipboard m_clipboard;
    std::list<std::unique_ptr<DocumentSession>> m_sessions;
    std::unique_ptr<LogViewController> gLogView;
    QPointer<AboutWindow> m_about;
};

} // namespace vx
