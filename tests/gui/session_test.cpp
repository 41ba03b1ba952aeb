// A document's session: its windows close with it, its notices reach every
// window, one gate stops its readers, commands find responders, failures are said.

#include "gui/GuiSupport.h"
#include "gui/mainview/AnalysisScheduler.h"
#include "gui/platform/Worker.h"

#include <QAction>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>

#include <atomic>
#include <filesystem>
#include <thread>

using namespace vx;
using namespace vxtest;

namespace {

// Stands in for the spectrogram and spectrum windows: a window of the
// session whose worker reads the document's samples until it is stopped.
class ReaderWindow : public QWidget, public SampleReader {
public:
    explicit ReaderWindow(DocumentSession& s) : m_session(s)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        m_session.addWindow(this);
        m_session.addReader(this);
        start();
    }
    ~ReaderWindow() override
    {
        stopReading();
        m_session.removeReader(this);
        ++destroyed;
    }
    void start()
    {
        stopReading();
        m_stop = false;
        const Handle<float>& h = m_session.doc().getChannel(0).m_hData;
        m_worker = std::thread([this, data = h.data(), n = h.size()] {
            for (std::size_t i = 0; !m_stop; i = (i + 7) % std::max<std::size_t>(n, 1), ++reads)
                m_last = n ? data[i] : 0.0f;
        });
    }
    void stopReading() override
    {
        m_stop = true;
        if (m_worker.joinable())
            m_worker.join();
    }
    std::atomic<long> reads{0};
    static inline int destroyed = 0;

private:
    DocumentSession& m_session;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<float> m_last{0};
};

class Session : public WindowTest {
protected:
    void select(double fromMs, double toMs)
    {
        Channels& c = channel();
        c.m_dDurationStartTime = fromMs;
        c.m_dDurationStopTime = toMs;
        c.m_dDurationStartFile = fromMs * c.m_dSampleRate / 1000;
        c.m_dDurationStopFile = toMs * c.m_dSampleRate / 1000;
        session().doc().m_bHaveSelection = true;
    }
};

} // namespace

TEST_F(Session, ClosingAsksOnceThenClosesEveryWindowBeforeTheDocumentGoesAndQuitClosesEveryDocument)
{
    ReaderWindow::destroyed = 0;
    MainWindow* second = controller.newDocument();
    ASSERT_NE(second, nullptr);
    QPointer<ReaderWindow> a = new ReaderWindow(session());
    QPointer<ReaderWindow> b = new ReaderWindow(session());
    new ReaderWindow(second->session());
    a->show();
    b->show();
    ASSERT_TRUE(waitUntil([&] { return a->reads > 0 && b->reads > 0; }));
    session().markChanged();
    dialogs.saveChoice = SaveChoice::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(a && b);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].endsWith("speech")) << dialogs.asked[0].toStdString();

    // A window closed by the user goes alone.
    b->close();
    QApplication::processEvents();
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(session().windows().size(), 2u);

    QPointer<DocumentSession> s = &session();
    QPointer<MainWindow> main = window;
    dialogs.saveChoice = SaveChoice::Discard;
    EXPECT_TRUE(controller.closeAll());
    EXPECT_EQ(dialogs.asked.size(), 2) << "asked once more, not once per window";
    EXPECT_TRUE(a.isNull()) << "the other windows go as the main window closes";
    EXPECT_TRUE(waitUntil([&] { return main.isNull() && s.isNull(); })) << "then the session and its document";
    EXPECT_TRUE(waitUntil([&] { return controller.sessions().empty() && ReaderWindow::destroyed == 3; }));
    window = nullptr;
}

TEST_F(Session, ASecondViewFollowsChangesOfSamplesLabelsAndSelection)
{
    auto* other = new MainWindow(session());
    other->resize(window->size());
    other->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other));
    ASSERT_TRUE(waitUntil([&] { return !other->view().busy() && !view().busy(); }));

    // A marker set in one view is drawn in the other.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(300, 100));
    QApplication::processEvents();
    other->view().repaint();
    const QImage seen = other->view().grab().toImage();
    const qreal dpr = seen.devicePixelRatio();
    EXPECT_NE(seen.pixelColor(int(300 * dpr), 100), seen.pixelColor(int(340 * dpr), 100));

    // A label added and announced by one window is drawn by the other.
    const int before = other->view().renderCount();
    channel().m_Tiers[0].bSelected = true;
    auto label = std::make_shared<Labels>();
    label->setLabelNSText("vowel");
    label->dTime = 500;
    channel().Tier_Add_Label_Cocoa(0, label);
    session().labelsEdited(window);
    other->view().repaint();
    EXPECT_GT(other->view().renderCount(), before) << "labels changed: the second view renders again";

    // Samples replaced through the gate: both views show the new length.
    const double newLength = 5000;
    ASSERT_TRUE(session().changeSamples([&](Document& d) {
        Channels& ch = d.getChannel(0);
        ch.m_hData.resize(static_cast<std::size_t>(newLength));
        ch.m_dwFileLength = newLength;
        ch.m_dLengthMS = newLength * 1000 / ch.m_dSampleRate;
        return true;
    }));
    for (MainWindow* w : {window, other}) {
        EXPECT_EQ(w->model().channel0().m_dPageMax, newLength);
        EXPECT_EQ(w->model().m_dPitchSelectionStopPoint, newLength) << "the analysed stretch follows";
    }
    ASSERT_TRUE(waitUntil([&] { return !other->view().busy() && !view().busy(); }));
    EXPECT_TRUE(other->model().pitch().has_value()) << "analysed again after the change";

    // A refused change announces nothing.
    int notices = 0;
    QObject::connect(&session(), &DocumentSession::samplesChanged, other, [&] { ++notices; });
    EXPECT_FALSE(session().changeSamples([](Document&) { return false; }));
    EXPECT_EQ(notices, 0);
}

TEST_F(Session, TheGateStopsPlaybackAndEveryAnalysisBeforeTheSamplesChangeAndAStoppedOneDeliversNothing)
{
    auto* reader = new ReaderWindow(session());
    ASSERT_TRUE(waitUntil([&] { return reader->reads > 0; }));
    ASSERT_TRUE(window->playback().play(PlayCode::WholeFile).isEmpty());
    ASSERT_TRUE(window->playback().playing());
    window->analysis().analyseWholeFile();
    ASSERT_TRUE(window->analysis().busy());

    bool quietInside = false;
    const std::size_t n = channel().m_hData.size();
    ASSERT_TRUE(session().changeSamples([&](Document& d) {
        quietInside = !controller.sound().isPlaying() && !window->playback().playing() &&
                      !window->analysis().busy();
        Handle<float> fresh; // the old buffer goes: a reader still running would read freed memory
        fresh.resize(n);
        std::fill(fresh.data(), fresh.data() + n, 0.25f);
        d.getChannel(0).m_hData = std::move(fresh);
        return true;
    }));
    EXPECT_TRUE(quietInside) << "playback and analyses stop before the change";
    reader->start();
    ASSERT_TRUE(waitUntil([&] { return !view().busy() && reader->reads > 0; }));
    EXPECT_EQ(channel().m_hData[0], 0.25f);

    // The window's analysis takes the page.
    AnalysisScheduler& analysis = window->analysis();
    QSignalSpy finished(&analysis, &AnalysisScheduler::finished);
    window->model().CalibrateScroll(ZoomCode::In);
    analysis.analyseWindow();
    EXPECT_TRUE(analysis.busy());
    EXPECT_EQ(window->model().m_dPitchSelectionStartPoint, channel().m_dPageMin);
    // Stopped as the gate stops it: a result already posted is never delivered.
    analysis.stopReading();
    EXPECT_FALSE(analysis.busy());
    QApplication::processEvents();
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(Session, EveryCommandHasItsEntryAndItsResponderDecidesEnabling)
{
    QSet<Command> seen;
    QSet<QString> keys; // no two commands share a key: Qt would run neither
    for (const CommandInfo& c : commandTable()) {
        EXPECT_FALSE(seen.contains(c.id)) << c.text;
        seen.insert(c.id);
        ASSERT_NE(window->action(c.id), nullptr) << c.text;
        EXPECT_EQ(window->action(c.id)->text(), QObject::tr(c.text));
        const QString k = keySequence(c.shortcut).toString();
        EXPECT_TRUE(k.isEmpty() || !keys.contains(k)) << k.toStdString();
        keys.insert(k);
    }
    EXPECT_EQ(seen.size(), kCommandCount);

    CommandMenus& m = window->menus();
    EXPECT_EQ(m.responderFor(Command::ZoomIn), static_cast<CommandResponder*>(window));
    EXPECT_EQ(m.responderFor(Command::Save), static_cast<CommandResponder*>(&session()));
    EXPECT_EQ(m.responderFor(Command::New), static_cast<CommandResponder*>(&controller));
    EXPECT_EQ(m.responderFor(Command::DeleteRows), nullptr) << "only the log window answers it";
    window->updateActions();
    EXPECT_FALSE(window->action(Command::DeleteRows)->isEnabled());

    // The widget with focus is asked first.
    struct FocusedResponder : QWidget, CommandResponder {
        using QWidget::QWidget;
        std::optional<bool> commandEnabled(Command id) const override
        {
            return id == Command::PlaySelection ? std::optional<bool>(true) : std::nullopt;
        }
        void runCommand(Command) override { ++ran; }
        int ran = 0;
    };
    auto* focused = new FocusedResponder(window->centralWidget());
    focused->setFocusPolicy(Qt::StrongFocus);
    focused->show();
    window->activateWindow();
    focused->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == focused; }));
    EXPECT_TRUE(m.trigger(Command::PlaySelection));
    EXPECT_EQ(focused->ran, 1);
    EXPECT_EQ(m.responderFor(Command::ZoomIn), static_cast<CommandResponder*>(window)) << "the rest goes on";
    delete focused;

    // An action left enabled by a selection that is gone does nothing.
    window->model().EditSelectAll();
    window->updateActions();
    ASSERT_TRUE(window->action(Command::ZoomSelection)->isEnabled());
    window->model().ClearSelection();
    const double pageMax = channel().m_dPageMax;
    window->action(Command::ZoomSelection)->trigger();
    EXPECT_EQ(channel().m_dPageMax, pageMax);
    EXPECT_FALSE(m.trigger(Command::ZoomSelection));
}

TEST_F(Session, LabelsComeFromAndGoToTextGridFiles)
{
    const std::string grid = vxtest::tempPath("words.TextGrid");
    const std::string text = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n2\n<exists>\n1\n"
                             "\"TextTier\"\n\"words\"\n0\n2\n2\n0.25\n\"s\xC3\xA9\"\n1.5\n\"two \"\"words\"\"\"\n";
    vxtest::writeBytes(grid, std::vector<std::uint8_t>(text.begin(), text.end()));
    dialogs.toOpen = {QString::fromStdString(grid)};
    ASSERT_TRUE(window->menus().trigger(Command::ImportLabels));
    const TIERS& tier = channel().m_Tiers[0];
    EXPECT_EQ(tier.strName, "words");
    ASSERT_EQ(tier.m_pArrayLabels.size(), 2u);
    EXPECT_EQ(tier.m_pArrayLabels[1]->getLabelText(), "two \"words\"");
    EXPECT_TRUE(window->isWindowModified());
    // It can be undone; once labels are there an import asks first.
    ASSERT_TRUE(window->menus().trigger(Command::Undo));
    EXPECT_TRUE(tier.m_pArrayLabels.empty());
    EXPECT_EQ(tier.strName, "tones");
    ASSERT_TRUE(window->menus().trigger(Command::ImportLabels));
    dialogs.alertAnswers = {0};
    ASSERT_TRUE(window->menus().trigger(Command::ImportLabels));
    EXPECT_EQ(dialogs.alerts.back(), "Replace the 2 labels of this recording?");
    EXPECT_EQ(tier.m_pArrayLabels.size(), 2u);

    const std::string out = vxtest::tempPath("out.TextGrid");
    dialogs.saveAnswer = QString::fromStdString(out);
    ASSERT_TRUE(window->menus().trigger(Command::ExportLabels));
    const auto written = vxtest::readBytes(out);
    EXPECT_NE(std::string(written.begin(), written.end()).find("\"two \"\"words\"\"\""), std::string::npos);

    // A damaged file changes nothing and says why.
    vxtest::writeBytes(grid, std::vector<std::uint8_t>(text.begin(), text.begin() + 60));
    EXPECT_TRUE(window->menus().trigger(Command::ImportLabels));
    EXPECT_EQ(tier.m_pArrayLabels.size(), 2u);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("words.TextGrid"));
}

TEST_F(Session, EditCommandsGoThroughTheGateUndoPutsTheDocumentBackAndAnEditWithoutUndoAsksFirst)
{
    const std::vector<float> before(channel().m_hData.data(), channel().m_hData.data() + channel().m_hData.size());
    const double rate = channel().m_dSampleRate;
    select(100, 300);
    window->updateActions();
    CommandMenus& m = window->menus();
    ASSERT_TRUE(window->action(Command::Cut)->isEnabled());

    ASSERT_TRUE(window->playback().play(PlayCode::WholeFile).isEmpty());
    window->analysis().analyseWholeFile();
    ASSERT_TRUE(m.trigger(Command::Cut));
    EXPECT_FALSE(window->playback().playing()) << "the gate stopped playback";
    EXPECT_EQ(channel().m_hData.size(), before.size() - static_cast<std::size_t>(0.2 * rate));
    EXPECT_TRUE(window->isWindowModified());

    ASSERT_TRUE(m.trigger(Command::Undo));
    ASSERT_EQ(channel().m_hData.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), channel().m_hData.data()));
    window->updateActions();
    EXPECT_FALSE(window->action(Command::Undo)->isEnabled()) << "one level";

    // Paste at the marker; a clipboard of other channels is refused, spending nothing.
    ASSERT_TRUE(m.trigger(Command::Cut));
    controller.clipboard().channelCount = 2;
    ASSERT_TRUE(m.trigger(Command::Paste));
    EXPECT_EQ(dialogs.alerts.back(), "The channel numbers are not the same. Pasting is NOT available.");
    EXPECT_EQ(channel().m_hData.size(), before.size() - static_cast<std::size_t>(0.2 * rate));
    EXPECT_TRUE(session().canUndo());
    controller.clipboard().channelCount = 1;
    channel().m_dMarkerTime = 100;
    channel().m_dMarkerFileValue = 0.1 * rate;
    session().doc().m_bHaveMarker = true;
    ASSERT_TRUE(m.trigger(Command::Paste));
    ASSERT_EQ(channel().m_hData.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), channel().m_hData.data())) << "cut and pasted back";

    // An edit whose undo record cannot be made asks first.
    select(0, 100);
    session().setBeforeUndoRecord([] { throw std::bad_alloc(); });
    for (const auto& [answer, cut] : {std::pair{0, false}, {1, true}}) {
        dialogs.alertAnswers = {answer};
        EXPECT_EQ(session().edit(DocumentSession::EditKind::cut), cut);
        EXPECT_EQ(dialogs.alerts.back(), "Do you wish to continue without undo capability?");
        EXPECT_EQ(dialogs.alertMessages.back(), "Unable to create a backup copy. Undo not available.");
        EXPECT_EQ(channel().m_hData.size(), before.size() - (cut ? static_cast<std::size_t>(0.1 * rate) : 0));
        EXPECT_EQ(session().canUndo(), !cut) << "Cancel keeps the last undo";
    }
}

TEST_F(Session, ReferenceGainOffersToSaveFirstAndCanBeUndone)
{
    const float first = channel().m_hData[10];
    session().doc().s.m_dRefGainReference = 0;
    session().doc().s.m_dRefGainGainPerCent = 100;
    const std::string copy = vxtest::tempPath("copyof.vxt");
    const struct {
        const char* name;
        QList<int> answers;
        QString saveAs;
        bool changes, writes;
    } cases[] = {
        {"Cancel", {-1}, "", false, false},
        {"Save, then the panel cancelled", {1}, "", false, false},
        {"Save into a folder that is not there", {1}, QString::fromStdString(copy + "/no/such.vxt"), false, false},
        {"Save", {1}, QString::fromStdString(copy), true, true},
        {"Override", {0}, "", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(copy);
        dialogs.alertAnswers = c.answers;
        dialogs.saveAnswer = c.saveAs;
        dialogs.errors.clear();
        EXPECT_EQ(session().referenceGain(), c.changes);
        EXPECT_EQ(dialogs.alerts.back(),
                  "This operation will change the current data permanently. Save before proceeding ?");
        EXPECT_EQ(channel().m_hData[10], c.changes ? 2 * first : first);
        EXPECT_EQ(std::filesystem::exists(copy), c.writes);
        if (!c.saveAs.isEmpty() && !c.writes) {
            EXPECT_TRUE(dialogs.errors.value(0).startsWith("Error in save: File did not save."))
                << dialogs.errors.value(0).toStdString();
        }
        if (c.changes) {
            EXPECT_EQ(dialogs.proposals.back(), "copyof.vxt");
            ASSERT_TRUE(session().undoEdit());
            EXPECT_EQ(channel().m_hData[10], first);
        }
    }
}

TEST(Worker, AComputationThatThrowsIsReportedInItsWindowNotFatal)
{
    struct Control {
        std::atomic<bool> cancel{false};
        std::atomic<int> progress{0};
    };
    QObject context;
    Worker<Control> worker;
    const std::pair<std::function<int(Control&)>, std::string> cases[] = {
        {[](Control&) -> int { throw std::runtime_error("the frame is empty"); }, "the frame is empty"},
        {[](Control&) -> int { throw std::bad_alloc(); }, "there is not enough memory for it"},
        {[](Control&) -> int { return std::vector<int>(1).at(5); }, "vector"},
    };
    for (const auto& [compute, says] : cases) {
        std::optional<std::string> failed;
        bool delivered = false;
        worker.start(&context, compute, [&](int) { delivered = true; },
                     [&](const std::string& why) { failed = why; });
        ASSERT_TRUE(waitUntil([&] { return failed.has_value(); }));
        EXPECT_NE(failed->find(says), std::string::npos) << *failed;
        EXPECT_FALSE(delivered);
    }
    EXPECT_EQ(analysisFailedText("it ran out"), "The analysis failed: it ran out.");
}
