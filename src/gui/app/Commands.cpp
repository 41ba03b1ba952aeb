#include "gui/app/Commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <stdexcept>

namespace vx {

namespace {

using K = QKeySequence;

constexpr Shortcut none{};
constexpr Shortcut standard(K::StandardKey k)
{
    return {k, nullptr};
}
constexpr Shortcut keys(const char* text)
{
    return {K::UnknownKey, text};
}

const std::array<CommandInfo, kCommandCount> kTable{{
    {Command::New, Menu::File, "&New", standard(K::New)},
    {Command::Open, Menu::File, "&Open...", standard(K::Open)},
    {Command::Save, Menu::File, "&Save", standard(K::Save), true},
    {Command::SaveAs, Menu::File, "Save &As...", standard(K::SaveAs)},
    {Command::SaveCopyAs, Menu::File, "Save &Copy As...", none},
    {Command::SaveSelectionAs, Menu::File, "Save Se&lection As...", none},
    {Command::RevertToSaved, Menu::File, "Re&vert to Saved", none},
    {Command::ExportAs, Menu::File, "&Export as WAVE...", keys("Ctrl+Shift+E"), true},
    {Command::ExportSelectionAs, Menu::File, "Export Selection as &WAVE...", none},
    {Command::ImportLabels, Menu::File, "&Import Labels...", none, true},
    {Command::ExportLabels, Menu::File, "Export &Labels...", none},
    {Command::SavePicture, Menu::File, "Save as &Picture...", none, true},
    // Ctrl+P is Pitch and Intensity's.
    {Command::Print, Menu::File, "&Print...", none},
    {Command::SaveConfiguration, Menu::File, "Save Con&figuration...", none, true},
    {Command::LoadConfiguration, Menu::File, "Loa&d Configuration...", none},
    {Command::RevertToDefaultConfiguration, Menu::File, "Revert to Default Configuration", none},
    {Command::Close, Menu::File, "&Close", standard(K::Close), true},
    {Command::Quit, Menu::File, "&Quit", standard(K::Quit)},
    {Command::Undo, Menu::Edit, "&Undo", standard(K::Undo)},
    {Command::Cut, Menu::Edit, "Cu&t", standard(K::Cut), true},
    {Command::Copy, Menu::Edit, "&Copy", standard(K::Copy)},
    {Command::Paste, Menu::Edit, "&Paste", standard(K::Paste)},
    {Command::Clear, Menu::Edit, "Cl&ear", none},
    {Command::DeleteRows, Menu::Edit, "&Delete Rows", standard(K::Delete)},
    {Command::SelectWindow, Menu::Edit, "Select &Window", none, true},
    {Command::SelectAll, Menu::Edit, "Select &All", standard(K::SelectAll)},
    {Command::ZoomIn, Menu::View, "Zoom &In", standard(K::ZoomIn)},
    {Command::ZoomOut, Menu::View, "Zoom &Out", standard(K::ZoomOut)},
    {Command::ZoomSelection, Menu::View, "Zoom to &Selection", keys("Ctrl+E")},
    {Command::ZoomCursor, Menu::View, "Zoom at &Marker", keys("Ctrl+M")},
    {Command::ZoomHome, Menu::View, "Zoom &Home", keys("Ctrl+0")},
    {Command::ZoomUndo, Menu::View, "&Undo Zoom", keys("Ctrl+Backspace")},
    {Command::LabelList, Menu::View, "&Label List", keys("Ctrl+L"), true},
    {Command::Tiers, Menu::View, "&Tiers...", keys("Ctrl+T")},
    {Command::AnalysisPitch, Menu::Analysis, "&Pitch and Intensity", keys("Ctrl+P")},
    {Command::AnalysisPitchSelection, Menu::Analysis, "Pitch and Intensity of &Selection", none},
    {Command::AnalysisPitchWindow, Menu::Analysis, "Pitch and Intensity of &Window", none},
    {Command::Spectrogram, Menu::Analysis, "Spectrogram", none, true},
    {Command::SpectrogramSelection, Menu::Analysis, "Spectrogram of Selection", none},
    {Command::SpectrogramWindow, Menu::Analysis, "Spectrogram of Window", none},
    {Command::SpectrumAtMarker, Menu::Analysis, "FFT/LPC Spectrum", none, true},
    {Command::SpectrumSelection, Menu::Analysis, "FFT/LPC of Selection", none},
    {Command::Play, Menu::Sound, "&Play", none},
    {Command::PlaySelection, Menu::Sound, "Play &Selection", none},
    {Command::PlayWindow, Menu::Sound, "Play &Window", none},
    {Command::PlayToggle, Menu::Sound, "Play or S&top", keys("Space")},
    {Command::Record, Menu::Sound, "&Record", keys("Ctrl+R"), true},
    {Command::NewLog, Menu::Log, "New Log", none},
    {Command::OpenLog, Menu::Log, "Open Log...", none},
    {Command::SaveLog, Menu::Log, "Save Log", none},
    {Command::SaveLogAs, Menu::Log, "Save Log As...", none},
    {Command::LogMarker, Menu::Log, "&Marker Entry", keys("Ctrl+Shift+M"), true},
    {Command::LogDuration, Menu::Log, "&Duration Entry", keys("Ctrl+Shift+D")},
    {Command::LogPitchAtMarker, Menu::Log, "&Pitch at Marker", keys("Ctrl+Shift+P")},
    {Command::LogPitchSelection, Menu::Log, "Pitch of &Selection", none},
    {Command::LogPitchAll, Menu::Log, "Pitch of &Whole Analysis", none},
    {Command::LogLabelsSelection, Menu::Log, "&Labels in Selection", none},
    {Command::LogLabelsAll, Menu::Log, "&All Labels", none},
    {Command::LogFormantsMarker, Menu::Log, "&Formants at Marker", keys("Ctrl+Shift+F")},
    {Command::LogFormantsSelection, Menu::Log, "Formants of S&election", none},
    {Command::OptionsDisplay, Menu::Options, "&Display...", none},
    {Command::OptionsRecordPlay, Menu::Options, "&Record/Play...", none},
    {Command::OptionsZoom, Menu::Options, "&Zoom...", none},
    {Command::OptionsFFTLPC, Menu::Options, "&FFT/LPC...", none, true},
    {Command::OptionsSpectrogram, Menu::Options, "&Spectrogram...", none},
    {Command::OptionsPitch, Menu::Options, "&Pitch...", none},
    {Command::OptionsIntensity, Menu::Options, "&Intensity...", none},
    {Command::OptionsLog, Menu::Options, "&Log...", none, true},
    {Command::OptionsReferenceGain, Menu::Options, "Reference &Gain...", none},
    {Command::About, Menu::Help, "&About Voxtrace", none},
}};

bool tableInOrder()
{
    for (int i = 0; i < kCommandCount; ++i)
        if (static_cast<int>(kTable[static_cast<std::size_t>(i)].id) != i)
            return false;
    return true;
}

} // namespace

std::span<const CommandInfo> commandTable()
{
    return kTable;
}

const CommandInfo& commandInfo(Command id)
{
    static const bool ordered = tableInOrder();
    if (!ordered)
        throw std::logic_error("the command table is not in the order of its identifiers");
    return kTable.at(static_cast<std::size_t>(id));
}

QKeySequence keySequence(const Shortcut& s)
{
    if (s.portable)
        return QKeySequence(QString::fromLatin1(s.portable), QKeySequence::PortableText);
    return s.standard == QKeySequence::UnknownKey ? QKeySequence() : QKeySequence(s.standard);
}

QString menuTitle(Menu menu)
{
    switch (menu) {
    case Menu::File: return QObject::tr("&File");
    case Menu::Edit: return QObject::tr("&Edit");
    case Menu::View: return QObject::tr("&View");
    case Menu::Analysis: return QObject::tr("&Analysis");
    case Menu::Sound: return QObject::tr("&Sound");
    case Menu::Log: return QObject::tr("&Log");
    case Menu::Options: return QObject::tr("&Options");
    case Menu::Help: return QObject::tr("&Help");
    }
    return {};
}

CommandMenus::CommandMenus(QWidget* window, QMenuBar* bar, Route route) : m_route(std::move(route))
{
    for (std::size_t m = 0; m < m_menus.size(); ++m) {
        m_menus[m] = bar->addMenu(menuTitle(static_cast<Menu>(m)));
        QObject::connect(m_menus[m], &QMenu::aboutToShow, window, [this] { update(); });
    }
    for (const CommandInfo& c : kTable) {
        QMenu* into = menu(c.menu);
        if (c.separatorBefore)
            into->addSeparator();
        QAction* a = into->addAction(QObject::tr(c.text));
        a->setShortcut(keySequence(c.shortcut));
        a->setParent(window);
        const Command id = c.id;
        QObject::connect(a, &QAction::triggered, window, [this, id] { trigger(id); });
        m_actions[static_cast<std::size_t>(id)] = a;
    }
}

CommandResponder* CommandMenus::responderFor(Command id) const
{
    for (CommandResponder* r : m_route())
        if (r && r->commandEnabled(id).has_value())
            return r;
    return nullptr;
}

bool CommandMenus::isEnabled(Command id) const
{
    CommandResponder* r = responderFor(id);
    return r && r->commandEnabled(id).value_or(false);
}

bool CommandMenus::trigger(Command id)
{
    CommandResponder* r = responderFor(id);
    if (!r || !r->commandEnabled(id).value_or(false))
        return false;
    r->runCommand(id);
    return true;
}

void CommandMenus::update()
{
    for (const CommandInfo& c : kTable)
        action(c.id)->setEnabled(isEnabled(c.id));
}

} // namespace vx
