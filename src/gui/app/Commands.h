#pragma once
// The application's commands: one table (menu, identifier, text, shortcut)
// from which every top-level window builds its menu bar, and the route a
// command takes through a window's responders.
//
// A window asks its responders in turn: the view with focus, the window,
// the document session, the application. The first that handles a command
// answers it: it decides whether the command is enabled and runs it. A
// command no responder handles is disabled. Enabling is asked again when a
// command fires, so a shortcut of a disabled command does nothing.

#include <QKeySequence>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace vx {

enum class Command {
    New,
    Open,
    Save,
    SaveAs,
    SaveCopyAs,
    SaveSelectionAs,
    RevertToSaved,
    ExportAs,
    ExportSelectionAs,
    ImportLabels,
    ExportLabels,
    SavePicture,
    Print,
    SaveConfiguration,
    LoadConfiguration,
    RevertToDefaultConfiguration,
    Close,
    Quit,
    Undo,
    Cut,
    Copy,
    Paste,
    Clear,
    DeleteRows,
    SelectWindow,
    SelectAll,
    ZoomIn,
    ZoomOut,
    ZoomSelection,
    ZoomCursor,
    ZoomHome,
    ZoomUndo,
    LabelList,
    Tiers,
    AnalysisPitch,
    AnalysisPitchSelection,
    AnalysisPitchWindow,
    Spectrogram,
    SpectrogramSelection,
    SpectrogramWindow,
    SpectrumAtMarker,
    SpectrumSelection,
    Play,
    PlaySelection,
    PlayWindow,
    PlayToggle,
    Record,
    NewLog,
    OpenLog,
    SaveLog,
    SaveLogAs,
    LogMarker,
    LogDuration,
    LogPitchAtMarker,
    LogPitchSelection,
    LogPitchAll,
    LogLabelsSelection,
    LogLabelsAll,
    LogFormantsMarker,
    LogFormantsSelection,
    OptionsDisplay,
    OptionsRecordPlay,
    OptionsZoom,
    OptionsFFTLPC,
    OptionsSpectrogram,
    OptionsPitch,
    OptionsIntensity,
    OptionsLog,
    OptionsReferenceGain,
    About,
};

enum class Menu { File, Edit, View, Analysis, Sound, Log, Options, Help };

// A standard key of the platform, or a portable key text ("Ctrl+E").
// Kept as plain values: key sequences need a running application.
struct Shortcut {
    QKeySequence::StandardKey standard = QKeySequence::UnknownKey;
    const char* portable = nullptr;
};

struct CommandInfo {
    Command id;
    Menu menu;
    const char* text;
    Shortcut shortcut;
    bool separatorBefore = false;
};

QKeySequence keySequence(const Shortcut& s);

// Every command once, in menu order.
std::span<const CommandInfo> commandTable();
const CommandInfo& commandInfo(Command id);
constexpr int kCommandCount = static_cast<int>(Command::About) + 1;
QString menuTitle(Menu menu);

// Something that may answer commands.
class CommandResponder {
public:
    virtual ~CommandResponder() = default;
    // Whether the command is enabled now, or nothing when this responder
    // does not handle it.
    virtual std::optional<bool> commandEnabled(Command id) const = 0;
    virtual void runCommand(Command id) = 0;
};

// A window's menu bar built from the table, with the route to its
// responders. The route is asked afresh at every call.
class CommandMenus {
public:
    using Route = std::function<std::vector<CommandResponder*>()>;

    // Builds the menus into `bar`; actions are parented to `window`.
    CommandMenus(QWidget* window, QMenuBar* bar, Route route);

    QAction* action(Command id) const { return m_actions[static_cast<std::size_t>(id)]; }
    QMenu* menu(Menu m) const { return m_menus[static_cast<std::size_t>(m)]; }
    // The responder that would answer, or null.
    CommandResponder* responderFor(Command id) const;
    bool isEnabled(Command id) const;
    // Runs the command if its responder still has it enabled.
    bool trigger(Command id);
    // Enables every action as its responder says.
    void update();

private:
    Route m_route;
    std::array<QAction*, kCommandCount> m_actions{};
    std::array<QMenu*, 8> m_menus{};
};

} // namespace vx
