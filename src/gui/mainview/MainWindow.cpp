#include "gui/mainview/MainWindow.h"

#include "gui/app/DocumentController.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QVBoxLayout>

namespace vx {

namespace {

constexpr int kScrollResolution = 1 << 20;

} // namespace

MainWindow::MainWindow(DocumentController& controller, OpenDocument& doc)
    : m_controller(controller), m_doc(doc), m_model(std::make_unique<MainViewModel>(*doc.doc))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new MainView(*m_model, central);
    layout->addWidget(m_view, 1);
    m_scroll = new QScrollBar(Qt::Horizontal, central);
    m_scroll->setRange(0, 0);
    m_scroll->setPageStep(kScrollResolution);
    layout->addWidget(m_scroll);

    auto* readouts = new QHBoxLayout;
    readouts->setContentsMargins(8, 4, 8, 4);
    for (const char* name : {"Sample rate", "Cursor", "Duration", "Pitch", "Intensity", "Average pitch"}) {
        readouts->addWidget(new QLabel(tr(name) + ":", central));
        auto* value = new QLabel("0.0", central);
        value->setMinimumWidth(70);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        readouts->addWidget(value);
        m_readouts[name] = value;
    }
    readouts->addStretch(1);
    layout->addLayout(readouts);
    setCentralWidget(central);
    resize(1200, 400);

    m_view->setSound(&controller.sound());
    buildMenus();
    connect(m_view, &MainView::soundStateChanged, this, &MainWindow::updateActions);
    connect(m_view, &MainView::soundError, this,
            [this](const QString& title, const QString& message, const QString& informative) {
                m_controller.dialogs().showError(this, title, message, informative);
            });
    connect(m_view, &MainView::recordingLoaded, this, [this] {
        showSampleRate();
        syncScrollBar();
        showReadouts();
        updateActions();
    });
    connect(m_view, &MainView::readoutsChanged, this, [this] {
        showReadouts();
        updateActions();
    });
    connect(m_view, &MainView::pageChanged, this, &MainWindow::syncScrollBar);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_syncing)
            return;
        const double q = m_model->_dKnobProportion;
        m_model->AdjustScrollControl(m_scroll->maximum() > 0 ? double(value) / m_scroll->maximum() : 0.0, q);
        m_model->m_bRedraw = true;
        m_view->update();
    });
    connect(&controller, &DocumentController::recentFilesChanged, this, &MainWindow::rebuildRecentMenu);

    const Document& d = *doc.doc;
    if (d.m_bHaveData) {
        m_model->AdjustScrollControl(0, 1.0);
        showSampleRate();
        if (d.s.m_bAutoPitchIntensity)
            m_view->doAnalysisFunctions();
    }
    updateTitle();
    updateActions();
}

MainWindow::~MainWindow()
{
    // The view's analysis worker and playback read the document's samples:
    // they end, and the view goes, before the document does.
    delete m_view;
    m_view = nullptr;
    m_controller.closed(m_doc);
}

QAction* MainWindow::action(const QString& name) const
{
    auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QString MainWindow::readout(const QString& name) const
{
    auto it = m_readouts.find(name);
    return it == m_readouts.end() ? QString() : it->second->text();
}

QAction* MainWindow::addAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                               std::function<void()> run)
{
    QAction* a = menu->addAction(text);
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
    m_actions[name] = a;
    return a;
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    addAction(file, "new", tr("&New"), QKeySequence::New, [this] { m_controller.newDocument(); });
    addAction(file, "open", tr("&Open..."), QKeySequence::Open, [this] { m_controller.openWithDialog(this); });
    m_recent = file->addMenu(tr("Open &Recent"));
    file->addSeparator();
    addAction(file, "save", tr("&Save"), QKeySequence::Save, [this] { m_controller.save(m_doc); });
    addAction(file, "saveAs", tr("Save &As..."), QKeySequence::SaveAs, [this] { m_controller.saveAs(m_doc); });
    addAction(file, "saveCopyAs", tr("Save &Copy As..."), QKeySequence(), [this] { m_controller.saveCopyAs(m_doc); });
    addAction(file, "saveSelectionAs", tr("Save Se&lection As..."), QKeySequence(),
              [this] { m_controller.saveSelectionAs(m_doc); });
    file->addSeparator();
    addAction(file, "exportAs", tr("&Export as WAVE..."), QKeySequence(tr("Ctrl+Shift+E")),
              [this] { m_controller.exportAs(m_doc, false); });
    addAction(file, "exportSelectionAs", tr("Export Selection as &WAVE..."), QKeySequence(),
              [this] { m_controller.exportAs(m_doc, true); });
    file->addSeparator();
    addAction(file, "close", tr("&Close"), QKeySequence::Close, [this] { close(); });
    addAction(file, "quit", tr("&Quit"), QKeySequence::Quit, [this] {
        if (m_controller.closeAll())
            QApplication::quit();
    });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    addAction(edit, "selectWindow", tr("Select &Window"), QKeySequence(), [this] {
        m_model->EditSelectWindow();
        m_view->update();
        updateActions();
    });
    addAction(edit, "selectAll", tr("Select &All"), QKeySequence::SelectAll, [this] {
        m_model->EditSelectAll();
        m_view->update();
        updateActions();
    });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    addAction(view, "zoomIn", tr("Zoom &In"), QKeySequence::ZoomIn, [this] { zoom(1); });
    addAction(view, "zoomOut", tr("Zoom &Out"), QKeySequence::ZoomOut, [this] { zoom(2); });
    addAction(view, "zoomSelection", tr("Zoom to &Selection"), QKeySequence(tr("Ctrl+E")), [this] { zoom(3); });
    addAction(view, "zoomCursor", tr("Zoom at &Marker"), QKeySequence(tr("Ctrl+M")), [this] { zoom(4); });
    addAction(view, "zoomHome", tr("Zoom &Home"), QKeySequence(tr("Ctrl+0")), [this] { zoom(5); });
    addAction(view, "zoomUndo", tr("&Undo Zoom"), QKeySequence(tr("Ctrl+Backspace")), [this] { zoom(0); });

    QMenu* analysis = menuBar()->addMenu(tr("&Analysis"));
    addAction(analysis, "pitch", tr("&Pitch and Intensity"), QKeySequence(tr("Ctrl+P")),
              [this] { m_view->analysisPitchWhole(); });
    addAction(analysis, "pitchSelection", tr("Pitch and Intensity of &Selection"), QKeySequence(),
              [this] { m_view->analysisPitchSelection(); });
    addAction(analysis, "pitchWindow", tr("Pitch and Intensity of &Window"), QKeySequence(),
              [this] { m_view->analysisPitchWindow(); });
    // The windows these open are not built yet.
    for (const char* later : {"Spectrogram", "Spectrogram of Selection", "FFT/LPC Spectrum", "FFT/LPC of Selection"})
        analysis->addAction(tr(later))->setEnabled(false);

    QMenu* sound = menuBar()->addMenu(tr("&Sound"));
    addAction(sound, "play", tr("&Play"), QKeySequence(), [this] { play(PlayCode::WholeFile); });
    addAction(sound, "playSelection", tr("Play &Selection"), QKeySequence(),
              [this] { play(PlayCode::Selection); });
    addAction(sound, "playWindow", tr("Play &Window"), QKeySequence(), [this] { play(PlayCode::Window); });
    addAction(sound, "playToggle", tr("Play or S&top"), QKeySequence(Qt::Key_Space),
              [this] { playSelectionOrWindow(); });
    sound->addSeparator();
    addAction(sound, "record", tr("&Record"), QKeySequence(tr("Ctrl+R")), [this] { record(); });

    QMenu* log = menuBar()->addMenu(tr("&Log"));
    for (const char* later : {"New Log", "Open Log..."})
        log->addAction(tr(later))->setEnabled(false);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    addAction(help, "about", tr("&About Voxtrace"), QKeySequence(), [this] {
        QMessageBox::about(this, tr("About Voxtrace"),
                           tr("Voxtrace\nAcoustic analysis of speech and voice\nVersion 1712"));
    });
    connect(m_view, &MainView::analysisFinished, this, [this] {
        showReadouts();
        updateActions();
    });
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    m_recent->clear();
    const QStringList files = m_controller.recentFiles();
    for (const QString& path : files)
        m_recent->addAction(QFileInfo(path).fileName(), this, [this, path] { m_controller.openFile(path); });
    if (!files.isEmpty()) {
        m_recent->addSeparator();
        m_recent->addAction(tr("Clear Menu"), this, [this] { m_controller.clearRecentFiles(); });
    }
    m_recent->setEnabled(!files.isEmpty());
}

void MainWindow::zoom(int code)
{
    m_model->CalibrateScroll(code);
    syncScrollBar();
    m_view->update();
    updateActions();
}

void MainWindow::play(PlayCode code)
{
    const QString error = m_view->play(code);
    if (!error.isEmpty())
        m_controller.dialogs().showError(this, tr("Playback"), tr("The sound could not be played."), error);
    updateActions();
}

void MainWindow::playSelectionOrWindow()
{
    const Channels& c = m_doc.doc->getChannel(0);
    const bool selection = m_model->m_bHaveSelection && c.m_dDurationFile >= 1;
    play(selection ? PlayCode::Selection : PlayCode::Window);
}

void MainWindow::record()
{
    SoundController& sound = m_controller.sound();
    if (m_view->recording())
        return;
    if (sound.isRecording()) {
        m_controller.dialogs().showError(this, tr("Error in Record"),
                                         tr("Another window is recording. Stop that recording first."));
        return;
    }
    // Recording replaces the samples and labels, so unsaved work is offered
    // a save first, whichever file the document came from.
    if (m_doc.doc->isDocumentEdited()) {
        AlertSpec ask;
        ask.title = "Save before recording?";
        ask.message = "Save before recording?";
        ask.informative = "The recording replaces the sound and the labels of this document.";
        ask.buttons = {"Save", "Override", "Cancel"};
        const int answer = m_controller.dialogs().alert(ask);
        if (answer == -1)
            return;
        if (answer == 1) {
            const QString name = m_controller.dialogs().saveFile(this, "copyof.vxt", "vxt");
            if (name.isEmpty() || !m_controller.writeTo(m_doc, name, "copyof", this))
                return;
        }
    }
    const QString error = m_view->startRecording();
    if (!error.isEmpty())
        m_controller.dialogs().showError(this, tr("Error in Record"), error);
    updateActions();
}

void MainWindow::syncScrollBar()
{
    const double q = m_model->_dKnobProportion;
    m_syncing = true;
    if (q >= 1.0) {
        m_scroll->setRange(0, 0);
    } else {
        // Scroll values are fractions of the room the page has to move in.
        m_scroll->setRange(0, kScrollResolution);
        m_scroll->setPageStep(std::max(1, static_cast<int>(kScrollResolution * q / (1 - q))));
        m_scroll->setSingleStep(std::max(1, m_scroll->pageStep() / 10));
        m_scroll->setValue(static_cast<int>(std::lround(m_model->_dKnobPosition * kScrollResolution)));
    }
    m_syncing = false;
}

void MainWindow::showSampleRate()
{
    m_readouts["Sample rate"]->setText(QString::number(truncInt(m_doc.doc->getChannel(0).m_dSampleRate)));
}

void MainWindow::showReadouts()
{
    const Readouts& r = m_model->readouts();
    m_readouts["Cursor"]->setText(MainViewModel::formatReadout(r.cursor).c_str());
    m_readouts["Duration"]->setText(MainViewModel::formatReadout(r.duration).c_str());
    m_readouts["Pitch"]->setText(MainViewModel::formatReadout(r.pitch).c_str());
    m_readouts["Intensity"]->setText(MainViewModel::formatReadout(r.intensity).c_str());
    m_readouts["Average pitch"]->setText(MainViewModel::formatReadout(r.averagePitch).c_str());
}

void MainWindow::updateTitle()
{
    const QString name = m_doc.path.isEmpty() ? tr("Untitled") : QFileInfo(m_doc.path).fileName();
    setWindowTitle(name + "[*] - Voxtrace");
    setWindowModified(m_doc.doc->isDocumentEdited());
    setWindowFilePath(m_doc.path);
}

void MainWindow::updateActions()
{
    const Document& d = *m_doc.doc;
    auto enable = [this](const char* name, bool on) {
        if (QAction* a = action(name))
            a->setEnabled(on);
    };
    enable("save", d.validateMenuItem(DocumentAction::saveDocument));
    enable("saveAs", d.validateMenuItem(DocumentAction::saveDocumentAs));
    enable("saveCopyAs", d.validateMenuItem(DocumentAction::fileSaveCopyAs));
    enable("saveSelectionAs", d.validateMenuItem(DocumentAction::fileSaveSelectionAs));
    enable("exportAs", d.validateMenuItem(DocumentAction::fileExportAs));
    enable("exportSelectionAs", d.validateMenuItem(DocumentAction::fileExportSelectionAs));
    enable("selectWindow", m_model->validateMenuItem(ViewAction::EditSelectWindow));
    enable("selectAll", m_model->validateMenuItem(ViewAction::EditSelectAll));
    enable("zoomIn", m_model->validateMenuItem(ViewAction::ZoomIn));
    enable("zoomOut", m_model->validateMenuItem(ViewAction::ZoomOut));
    enable("zoomHome", m_model->validateMenuItem(ViewAction::ZoomHome));
    enable("zoomUndo", m_model->validateMenuItem(ViewAction::ZoomUndo));
    enable("zoomSelection", m_model->validateMenuItem(ViewAction::ZoomSelection));
    enable("zoomCursor", m_model->validateMenuItem(ViewAction::ZoomCursor));
    const bool recording = m_view->recording();
    enable("pitch", !recording && m_model->validateMenuItem(ViewAction::AnalysisPitch));
    enable("pitchWindow", !recording && m_model->validateMenuItem(ViewAction::AnalysisPitchWindow));
    enable("pitchSelection", !recording && m_model->validateMenuItem(ViewAction::AnalysisPitchSelection));
    enable("play", !recording && m_model->validateMenuItem(ViewAction::Play));
    enable("playWindow", !recording && m_model->validateMenuItem(ViewAction::PlayWindow));
    enable("playSelection", !recording && m_model->validateMenuItem(ViewAction::PlaySelection));
    enable("playToggle", !recording && m_model->validateMenuItem(ViewAction::PlayWindow));
    enable("record", !recording && m_model->validateMenuItem(ViewAction::Record));
    setWindowModified(d.isDocumentEdited());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_controller.confirmClose(m_doc)) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            m_controller.openFile(url.toLocalFile());
    event->acceptProposedAction();
}

} // namespace vx
