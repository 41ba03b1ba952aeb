#pragma once
// One open document and every window opened for it. The session owns the
// Document; its windows (the main window, and the spectrogram, spectrum and
// label-list windows) belong to it and close with it. Every change to the
// document that other windows must see is announced here, and every change
// of a channel's samples passes through one gate (changeSamples).
//
// Main thread only. Windows hold a reference to their session; the session
// outlives all of them: it is deleted (later) once its main window has gone.

#include "app/Options.h"
#include "document/Document.h"
#include "document/Editing.h"
#include "gui/app/Commands.h"
#include "model/SampleSummary.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <vector>

namespace vx {

class DocumentController;
class MainWindow;

// Anything that reads a document's samples from another thread or from a
// sound device: analysis workers and playback. stopReading returns only
// once nothing reads the samples any more (workers cancelled and joined,
// playback stopped).
class SampleReader {
public:
    virtual ~SampleReader() = default;
    virtual void stopReading() = 0;
};

class DocumentSession : public QObject, public CommandResponder {
    Q_OBJECT

public:
    DocumentSession(DocumentController& app, std::unique_ptr<Document> doc, QString path, bool foreign);
    ~DocumentSession() override;

    DocumentController& app() { return m_app; }
    Document& doc() { return *m_doc; }
    const Document& doc() const { return *m_doc; }
    // The file it was opened from or saved to; empty for a new document.
    const QString& path() const { return m_path; }
    // Opened from a format that Save does not write.
    bool foreign() const { return m_foreign; }
    // The file's name, or "Untitled".
    QString displayName() const;
    // The document's title as its main window shows it, without the
    // modified mark; the other windows put their kind before it.
    QString title() const;

    // The main window is the first window made for the session; closing it
    // closes the document.
    MainWindow* mainWindow() const { return m_main; }
    void attachMainWindow(MainWindow* w);
    void mainWindowDestroyed(MainWindow* w);
    // Another window of this document; it is deleted when the document
    // closes, and goes earlier by itself when the user closes it.
    void addWindow(QWidget* w);
    // Every window of the session that still exists, the main window first.
    std::vector<QWidget*> windows() const;

    void addReader(SampleReader* r);
    void removeReader(SampleReader* r);
    // Stops every reader of the samples: playback and analyses.
    void stopReaders();
    // The one gate for a change of a channel's samples: stops every reader,
    // runs `change`, and when it returns true announces samplesChanged and
    // the changed state.
    bool changeSamples(const std::function<bool(Document&)>& change);
    // A waveform summary of a channel's samples that the windows share, so
    // that a long recording is scanned once; the gate drops it.
    std::shared_ptr<const SampleSummary> waveSummary(int channel) const;
    void keepWaveSummary(int channel, std::shared_ptr<const SampleSummary> summary);

    // Announcements from the window that made a change (origin), for the
    // others.
    void labelsEdited(QObject* origin);
    void selectionEdited(QObject* origin);
    // Changes the values of one option group and tells every window, which
    // redraws or analyses again as that group concerns it.
    void changeSettings(OptionGroup group, const std::function<void(Document&)>& change);
    // Records one change of the document (unsaved from now on).
    void markChanged();

    // File commands. Each returns whether it wrote a file.
    bool save();
    bool saveAs();
    bool saveCopyAs();
    bool saveSelectionAs();
    bool exportAs(bool selection);
    // Labels of the shown channel from and to TextGrid files.
    bool importLabels();
    bool exportLabels();
    // The document's settings to and from configuration files.
    bool saveConfiguration();
    bool loadConfiguration();
    // Reads the document's file again, after asking, through the gate.
    bool revertToSaved();

    // Edit commands on every channel at once, through the gate. Cut, Paste
    // and Clear keep the one level of undo; when its record cannot be made
    // the user is asked whether to go on without it. A refused paste says
    // why and changes nothing. Each returns whether the document changed.
    enum class EditKind { cut, paste, clear, referenceGain };
    void copySelection();
    bool edit(EditKind kind);
    bool canUndo() const { return !m_undo.empty(); }
    // Runs before an edit makes its undo record; a test throws from it to
    // stand for a record that cannot be made.
    void setBeforeUndoRecord(std::function<void()> hook) { m_beforeUndoRecord = std::move(hook); }
    bool undoEdit();
    // The permanent change of channel 0 by the reference-gain settings,
    // after offering to save a copy first ("Save" writes the native copy and
    // goes on only when it was written, "Override" goes on, "Cancel" stops).
    bool referenceGain();
    bool writeTo(const QString& path, const std::string& context);
    // A native save keeps only shown tiers: asks before labels on hidden
    // ones are lost; whether to go on.
    bool hiddenLabelsMayGo();
    // Asks once to save a changed document; false when the user cancels.
    bool confirmClose();
    // Deletes every window but the main one; each stops its own work first.
    void closeOtherWindows();

    // The responders a command of `window` goes to, in order: the focused
    // widget and its parents inside the window, the window's own responder,
    // this session, the application.
    std::vector<CommandResponder*> route(QWidget* window, CommandResponder* windowResponder);

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;

signals:
    void samplesChanged();
    void labelsChanged(QObject* origin);
    void selectionChanged(QObject* origin);
    void settingsChanged(OptionGroup group);
    void fileNameChanged();
    void modifiedChanged(bool modified);

private:
    QWidget* dialogParent() const;
    void setPath(const QString& path, bool foreign);

    DocumentController& m_app;
    UndoRecord m_undo;
    std::function<void()> m_beforeUndoRecord;
    std::unique_ptr<Document> m_doc;
    QString m_path;
    bool m_foreign = false;
    MainWindow* m_main = nullptr;
    std::vector<QPointer<QWidget>> m_windows;
    std::vector<SampleReader*> m_readers;
    std::map<int, std::shared_ptr<const SampleSummary>> m_summaries;
};

} // namespace vx
