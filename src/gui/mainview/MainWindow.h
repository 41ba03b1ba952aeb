#pragma once
// A document's main window: the main view with its scroll bar, the
// readouts under it, and the application's menus. It answers the view
// commands (zoom, selection, analysis, sound) itself; file commands go to
// its document session and the rest to the application.
//
// A second main window on the same session (a second view of the
// document) is one of the session's other windows: closing it closes only
// it.

#include "draw/PictureFile.h"
#include "gui/app/Commands.h"
#include "gui/labels/LabelView.h"
#include "gui/mainview/AnalysisScheduler.h"
#include "gui/mainview/MainView.h"
#include "gui/mainview/PlaybackController.h"
#include "gui/mainview/RecordingController.h"
#include "log/LogEntries.h"
#include "mainview/MainViewModel.h"

#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>

#include <map>
#include <memory>

class QMenu;

namespace vx {

class DocumentSession;

class MainWindow : public QMainWindow, public CommandResponder {
    Q_OBJECT

public:
    explicit MainWindow(DocumentSession& session);
    ~MainWindow() override;

    DocumentSession& session() { return m_session; }
    MainView& view() { return *m_view; }
    MainViewModel& model() { return *m_model; }
    AnalysisScheduler& analysis() { return *m_analysis; }
    PlaybackController& playback() { return *m_playback; }
    RecordingController& recording() { return *m_recording; }
    QScrollBar& scrollBar() { return *m_scroll; }
    CommandMenus& menus() { return *m_menus; }
    QAction* action(Command id) const { return m_menus->action(id); }
    QString readout(const QString& name) const;
    // The label list of this window, if it has been opened.
    LabelView* labelView() const { return _plabelView.data(); }

    void updateTitle();
    void updateActions();

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isMain() const;
    std::vector<CommandResponder*> route();
    void buildRecentMenu();
    void rebuildRecentMenu();
    void zoom(ZoomCode code);
    void play(PlayCode code);
    void playSelectionOrWindow();
    void record();
    void analyse(Command id);
    void addLogEntries(MainLogEntry kind);
    // File > Save as Picture... and File > Print...: the page drawn at the
    // size the settings give.
    PicturePainter picturePainter(double penFactor) const;
    void savePicture();
    void print();
    void followSamples();
    // Display options: redraw. Pitch and intensity options: redraw, and
    // analyse again when analysis is automatic. Others do not concern it.
    void followSettings(OptionGroup group);
    void syncScrollBar();
    void showReadouts();
    void showSampleRate();

    DocumentSession& m_session;
    std::unique_ptr<MainViewModel> m_model;
    std::unique_ptr<AnalysisScheduler> m_analysis;
    std::unique_ptr<PlaybackController> m_playback;
    std::unique_ptr<RecordingController> m_recording;
    MainView* m_view = nullptr;
    QScrollBar* m_scroll = nullptr;
    std::map<QString, QLabel*> m_readouts;
    std::unique_ptr<CommandMenus> m_menus;
    QMenu* m_recent = nullptr;
    bool m_syncing = false;
    QPointer<LabelView> _plabelView;
};

} // namespace vx
