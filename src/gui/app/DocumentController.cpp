#include "gui/app/DocumentController.h"

#include "document/SaveCommands.h"
#include "gui/mainview/MainWindow.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QFileInfo>

#include <fstream>

namespace vx {

namespace {

constexpr int kMaxRecent = 10;

std::string recentListPath()
{
    return configFolder() + "/recent-files";
}

QString baseName(const OpenDocument& d)
{
    return d.path.isEmpty() ? QObject::tr("Untitled") : QFileInfo(d.path).completeBaseName();
}

} // namespace

DocumentController::DocumentController(Dialogs& dialogs) : m_dialogs(dialogs) {}

DocumentController::~DocumentController()
{
    for (OpenDocument& d : m_documents) {
        delete d.window;
        d.window = nullptr;
    }
}

MainWindow* DocumentController::makeWindow(OpenDocument& d)
{
    d.window = new MainWindow(*this, d);
    d.window->show();
    return d.window;
}

MainWindow* DocumentController::newDocument()
{
    m_documents.push_back({std::make_unique<Document>(), {}, false, nullptr});
    return makeWindow(m_documents.back());
}

MainWindow* DocumentController::openFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (OpenDocument& d : m_documents) {
        if (d.path == absolute && d.window) {
            d.window->raise();
            d.window->activateWindow();
            return d.window;
        }
    }
    auto doc = std::make_unique<Document>();
    ReadResult r = doc->loadFile(absolute.toStdString(), &m_dialogs);
    if (!r.ok) {
        m_dialogs.showError(QApplication::activeWindow(), tr("Open"),
                            tr("The file \"%1\" could not be opened.").arg(QFileInfo(path).fileName()),
                            QString::fromStdString(r.reason));
        return nullptr;
    }
    const bool foreign = r.reader != "native" && r.reader != "native-pc";
    m_documents.push_back({std::move(doc), absolute, foreign, nullptr});
    addRecent(absolute);
    return makeWindow(m_documents.back());
}

void DocumentController::openWithDialog(QWidget* parent)
{
    for (const QString& path : m_dialogs.openFiles(parent))
        openFile(path);
}

bool DocumentController::writeTo(OpenDocument& d, const QString& path, const std::string& context, QWidget* parent)
{
    SaveBytes bytes = bytesForSave(*d.doc, context);
    if (!bytes.error.empty()) {
        m_dialogs.showError(parent, tr("Error in save"), QString::fromStdString(bytes.error));
        return false;
    }
    std::string error;
    if (!writeFileAtomically(path.toStdString(), bytes.bytes, &error)) {
        m_dialogs.showError(parent, tr("Error in save"), tr("File did not save."), QString::fromStdString(error));
        return false;
    }
    return true;
}

bool DocumentController::save(OpenDocument& d)
{
    // Save writes the native format; a file opened from another format is
    // never overwritten with it, so that asks for a new name.
    if (d.path.isEmpty() || d.foreign)
        return saveAs(d);
    if (!writeTo(d, d.path, "copyof", d.window))
        return false;
    d.doc->clearChanges();
    if (d.window)
        d.window->updateTitle();
    return true;
}

bool DocumentController::saveAs(OpenDocument& d)
{
    const QString name = m_dialogs.saveFile(d.window, baseName(d) + ".vxt", "vxt");
    if (name.isEmpty() || !writeTo(d, name, "copyof", d.window))
        return false;
    d.path = QFileInfo(name).absoluteFilePath();
    d.foreign = false;
    d.doc->clearChanges();
    addRecent(d.path);
    if (d.window)
        d.window->updateTitle();
    return true;
}

bool DocumentController::saveCopyAs(OpenDocument& d)
{
    const QString name = m_dialogs.saveFile(d.window, "copyof", "vxt");
    return !name.isEmpty() && writeTo(d, name, "copyof", d.window);
}

bool DocumentController::saveSelectionAs(OpenDocument& d)
{
    const QString name = m_dialogs.saveFile(d.window, "selection", "vxt");
    return !name.isEmpty() && writeTo(d, name, "selection", d.window);
}

bool DocumentController::exportAs(OpenDocument& d, bool selection)
{
    const QString name = m_dialogs.saveFile(d.window, selection ? "channelselection" : "channelof", "wav");
    return !name.isEmpty() && writeTo(d, name, selection ? "channelselection" : "channel", d.window);
}

bool DocumentController::confirmClose(OpenDocument& d)
{
    if (!d.doc->isDocumentEdited())
        return true;
    switch (m_dialogs.askSaveChanges(d.window, baseName(d))) {
    case SaveChoice::Save: return save(d);
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: return false;
    }
    return false;
}

void DocumentController::closed(OpenDocument& d)
{
    for (auto it = m_documents.begin(); it != m_documents.end(); ++it) {
        if (&*it == &d) {
            it->window = nullptr;
            m_documents.erase(it);
            return;
        }
    }
}

bool DocumentController::closeAll()
{
    std::vector<MainWindow*> windows;
    for (OpenDocument& d : m_documents)
        if (d.window)
            windows.push_back(d.window);
    for (MainWindow* w : windows)
        if (!w->close())
            return false;
    return true;
}

QStringList DocumentController::recentFiles() const
{
    QStringList out;
    std::ifstream in(recentListPath());
    std::string line;
    while (std::getline(in, line) && out.size() < kMaxRecent)
        if (!line.empty())
            out << QString::fromStdString(line);
    return out;
}

void DocumentController::addRecent(const QString& path)
{
    QStringList list = recentFiles();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecent)
        list.removeLast();
    std::string text;
    for (const QString& p : list)
        text += p.toStdString() + "\n";
    makeFolders(configFolder());
    writeFileAtomically(recentListPath(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    emit recentFilesChanged();
}

void DocumentController::clearRecentFiles()
{
    std::remove(recentListPath().c_str());
    emit recentFilesChanged();
}

} // namespace vx
