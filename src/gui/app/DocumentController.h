#pragma once
// The open documents and their windows: opens files through the reader
// chain, tracks unsaved changes, asks to save before closing, writes saves
// atomically and keeps the list of recently opened files.

#include "document/Document.h"
#include "gui/app/SoundController.h"
#include "gui/platform/Dialogs.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <list>
#include <memory>

namespace vx {

class MainWindow;

struct OpenDocument {
    std::unique_ptr<Document> doc;
    QString path;       // the file it was opened from or saved to; empty for a new one
    bool foreign = false; // opened from a format that Save does not write
    MainWindow* window = nullptr;
};

class DocumentController : public QObject {
    Q_OBJECT

public:
    explicit DocumentController(Dialogs& dialogs);
    ~DocumentController() override;

    Dialogs& dialogs() { return m_dialogs; }
    // The one player and recorder that all windows share.
    SoundController& sound() { return m_sound; }

    // Opens a file in a new window; on failure shows a message naming the
    // file and the reason and returns nullptr.
    MainWindow* openFile(const QString& path);
    MainWindow* newDocument();
    void openWithDialog(QWidget* parent);

    // The file commands of a window. Each returns whether it wrote a file.
    bool save(OpenDocument& d);
    bool saveAs(OpenDocument& d);
    bool saveCopyAs(OpenDocument& d);
    bool saveSelectionAs(OpenDocument& d);
    bool exportAs(OpenDocument& d, bool selection);
    // Writes the document's bytes for a context to a path, atomically.
    bool writeTo(OpenDocument& d, const QString& path, const std::string& context, QWidget* parent);

    // Asks to save a changed document; false when the user cancels.
    bool confirmClose(OpenDocument& d);
    void closed(OpenDocument& d);
    bool closeAll();

    const std::list<OpenDocument>& documents() const { return m_documents; }
    QStringList recentFiles() const;
    void clearRecentFiles();

signals:
    void recentFilesChanged();

private:
    void addRecent(const QString& path);
    MainWindow* makeWindow(OpenDocument& d);

    Dialogs& m_dialogs;
    SoundController m_sound;
    std::list<OpenDocument> m_documents;
};

} // namespace vx
