#include "gui/app/DocumentController.h"

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "gui/app/AboutWindow.h"
#include "gui/log/LogViewController.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/LocalPath.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>

#include <fstream>

namespace vx {

namespace {

constexpr int kMaxRecent = 10;

std::string recentListPath()
{
    return configFolder() + "/recent-files";
}

// One name a line in the list: a line feed or backslash in a name is
// written as \n or \\, so that no name splits into two.
std::string escapeLine(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescapeLine(const std::string& line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == 'n')) {
            out += line[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += line[i];
        }
    }
    return out;
}

} // namespace

DocumentController::DocumentController(Dialogs& dialogs) : m_dialogs(dialogs) {}

DocumentController::~DocumentController()
{
    // Each document's windows stop their work and go before the document.
    while (!m_sessions.empty()) {
        std::unique_ptr<DocumentSession> s = std::move(m_sessions.front());
        m_sessions.pop_front();
        s.reset();
    }
    gLogView.reset();
    delete m_about;
}

MainWindow* DocumentController::makeWindow(std::unique_ptr<Document> doc, const QString& path, bool foreign)
{
    m_sessions.push_back(std::make_unique<DocumentSession>(*this, std::move(doc), path, foreign));
    auto* w = new MainWindow(*m_sessions.back());
    w->show();
    return w;
}

MainWindow* DocumentController::newDocument()
{
    return makeWindow(std::make_unique<Document>(), {}, false);
}

MainWindow* DocumentController::openFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const auto& s : m_sessions) {
        if (s->path() == absolute && s->mainWindow()) {
            s->mainWindow()->raise();
            s->mainWindow()->activateWindow();
            return s->mainWindow();
        }
    }
    auto doc = std::make_unique<Document>();
    ReadResult r = doc->loadFile(localPath(absolute), &m_dialogs);
    if (!r.ok) {
        m_dialogs.showError(QApplication::activeWindow(), tr("Open"),
                            tr("The file \"%1\" could not be opened.").arg(displayPath(QFileInfo(path).fileName())),
                            QString::fromStdString(r.reason));
        return nullptr;
    }
    if (!r.notes.empty()) {
        QString notes;
        for (const std::string& n : r.notes)
            notes += QString::fromStdString(n) + ".\n";
        m_dialogs.showError(QApplication::activeWindow(), tr("Open"),
                            tr("The file \"%1\" was repaired as it was opened.").arg(displayPath(QFileInfo(path).fileName())),
                            notes.trimmed());
    }
    const bool foreign = r.reader != "native" && r.reader != "native-pc";
    addRecent(absolute);
    return makeWindow(std::move(doc), absolute, foreign);
}

void DocumentController::openWithDialog(QWidget* parent)
{
    for (const QString& path : m_dialogs.openFiles(parent))
        openFile(path);
}

void DocumentController::sessionEnded(DocumentSession* s)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
        if (it->get() == s) {
            it->release()->deleteLater();
            m_sessions.erase(it);
            return;
        }
    }
}

LogViewController& DocumentController::logWindow()
{
    if (!gLogView)
        gLogView = std::make_unique<LogViewController>(*this);
    return *gLogView;
}

bool DocumentController::logVisible() const
{
    return gLogView && gLogView->isVisible();
}

LogViewController& DocumentController::newLog()
{
    LogViewController& log = logWindow();
    log.newLog();
    log.show();
    log.raise();
    log.activateWindow();
    return log;
}

void DocumentController::openLogWithDialog(QWidget* parent)
{
    const QString path = m_dialogs.openLogFile(parent);
    if (!path.isEmpty())
        openLog(path);
}

bool DocumentController::openLog(const QString& path)
{
    LogViewController& log = logWindow();
    if (!log.openLog(path))
        return false;
    log.show();
    log.raise();
    log.activateWindow();
    return true;
}

bool DocumentController::revertToDefaults()
{
    AlertSpec alert;
    alert.title = "Reverting to default configuration";
    alert.informative = "Voxtrace will be closed, save all your work before.";
    alert.buttons = {"Yes", "No"};
    alert.applicationModal = true;
    if (m_dialogs.alert(alert) != 1)
        return false;
    // Every document is asked about first; a Cancel keeps the settings.
    if (!closeAll())
        return false;
    revertToDefaultConfiguration();
    QApplication::quit();
    return true;
}

void DocumentController::showAbout()
{
    if (!m_about) {
        m_about = new AboutWindow(QApplication::activeWindow());
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

bool DocumentController::closeAll()
{
    // The log asks first about its unsaved rows; a Cancel stops here.
    if (logVisible() && !gLogView->close())
        return false;
    std::vector<QPointer<MainWindow>> windows;
    for (const auto& s : m_sessions)
        if (s->mainWindow())
            windows.emplace_back(s->mainWindow());
    for (const QPointer<MainWindow>& w : windows)
        if (w && !w->close())
            return false;
    return true;
}

std::optional<bool> DocumentController::commandEnabled(Command id) const
{
    switch (id) {
    case Command::New:
    case Command::Open:
    case Command::Quit:
    case Command::About:
    case Command::RevertToDefaultConfiguration:
        return true;
    case Command::NewLog:
    case Command::OpenLog: return !logVisible();
    case Command::SaveLog: return logVisible() && gLogView->log().isDirty();
    case Command::SaveLogAs: return logVisible() && gLogView->hasFile();
    default:
        return std::nullopt;
    }
}

void DocumentController::runCommand(Command id)
{
    switch (id) {
    case Command::New: newDocument(); break;
    case Command::Open: openWithDialog(QApplication::activeWindow()); break;
    case Command::Quit:
        if (closeAll())
            QApplication::quit();
        break;
    case Command::NewLog: newLog(); break;
    case Command::OpenLog: openLogWithDialog(QApplication::activeWindow()); break;
    case Command::SaveLog: gLogView->Save(); break;
    case Command::SaveLogAs: gLogView->SaveAs(); break;
    case Command::About: showAbout(); break;
    case Command::RevertToDefaultConfiguration: revertToDefaults(); break;
    default: break;
    }
}

QStringList DocumentController::recentFiles() const
{
    QStringList out;
    std::ifstream in(recentListPath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line) && out.size() < kMaxRecent)
        if (!line.empty())
            out << fromLocalPath(unescapeLine(line));
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
        text += escapeLine(localPath(p)) + "\n";
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
