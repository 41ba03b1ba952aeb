#include "gui/mainview/MainWindow.h"

#include "draw/MainViewPicture.h"
#include "gui/platform/LocalPath.h"

#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/labels/LabelEditor.h"
#include "gui/labels/TierDialog.h"
#include "gui/log/LogViewController.h"
#include "gui/platform/PictureCommands.h"
#include "gui/spectrogram/SpectrogramWindow.h"
#include "gui/spectrum/SpectrumWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QMimeData>
#include <QVBoxLayout>

namespace vx {

namespace {

constexpr int kScrollResolution = 1 << 20;

std::optional<MainLogEntry> mainLogKind(Command id)
{
    switch (id) {
    case Command::LogMarker: return MainLogEntry::Marker;
    case Command::LogDuration: return MainLogEntry::Duration;
    case Command::LogPitchAtMarker: return MainLogEntry::PitchAtMarker;
    case Command::LogPitchSelection: return MainLogEntry::PitchSelection;
    case Command::LogPitchAll: return MainLogEntry::PitchAll;
    case Command::LogLabelsSelection: return MainLogEntry::LabelsSelection;
    case Command::LogLabelsAll: return MainLogEntry::LabelsAll;
    default: return std::nullopt;
    }
}

} // namespace

MainWindow::MainWindow(DocumentSession& session)
    : m_session(session), m_model(std::make_unique<MainViewModel>(session.doc()))
{
    if (!m_session.mainWindow())
        m_session.attachMainWindow(this);
    else
        m_session.addWindow(this);
    SoundController& sound = m_session.app().sound();
    m_analysis = std::make_unique<AnalysisScheduler>(m_session, *m_model);
    m_playback = std::make_unique<PlaybackController>(m_session, sound, *m_model);
    m_recording = std::make_unique<RecordingController>(m_session, sound, *m_model);

    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new MainView(*m_model, {m_analysis.get(), m_playback.get(), m_recording.get()}, central);
    m_session.keepWaveSummary(0, m_view->waveSummary());
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

    m_menus = std::make_unique<CommandMenus>(this, menuBar(), [this] { return route(); });
    buildRecentMenu();

    connect(m_playback.get(), &PlaybackController::stateChanged, this, &MainWindow::updateActions);
    connect(m_recording.get(), &RecordingController::stateChanged, this, &MainWindow::updateActions);
    connect(m_recording.get(), &RecordingController::failed, this,
            [this](const QString& title, const QString& message, const QString& informative) {
                m_session.app().dialogs().showError(this, title, message, informative);
            });
    connect(m_analysis.get(), &AnalysisScheduler::finished, this, [this] {
        showReadouts();
        updateActions();
    });
    connect(m_analysis.get(), &AnalysisScheduler::failed, this, [this](const QString& message) {
        m_session.app().dialogs().showError(this, tr("Analysis"), message);
    });
    connect(m_view, &MainView::readoutsChanged, this, [this] {
        showReadouts();
        updateActions();
        m_session.selectionEdited(this);
    });
    connect(m_view, &MainView::labelsEdited, this, [this] {
        m_session.labelsEdited(this);
        m_session.markChanged();
    });
    connect(m_view, &MainView::labelEditorRequested, this, [this] { labelController::shared().openFor(*this); });
    connect(m_view, &MainView::pageChanged, this, &MainWindow::syncScrollBar);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_syncing)
            return;
        const double q = m_model->_dKnobProportion;
        m_model->AdjustScrollControl(m_scroll->maximum() > 0 ? double(value) / m_scroll->maximum() : 0.0, q);
        m_model->m_bRedraw = true;
        m_view->update();
    });

    connect(&m_session, &DocumentSession::samplesChanged, this, &MainWindow::followSamples);
    connect(&m_session, &DocumentSession::labelsChanged, this, [this](QObject* origin) {
        if (origin == this)
            return;
        m_model->m_bViewIntilized = false;
        m_model->m_bRedraw = true;
        m_view->update();
    });
    connect(&m_session, &DocumentSession::selectionChanged, this, [this](QObject* origin) {
        if (origin == this)
            return;
        m_view->update();
        updateActions();
    });
    connect(&m_session, &DocumentSession::settingsChanged, this, &MainWindow::followSettings);
    connect(&m_session, &DocumentSession::fileNameChanged, this, &MainWindow::updateTitle);
    connect(&m_session, &DocumentSession::modifiedChanged, this, &MainWindow::updateTitle);
    connect(&m_session.app(), &DocumentController::recentFilesChanged, this, &MainWindow::rebuildRecentMenu);
    connect(&m_session.app(), &DocumentController::logShownOrHidden, this, &MainWindow::updateActions);

    const Document& d = m_session.doc();
    if (d.m_bHaveData) {
        m_model->AdjustScrollControl(0, 1.0);
        showSampleRate();
        if (d.s.m_bAutoPitchIntensity)
            m_analysis->start();
    }
    updateTitle();
    updateActions();
}

MainWindow::~MainWindow()
{
    // Everything that reads the document's samples ends, and the view goes,
    // before the document can.
    delete m_view;
    m_view = nullptr;
    m_recording.reset();
    m_playback.reset();
    m_analysis.reset();
    m_session.mainWindowDestroyed(this);
}

bool MainWindow::isMain() const
{
    return m_session.mainWindow() == this;
}

QString MainWindow::readout(const QString& name) const
{
    auto it = m_readouts.find(name);
    return it == m_readouts.end() ? QString() : it->second->text();
}

std::vector<CommandResponder*> MainWindow::route()
{
    return m_session.route(this, this);
}

void MainWindow::buildRecentMenu()
{
    QMenu* file = m_menus->menu(Menu::File);
    m_recent = new QMenu(tr("Open &Recent"), this);
    const QList<QAction*> actions = file->actions();
    const qsizetype open = actions.indexOf(action(Command::Open));
    file->insertMenu(open + 1 < actions.size() ? actions[open + 1] : nullptr, m_recent);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu()
{
    DocumentController& app = m_session.app();
    m_recent->clear();
    const QStringList files = app.recentFiles();
    for (const QString& path : files)
        m_recent->addAction(displayPath(QFileInfo(path).fileName()).replace('&', "&&"), this,
                            [&app, path] { app.openFile(path); });
    if (!files.isEmpty()) {
        m_recent->addSeparator();
        m_recent->addAction(tr("Clear Menu"), this, [&app] { app.clearRecentFiles(); });
    }
    m_recent->setEnabled(!files.isEmpty());
}

std::optional<bool> MainWindow::commandEnabled(Command id) const
{
    const MainViewModel& m = *m_model;
    const bool recording = m_recording->recording();
    if (const auto kind = mainLogKind(id))
        return !recording && mainLogEntryEnabled(m, *kind, m_session.app().logVisible());
    switch (id) {
    case Command::Close: return true;
    case Command::Undo: return !recording && m.doc().m_bHaveData && m_session.canUndo();
    case Command::Cut:
    case Command::Copy:
    case Command::Clear: return !recording && m.doc().m_bHaveData && m.doc().m_bHaveSelection;
    case Command::Paste: return !recording && m_session.app().clipboard().hasData;
    case Command::SelectWindow: return m.validateMenuItem(ViewAction::EditSelectWindow);
    case Command::SelectAll: return m.validateMenuItem(ViewAction::EditSelectAll);
    case Command::ZoomIn: return m.validateMenuItem(ViewAction::ZoomIn);
    case Command::ZoomOut: return m.validateMenuItem(ViewAction::ZoomOut);
    case Command::ZoomHome: return m.validateMenuItem(ViewAction::ZoomHome);
    case Command::ZoomUndo: return m.validateMenuItem(ViewAction::ZoomUndo);
    case Command::ZoomSelection: return m.validateMenuItem(ViewAction::ZoomSelection);
    case Command::ZoomCursor: return m.validateMenuItem(ViewAction::ZoomCursor);
    case Command::AnalysisPitch: return !recording && m.validateMenuItem(ViewAction::AnalysisPitch);
    case Command::AnalysisPitchWindow: return !recording && m.validateMenuItem(ViewAction::AnalysisPitchWindow);
    case Command::AnalysisPitchSelection:
        return !recording && m.validateMenuItem(ViewAction::AnalysisPitchSelection);
    case Command::Spectrogram:
    case Command::SpectrogramWindow: return !recording && m.doc().m_bHaveData;
    case Command::SpectrogramSelection: return !recording && m.doc().m_bHaveData && m.doc().m_bHaveSelection;
    case Command::SpectrumAtMarker: return !recording && m.doc().m_bHaveData && m.doc().m_bHaveMarker;
    case Command::SpectrumSelection: return !recording && m.doc().m_bHaveData && m.doc().m_bHaveSelection;
    case Command::Play: return !recording && m.validateMenuItem(ViewAction::Play);
    case Command::PlayWindow: return !recording && m.validateMenuItem(ViewAction::PlayWindow);
    case Command::PlaySelection: return !recording && m.validateMenuItem(ViewAction::PlaySelection);
    case Command::PlayToggle: return !recording && m.validateMenuItem(ViewAction::PlayWindow);
    case Command::Record: return !recording && m.validateMenuItem(ViewAction::Record);
    case Command::LabelList:
    case Command::Tiers: return !recording && m.doc().m_bHaveData;
    case Command::SavePicture:
    case Command::Print: return !recording && m.doc().m_bHaveData && !m_view->busy();
    default: return std::nullopt;
    }
}

void MainWindow::runCommand(Command id)
{
    if (const auto kind = mainLogKind(id)) {
        addLogEntries(*kind);
        return;
    }
    switch (id) {
    case Command::Close: close(); return;
    case Command::Undo: m_session.undoEdit(); break;
    case Command::Cut: m_session.edit(DocumentSession::EditKind::cut); break;
    case Command::Copy: m_session.copySelection(); break;
    case Command::Paste: m_session.edit(DocumentSession::EditKind::paste); break;
    case Command::Clear: m_session.edit(DocumentSession::EditKind::clear); break;
    case Command::SelectWindow:
    case Command::SelectAll:
        if (id == Command::SelectWindow)
            m_model->EditSelectWindow();
        else
            m_model->EditSelectAll();
        m_view->update();
        m_session.selectionEdited(this);
        break;
    case Command::ZoomUndo: zoom(ZoomCode::Undo); break;
    case Command::ZoomIn: zoom(ZoomCode::In); break;
    case Command::ZoomOut: zoom(ZoomCode::Out); break;
    case Command::ZoomSelection: zoom(ZoomCode::Selection); break;
    case Command::ZoomCursor: zoom(ZoomCode::Marker); break;
    case Command::ZoomHome: zoom(ZoomCode::Home); break;
    case Command::AnalysisPitch:
    case Command::AnalysisPitchSelection:
    case Command::AnalysisPitchWindow: analyse(id); break;
    case Command::Spectrogram: openSpectrogram(m_session, SpectrogramKind::WholeFile); break;
    case Command::SpectrogramSelection: openSpectrogram(m_session, SpectrogramKind::Selection); break;
    case Command::SpectrogramWindow: openSpectrogram(m_session, SpectrogramKind::Window); break;
    case Command::SpectrumAtMarker: openSpectrumAtMarker(m_session); break;
    case Command::SpectrumSelection: openSpectrumOfSelection(m_session); break;
    case Command::Play: play(PlayCode::WholeFile); break;
    case Command::PlaySelection: play(PlayCode::Selection); break;
    case Command::PlayWindow: play(PlayCode::Window); break;
    case Command::PlayToggle: playSelectionOrWindow(); break;
    case Command::Record: record(); break;
    case Command::LabelList: showLabelView(*this, _plabelView); break;
    case Command::Tiers: runTierDialog(m_session, this); break;
    case Command::SavePicture: savePicture(); break;
    case Command::Print: print(); break;
    default: return;
    }
    updateActions();
}

PicturePainter MainWindow::picturePainter(double penFactor) const
{
    return [this, penFactor, summary = m_view->waveSummary()](QPainter& p, const QRect& target) {
        paintMainView(p, *m_model, summary.get(), target, penFactor);
    };
}

void MainWindow::savePicture()
{
    vx::savePicture(m_session.app().dialogs(), this, PictureView::main, m_session.doc().s,
                    picturePainter(kPicturePenFactor));
}

void MainWindow::print()
{
    Dialogs& dialogs = m_session.app().dialogs();
    const std::optional<PictureSize> size = pictureSizeOrSay(dialogs, this, PictureView::main, m_session.doc().s);
    if (!size)
        return;
    if (const std::unique_ptr<QPrinter> printer = askPrinter(dialogs, this))
        printPictureAndSay(dialogs, this, *printer, *size, picturePainter(kPrintPenFactor));
}

void MainWindow::followSettings(OptionGroup group)
{
    const Document& d = m_session.doc();
    switch (group) {
    case OptionGroup::Pitch:
    case OptionGroup::Intensity:
        if (d.s.m_bAutoPitchIntensity && d.m_bHaveData && !m_recording->recording())
            m_analysis->start();
        [[fallthrough]];
    case OptionGroup::Display:
        m_model->m_bViewIntilized = false;
        m_model->m_bRedraw = true;
        m_view->update();
        break;
    default: break;
    }
    updateActions();
}

void MainWindow::analyse(Command id)
{
    if (id == Command::AnalysisPitch)
        m_analysis->analyseWholeFile();
    else if (id == Command::AnalysisPitchSelection)
        m_analysis->analyseSelection();
    else
        m_analysis->analyseWindow();
}

void MainWindow::zoom(ZoomCode code)
{
    m_model->CalibrateScroll(code);
    syncScrollBar();
    m_view->update();
}

void MainWindow::play(PlayCode code)
{
    const QString error = m_playback->play(code);
    if (!error.isEmpty())
        m_session.app().dialogs().showError(this, tr("Playback"), tr("The sound could not be played."), error);
}

void MainWindow::playSelectionOrWindow()
{
    const QString error = m_playback->playSelectionOrWindow();
    if (!error.isEmpty())
        m_session.app().dialogs().showError(this, tr("Playback"), tr("The sound could not be played."), error);
}

void MainWindow::record()
{
    Dialogs& dialogs = m_session.app().dialogs();
    if (m_session.app().sound().isRecording()) {
        dialogs.showError(this, tr("Error in Record"), tr("Another window is recording. Stop that recording first."));
        return;
    }
    // Recording replaces the samples and labels, so unsaved work is offered
    // a save first, whichever file the document came from.
    if (m_session.doc().isDocumentEdited()) {
        AlertSpec ask;
        ask.title = "Save before recording?";
        ask.message = "Save before recording?";
        ask.informative = "The recording replaces the sound and the labels of this document.";
        ask.buttons = {"Save", "Override", "Cancel"};
        const int answer = dialogs.alert(ask);
        if (answer == -1)
            return;
        if (answer == 1) {
            if (!m_session.hiddenLabelsMayGo())
                return;
            const QString name = dialogs.saveFile(this, "copyof.vxt", "vxt");
            if (name.isEmpty() || !m_session.writeTo(name, "copyof"))
                return;
        }
    }
    const QString error = m_recording->start();
    if (!error.isEmpty())
        dialogs.showError(this, tr("Error in Record"), error);
}

// The samples were replaced: the page, the analysed stretches and the
// display start again from the whole new recording.
void MainWindow::followSamples()
{
    m_model->setPitch(std::nullopt);
    m_model->setIntensity(std::nullopt);
    m_model->m_bViewIntilized = false;
    m_model->SetupDisplay(m_view->width(), m_view->height());
    m_model->AdjustScrollControl(0, 1.0);
    m_model->setWholeFileStretches();
    m_model->resetReadouts();
    m_view->dataChanged();
    m_session.keepWaveSummary(0, m_view->waveSummary());
    showSampleRate();
    syncScrollBar();
    showReadouts();
    updateActions();
    if (m_session.doc().s.m_bAutoPitchIntensity)
        m_analysis->start();
}

void MainWindow::updateTitle()
{
    setWindowTitle(m_session.displayName() + "[*] - Voxtrace");
    setWindowModified(m_session.doc().isDocumentEdited());
    setWindowFilePath(m_session.path());
}

void MainWindow::updateActions()
{
    m_menus->update();
    setWindowModified(m_session.doc().isDocumentEdited());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (isMain()) {
        if (!m_session.confirmClose()) {
            event->ignore();
            return;
        }
        m_session.closeOtherWindows();
    }
    event->accept();
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
    m_readouts["Sample rate"]->setText(QString::number(truncInt(m_session.doc().getChannel(0).m_dSampleRate)));
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

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    // The name's bytes come from the URL's encoding, so that a name that is
    // not UTF-8 opens too.
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            m_session.app().openFile(
                fromLocalPath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()));
    event->acceptProposedAction();
}

void MainWindow::addLogEntries(MainLogEntry kind)
{
    LogViewController* log = m_session.app().logView();
    if (!log || !log->isVisible())
        return;
    const bool needsPitch = kind == MainLogEntry::PitchSelection || kind == MainLogEntry::PitchAll;
    if (needsPitch && !m_model->pitch()) {
        m_session.app().dialogs().showError(this, tr("Log"), tr("There is no pitch track to log yet."),
                                            tr("Compute it with Analysis > Pitch and Intensity, then log again."));
        return;
    }
    log->AddLog(mainLogEntries(*m_model, kind, m_session.displayName().toStdString()));
}

} // namespace vx
