#include "gui/app/DocumentSession.h"

#include "document/SaveCommands.h"
#include "labels/TextGrid.h"
#include "app/ConfigFile.h"
#include "gui/app/DocumentController.h"
#include "gui/app/OptionPanel.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/LocalPath.h"
#include "labels/Labelling.h"
#include "platform/FileIO.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace vx {

namespace {

bool hasTierLabels(const Channels& c)
{
    for (const TIERS& t : c.m_Tiers)
        if (!t.m_pArrayLabels.empty())
            return true;
    return false;
}

} // namespace

DocumentSession::DocumentSession(DocumentController& app, std::unique_ptr<Document> doc, QString path, bool foreign)
    : m_app(app), m_doc(std::move(doc)), m_path(std::move(path)), m_foreign(foreign)
{
}

DocumentSession::~DocumentSession()
{
    // Windows normally go before the session; any left must not outlive the
    // document they show.
    closeOtherWindows();
    MainWindow* main = std::exchange(m_main, nullptr);
    delete main;
}

QString DocumentSession::displayName() const
{
    return m_path.isEmpty() ? tr("Untitled") : displayPath(QFileInfo(m_path).fileName());
}

void DocumentSession::attachMainWindow(MainWindow* w)
{
    m_main = w;
}

void DocumentSession::mainWindowDestroyed(MainWindow* w)
{
    if (w != m_main)
        return;
    m_main = nullptr;
    closeOtherWindows();
    m_app.sessionEnded(this);
}

void DocumentSession::addWindow(QWidget* w)
{
    std::erase_if(m_windows, [](const QPointer<QWidget>& p) { return p.isNull(); });
    m_windows.emplace_back(w);
}

std::vector<QWidget*> DocumentSession::windows() const
{
    std::vector<QWidget*> out;
    if (m_main)
        out.push_back(m_main);
    for (const QPointer<QWidget>& w : m_windows)
        if (w)
            out.push_back(w.data());
    return out;
}

void DocumentSession::closeOtherWindows()
{
    // Newest first: a window opened from another goes before it.
    while (!m_windows.empty()) {
        QPointer<QWidget> w = m_windows.back();
        m_windows.pop_back();
        delete w.data();
    }
}

void DocumentSession::addReader(SampleReader* r)
{
    if (std::find(m_readers.begin(), m_readers.end(), r) == m_readers.end())
        m_readers.push_back(r);
}

void DocumentSession::removeReader(SampleReader* r)
{
    std::erase(m_readers, r);
}

void DocumentSession::stopReaders()
{
    // A reader may remove itself (or another) while it stops.
    const std::vector<SampleReader*> readers = m_readers;
    for (SampleReader* r : readers)
        if (std::find(m_readers.begin(), m_readers.end(), r) != m_readers.end())
            r->stopReading();
}

bool DocumentSession::changeSamples(const std::function<bool(Document&)>& change)
{
    stopReaders();
    m_summaries.clear();
    if (!change(*m_doc))
        return false;
    emit samplesChanged();
    emit labelsChanged(nullptr);
    emit selectionChanged(nullptr);
    emit modifiedChanged(m_doc->isDocumentEdited());
    return true;
}

QString DocumentSession::title() const
{
    QString title = m_main ? m_main->windowTitle() : displayName() + " - Voxtrace";
    title.remove("[*]");
    return title;
}

std::shared_ptr<const SampleSummary> DocumentSession::waveSummary(int channel) const
{
    auto it = m_summaries.find(channel);
    return it == m_summaries.end() ? nullptr : it->second;
}

void DocumentSession::keepWaveSummary(int channel, std::shared_ptr<const SampleSummary> summary)
{
    m_summaries[channel] = std::move(summary);
}

void DocumentSession::labelsEdited(QObject* origin)
{
    emit labelsChanged(origin);
    emit modifiedChanged(m_doc->isDocumentEdited());
}

void DocumentSession::selectionEdited(QObject* origin)
{
    emit selectionChanged(origin);
}

void DocumentSession::changeSettings(OptionGroup group, const std::function<void(Document&)>& change)
{
    change(*m_doc);
    emit settingsChanged(group);
}

void DocumentSession::markChanged()
{
    m_doc->setDirty();
    emit modifiedChanged(true);
}

QWidget* DocumentSession::dialogParent() const
{
    return m_main;
}

void DocumentSession::setPath(const QString& path, bool foreign)
{
    m_path = path;
    m_foreign = foreign;
    emit fileNameChanged();
}

bool DocumentSession::writeTo(const QString& path, const std::string& context)
{
    Dialogs& dialogs = m_app.dialogs();
    SaveBytes bytes = bytesForSave(*m_doc, context);
    if (!bytes.error.empty()) {
        dialogs.showError(dialogParent(), tr("Error in save"), QString::fromStdString(bytes.error));
        return false;
    }
    std::string error;
    if (!writeFileAtomically(localPath(path), bytes.bytes, &error)) {
        dialogs.showError(dialogParent(), tr("Error in save"), tr("File did not save."),
                          QString::fromStdString(error));
        return false;
    }
    return true;
}

bool DocumentSession::saveConfiguration()
{
    Dialogs& dialogs = m_app.dialogs();
    const QString name = dialogs.saveFile(dialogParent(), "User_Configuration.cfg", "cfg");
    if (name.isEmpty())
        return false;
    std::string error;
    if (!saveUserConfiguration(*m_doc, localPath(name), &error)) {
        dialogs.showError(dialogParent(), tr("Save Configuration"),
                          tr("The configuration could not be saved: %1").arg(QString::fromStdString(error)));
        return false;
    }
    return true;
}

bool DocumentSession::loadConfiguration()
{
    Dialogs& dialogs = m_app.dialogs();
    const QString name = dialogs.openConfigurationFile(dialogParent());
    if (name.isEmpty())
        return false;
    std::string why;
    const auto bytes = readWholeFile(localPath(name), &why, 1 << 20);
    if (!bytes || !loadUserConfiguration(*m_doc, *bytes, &why)) {
        dialogs.showError(dialogParent(), tr("Load Configuration"),
                          tr("The configuration \"%1\" was not loaded.").arg(displayPath(QFileInfo(name).fileName())),
                          QString::fromStdString(why));
        return false;
    }
    for (int g = 0; g < kOptionGroupCount; ++g)
        emit settingsChanged(static_cast<OptionGroup>(g));
    return true;
}

bool DocumentSession::revertToSaved()
{
    Dialogs& dialogs = m_app.dialogs();
    AlertSpec question;
    question.title = tr("Revert to the saved version of \"%1\"?").arg(displayName()).toStdString();
    question.message = tr("The changes made since it was saved will be lost.").toStdString();
    question.buttons = {tr("Revert").toStdString(), "Cancel"};
    if (dialogs.alert(question) != 1)
        return false;
    ReadResult r;
    changeSamples([&](Document& d) {
        r = d.revertToSaved(localPath(m_path), &dialogs);
        return r.ok;
    });
    if (!r.ok) {
        dialogs.showError(dialogParent(), tr("Revert to Saved"),
                          tr("The file \"%1\" could not be read again; the document is as it was.").arg(displayName()),
                          QString::fromStdString(r.reason));
        return false;
    }
    emit modifiedChanged(false);
    return true;
}

bool DocumentSession::hiddenLabelsMayGo()
{
    const std::optional<AlertSpec> question = hiddenTiersSaveQuestion(*m_doc);
    return !question || m_app.dialogs().alert(*question) == 1;
}

bool DocumentSession::save()
{
    // Save writes the native format; a file opened from another format is
    // never overwritten with it, so that asks for a new name.
    if (m_path.isEmpty() || m_foreign)
        return saveAs();
    if (!hiddenLabelsMayGo() || !writeTo(m_path, "copyof"))
        return false;
    m_doc->clearChanges();
    emit modifiedChanged(false);
    return true;
}

bool DocumentSession::saveAs()
{
    if (!hiddenLabelsMayGo())
        return false;
    const QString base = m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).completeBaseName();
    const QString name = m_app.dialogs().saveFile(dialogParent(), base + ".vxt", "vxt");
    if (name.isEmpty() || !writeTo(name, "copyof"))
        return false;
    m_doc->clearChanges();
    setPath(QFileInfo(name).absoluteFilePath(), false);
    m_app.addRecent(m_path);
    emit modifiedChanged(false);
    return true;
}

bool DocumentSession::saveCopyAs()
{
    if (!hiddenLabelsMayGo())
        return false;
    const QString name = m_app.dialogs().saveFile(dialogParent(), "copyof", "vxt");
    return !name.isEmpty() && writeTo(name, "copyof");
}

bool DocumentSession::saveSelectionAs()
{
    if (!hiddenLabelsMayGo())
        return false;
    const QString name = m_app.dialogs().saveFile(dialogParent(), "selection", "vxt");
    return !name.isEmpty() && writeTo(name, "selection");
}

bool DocumentSession::exportAs(bool selection)
{
    const QString name = m_app.dialogs().saveFile(dialogParent(), selection ? "channelselection" : "channelof", "wav");
    return !name.isEmpty() && writeTo(name, selection ? "channelselection" : "channel");
}

bool DocumentSession::importLabels()
{
    const QString path = m_app.dialogs().openLabelFile(dialogParent());
    if (path.isEmpty())
        return false;
    // Labels the import would replace are asked for first; the import can
    // be undone.
    std::size_t count = 0;
    for (const TIERS& t : m_doc->getChannel(0).m_Tiers)
        count += t.m_pArrayLabels.size();
    if (count > 0) {
        AlertSpec question;
        question.title = "Replace the " + std::to_string(count) + " labels of this recording?";
        question.buttons = {"Replace", "Cancel"};
        if (m_app.dialogs().alert(question) != 1)
            return false;
    }
    UndoRecord before = Editor::labels(*m_doc);
    std::string error, note;
    if (!importTextGridFile(m_doc->getChannel(0), localPath(path), &error, &note)) {
        m_app.dialogs().showError(dialogParent(), tr("Import Labels"),
                                  tr("The labels of \"%1\" could not be imported.").arg(QFileInfo(path).fileName()),
                                  QString::fromStdString(error));
        return false;
    }
    m_undo = std::move(before);
    markChanged();
    labelsEdited(nullptr);
    if (!note.empty()) {
        AlertSpec alert;
        alert.title = "Import Labels";
        alert.message = note;
        alert.buttons = {"OK"};
        m_app.dialogs().alert(alert);
    }
    return true;
}

void DocumentSession::copySelection()
{
    Editor::copy(*m_doc, m_app.clipboard());
}

bool DocumentSession::edit(EditKind kind)
{
    Clipboard& clipboard = m_app.clipboard();
    if (kind == EditKind::paste) {
        // Checked before anything is kept or changed.
        if (const PasteRefusal why = Editor::pasteRefusal(*m_doc, clipboard); why != PasteRefusal::none) {
            AlertSpec alert;
            alert.title = pasteRefusalText(why);
            alert.buttons = {"Cancel"};
            m_app.dialogs().alert(alert);
            return false;
        }
    }
    auto run = [&](Document& d, bool undo) {
        switch (kind) {
        case EditKind::cut: return Editor::cut(d, clipboard, undo);
        case EditKind::paste: return Editor::paste(d, clipboard, undo);
        case EditKind::clear: return Editor::clear(d, undo);
        case EditKind::referenceGain:
            return Editor::referenceGain(d, d.s.m_dRefGainReference, d.s.m_dRefGainGainPerCent, undo);
        }
        return UndoRecord{};
    };
    bool noRoom = false;
    UndoRecord record;
    bool changed = changeSamples([&](Document& d) {
        try {
            if (m_beforeUndoRecord)
                m_beforeUndoRecord();
            record = run(d, true);
        } catch (const std::bad_alloc&) {
            // The record is made before any change: the document is as it was.
            noRoom = true;
            return false;
        }
        return true;
    });
    if (noRoom) {
        AlertSpec alert;
        alert.title = "Do you wish to continue without undo capability?";
        alert.message = "Unable to create a backup copy. Undo not available.";
        alert.buttons = {"Continue", "Cancel"};
        if (m_app.dialogs().alert(alert) != 1)
            return false;
        changed = changeSamples([&](Document& d) {
            record = run(d, false);
            return true;
        });
    }
    if (changed)
        m_undo = std::move(record);
    return changed;
}

bool DocumentSession::referenceGain()
{
    if (!m_doc->m_bHaveData)
        return false;
    AlertSpec question;
    question.title = "This operation will change the current data permanently. Save before proceeding ?";
    question.buttons = {"Save", "Override", "Cancel"};
    const int answer = m_app.dialogs().alert(question);
    if (answer < 0)
        return false;
    if (answer == 1) {
        const QString name = m_app.dialogs().saveFile(dialogParent(), "copyof.vxt", "vxt");
        if (name.isEmpty() || !writeTo(name, "copyof"))
            return false;
    }
    return edit(EditKind::referenceGain);
}

bool DocumentSession::undoEdit()
{
    if (m_undo.empty())
        return false;
    return changeSamples([&](Document& d) {
        Editor::undo(d, std::move(m_undo));
        m_undo = UndoRecord{};
        return true;
    });
}

bool DocumentSession::exportLabels()
{
    const QString base = m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).completeBaseName();
    const QString path = m_app.dialogs().saveFile(dialogParent(), base + ".TextGrid", "TextGrid");
    if (path.isEmpty())
        return false;
    std::string error;
    if (!exportTextGridFile(m_doc->getChannel(0), localPath(path), TextGridTiers::points, &error)) {
        m_app.dialogs().showError(dialogParent(), tr("Export Labels"), tr("The labels could not be exported."),
                                  QString::fromStdString(error));
        return false;
    }
    return true;
}

bool DocumentSession::confirmClose()
{
    if (!m_doc->isDocumentEdited())
        return true;
    const QString base = m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).completeBaseName();
    switch (m_app.dialogs().askSaveChanges(dialogParent(), base)) {
    case SaveChoice::Save: return save();
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: return false;
    }
    return false;
}

std::vector<CommandResponder*> DocumentSession::route(QWidget* window, CommandResponder* windowResponder)
{
    std::vector<CommandResponder*> out;
    for (QWidget* w = QApplication::focusWidget(); w && w != window && window->isAncestorOf(w); w = w->parentWidget())
        if (auto* r = dynamic_cast<CommandResponder*>(w))
            out.push_back(r);
    out.push_back(windowResponder);
    out.push_back(this);
    out.push_back(&m_app);
    return out;
}

std::optional<bool> DocumentSession::commandEnabled(Command id) const
{
    const Document& d = *m_doc;
    switch (id) {
    case Command::Save: return d.validateMenuItem(DocumentAction::saveDocument);
    case Command::SaveAs: return d.validateMenuItem(DocumentAction::saveDocumentAs);
    case Command::SaveCopyAs: return d.validateMenuItem(DocumentAction::fileSaveCopyAs);
    case Command::SaveSelectionAs: return d.validateMenuItem(DocumentAction::fileSaveSelectionAs);
    case Command::ExportAs: return d.validateMenuItem(DocumentAction::fileExportAs);
    case Command::ExportSelectionAs: return d.validateMenuItem(DocumentAction::fileExportSelectionAs);
    case Command::ImportLabels: return d.m_bHaveData;
    case Command::SaveConfiguration: return d.validateMenuItem(DocumentAction::fileSaveConfiguration);
    case Command::LoadConfiguration: return d.validateMenuItem(DocumentAction::fileLoadConfiguration);
    case Command::RevertToSaved:
        return d.validateMenuItem(DocumentAction::revertDocumentToSaved) && !m_path.isEmpty() && d.isDocumentEdited();
    case Command::OptionsRecordPlay: return !d.m_bHaveData;
    case Command::OptionsDisplay:
    case Command::OptionsZoom:
    case Command::OptionsFFTLPC:
    case Command::OptionsSpectrogram:
    case Command::OptionsPitch:
    case Command::OptionsIntensity:
    case Command::OptionsLog:
    case Command::OptionsReferenceGain:
        return d.m_bHaveData && !(m_main && m_main->recording().recording());
    case Command::ExportLabels: return d.m_bHaveData && hasTierLabels(d.getChannel(0));
    default: return std::nullopt;
    }
}

void DocumentSession::runCommand(Command id)
{
    switch (id) {
    case Command::Save: save(); break;
    case Command::SaveAs: saveAs(); break;
    case Command::SaveCopyAs: saveCopyAs(); break;
    case Command::SaveSelectionAs: saveSelectionAs(); break;
    case Command::ExportAs: exportAs(false); break;
    case Command::ExportSelectionAs: exportAs(true); break;
    case Command::ImportLabels: importLabels(); break;
    case Command::SaveConfiguration: saveConfiguration(); break;
    case Command::LoadConfiguration: loadConfiguration(); break;
    case Command::RevertToSaved: revertToSaved(); break;
    case Command::OptionsDisplay: runOptionPanel(*this, OptionGroup::Display, dialogParent()); break;
    case Command::OptionsRecordPlay: runOptionPanel(*this, OptionGroup::RecordPlay, dialogParent()); break;
    case Command::OptionsZoom: runOptionPanel(*this, OptionGroup::Zoom, dialogParent()); break;
    case Command::OptionsFFTLPC: runOptionPanel(*this, OptionGroup::FFTLPC, dialogParent()); break;
    case Command::OptionsSpectrogram: runOptionPanel(*this, OptionGroup::Spectrogram, dialogParent()); break;
    case Command::OptionsPitch: runOptionPanel(*this, OptionGroup::Pitch, dialogParent()); break;
    case Command::OptionsIntensity: runOptionPanel(*this, OptionGroup::Intensity, dialogParent()); break;
    case Command::OptionsLog: runOptionPanel(*this, OptionGroup::Log, dialogParent()); break;
    case Command::OptionsReferenceGain:
        if (runOptionPanel(*this, OptionGroup::ReferenceGain, dialogParent()))
            referenceGain();
        break;
    case Command::ExportLabels: exportLabels(); break;
    default: break;
    }
}

} // namespace vx
