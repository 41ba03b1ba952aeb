#pragma once
// A document's main window: the main view with its scroll bar, the
// readouts under it, and the menus. File commands go to the document
// controller; view commands to the main view.

#include "gui/mainview/MainView.h"
#include "mainview/MainViewModel.h"

#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>

#include <map>
#include <memory>

class QAction;
class QMenu;

namespace vx {

class DocumentController;
struct OpenDocument;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(DocumentController& controller, OpenDocument& doc);
    ~MainWindow() override;

    MainView& view() { return *m_view; }
    MainViewModel& model() { return *m_model; }
    QScrollBar& scrollBar() { return *m_scroll; }
    QAction* action(const QString& name) const;
    QString readout(const QString& name) const;

    void updateTitle();
    void updateActions();
    void rebuildRecentMenu();
    void zoom(int code);
    // The sound commands.
    void play(PlayCode code);
    void playSelectionOrWindow();
    void record();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                       std::function<void()> run);
    void syncScrollBar();
    void showReadouts();
    void showSampleRate();

    DocumentController& m_controller;
    OpenDocument& m_doc;
    std::unique_ptr<MainViewModel> m_model;
    MainView* m_view = nullptr;
    QScrollBar* m_scroll = nullptr;
    std::map<QString, QLabel*> m_readouts;
    std::map<QString, QAction*> m_actions;
    QMenu* m_recent = nullptr;
    bool m_syncing = false;
};

} // namespace vx
