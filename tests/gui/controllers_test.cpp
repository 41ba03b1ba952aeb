// The controllers of a main view driven without any widget: a session on a
// generated recording, the view model, and the analysis, playback and
// recording controllers on a simulated sound system.

#include "app/AppState.h"
#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/FakeSound.h"
#include "gui/GuiSupport.h"
#include "gui/mainview/AnalysisScheduler.h"
#include "gui/mainview/PlaybackController.h"
#include "gui/mainview/RecordingController.h"
#include "gui/platform/Worker.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace vx;
using namespace vxtest;

namespace {

class Controllers : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        applicationWillFinishLaunching();
        controller.sound().setBackendFactory([this] { return std::make_unique<FakeBackend>(fake); });
        auto doc = std::make_unique<Document>();
        ASSERT_TRUE(doc->loadFile(makeRecording(), &dialogs).ok);
        session = std::make_unique<DocumentSession>(controller, std::move(doc), QString(), true);
        model = std::make_unique<MainViewModel>(session->doc());
        model->SetupDisplay(800, 300);
        model->AdjustScrollControl(0, 1.0);
    }
    Channels& channel() { return session->doc().getChannel(0); }

    ScriptedDialogs dialogs;
    DocumentController controller{dialogs};
    FakeSound fake;
    std::unique_ptr<DocumentSession> session;
    std::unique_ptr<MainViewModel> model;
};

} // namespace

TEST_F(Controllers, AnalysisOfTheWholeFileAndOfTheWindowInstallsResultsOnTheMainThread)
{
    AnalysisScheduler analysis(*session, *model);
    QSignalSpy finished(&analysis, &AnalysisScheduler::finished);
    analysis.analyseWholeFile();
    EXPECT_TRUE(analysis.busy());
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }));
    ASSERT_TRUE(model->pitch().has_value());
    ASSERT_TRUE(model->intensity().has_value());
    EXPECT_GT(model->pitchAt(500), 100);
    EXPECT_LT(model->pitchAt(500), 200);

    model->CalibrateScroll(ZoomCode::In);
    analysis.analyseWindow();
    EXPECT_EQ(model->m_dPitchSelectionStartPoint, channel().m_dPageMin);
    // Stopped as the gate stops it: nothing arrives afterwards.
    analysis.stopReading();
    EXPECT_FALSE(analysis.busy());
    // The worker has been joined: a result it had posted is delivered now or never.
    QApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(Controllers, PlaybackPlaysTheSelectionAndStopsWhenTheSamplesAreAboutToChange)
{
    PlaybackController playback(*session, controller.sound(), *model);
    model->EditSelectAll();
    channel().m_dDurationStartFile = 1000;
    channel().m_dDurationFile = channel().m_dDurationStopFile - 1000;
    ASSERT_TRUE(playback.playSelectionOrWindow().isEmpty());
    ASSERT_TRUE(playback.playing());
    EXPECT_EQ(playback.playFirst(), 1000);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard<std::mutex> g(fake.lock);
        return fake.played.size() > 2048;
    }));
    session->stopReaders();
    EXPECT_FALSE(playback.playing());
    EXPECT_FALSE(controller.sound().isPlaying());
    std::lock_guard<std::mutex> g(fake.lock);
    for (std::size_t k = 0; k < 2048; ++k)
        ASSERT_EQ(fake.played[k], channel().m_hData[1000 + k]) << k;
}

TEST_F(Controllers, ARecordingReplacesTheSamplesThroughTheGate)
{
    channel().m_Tiers[0].bSelected = true;
    channel().Tier_Add_Label_Cocoa(0, std::make_shared<Labels>());
    RecordingController recording(*session, controller.sound(), *model);
    QSignalSpy samples(session.get(), &DocumentSession::samplesChanged);
    QSignalSpy loaded(&recording, &RecordingController::loaded);
    ASSERT_TRUE(recording.start().isEmpty());
    EXPECT_TRUE(recording.recording());
    EXPECT_EQ(channel().m_Tiers[0].m_pArrayLabels.size(), 0u) << "labels go once recording runs";
    ASSERT_TRUE(waitUntil([&] { return recording.seconds() > 0.2; }));
    recording.stopByClick();
    ASSERT_TRUE(waitUntil([&] { return loaded.count() == 1; }));
    EXPECT_EQ(samples.count(), 1);
    EXPECT_EQ(channel().m_dSampleRate, app().g_nRecordSampleRate);
    EXPECT_GT(channel().m_dwFileLength, 0.2 * channel().m_dSampleRate);
}

TEST_F(Controllers, AComputationThatThrowsIsReportedInItsWindowNotFatal)
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
