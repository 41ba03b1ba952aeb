// The play and record commands of a window, through the application's one
// player and recorder, on the simulated sound system of FakeSound.h.

#include "gui/GuiSupport.h"

#include <QAction>

#include <cmath>

using namespace vx;
using namespace vxtest;

using Sound = WindowTest;

TEST_F(Sound, SpacePlaysTheSelectionWithAMovingCursorAndStopsAtItsEndAndAPlayCommandOrAClickOnlyStops)
{
    QTest::mousePress(&view(), Qt::LeftButton, {}, QPoint(200, 100));
    QTest::mouseMove(&view(), QPoint(300, 100));
    QTest::mouseRelease(&view(), Qt::LeftButton, {}, QPoint(300, 100));
    ASSERT_TRUE(window->model().m_bHaveSelection);
    const std::size_t first = static_cast<std::size_t>(channel().m_dDurationStartFile);
    const std::size_t count = static_cast<std::size_t>(channel().m_dDurationFile);
    ASSERT_GT(count, 1000u);
    const Rect sel = channel().GetSelectionRect(window->model().geometry().dataArea);

    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_TRUE(view().playing()) << dialogs.errors.join("\n").toStdString();
    // (Where the cursor stands at a played time is the core's test.)
    double lastX = 0;
    EXPECT_TRUE(waitUntil([&] {
        lastX = std::max(lastX, view().playCursorColumn());
        return !view().playing();
    })) << "the end of the stretch stops playback";
    EXPECT_GT(lastX, sel.left + (sel.right - sel.left) / 2) << "the play cursor moved on with the sound";
    EXPECT_LE(lastX, sel.right + 1);

    const std::vector<float> out = played();
    ASSERT_GE(out.size(), count);
    for (std::size_t k = 0; k < count; ++k)
        ASSERT_EQ(out[k], channel().m_hData[first + k]) << k;
    for (std::size_t k = count; k < out.size(); ++k)
        ASSERT_EQ(out[k], 0.0f);

    // A play command or a click while playing only stops.
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return played().size() > out.size(); })) << "playback under way";
    window->action(Command::Play)->trigger();
    EXPECT_FALSE(view().playing());
    EXPECT_FALSE(controller.sound().isPlaying());
    EXPECT_EQ(fake.outputsOpened, 2) << "the second command started nothing";

    window->model().ClearSelection();
    window->action(Command::PlayWindow)->trigger();
    ASSERT_TRUE(view().playing());
    const double marker = window->model().m_bHaveMarker;
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(400, 100));
    EXPECT_FALSE(view().playing());
    EXPECT_NE(window->model().m_bHaveMarker, marker) << "the click is still handled";

    // No device: a message, nothing plays.
    fake.refuse = true;
    window->action(Command::Play)->trigger();
    EXPECT_FALSE(view().playing());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("No sound output device")) << dialogs.errors[0].toStdString();
}

TEST_F(Sound, RecordingAsksForUnsavedWorkShowsItsLevelAndLoadsOnAClick)
{
    // A label on a hidden tier: saved in the native file only where shown.
    channel().m_Tiers[2].strName = "Notes";
    auto note = std::make_shared<Labels>();
    note->setLabelNSText("aside");
    note->dTime = 800;
    channel().Tier_Add_Label_Cocoa(2, note);
    window->model().doc().setDirty();
    const auto& notes = channel().m_Tiers[2].m_pArrayLabels;

    dialogs.alertAnswers = {-1};
    window->action(Command::Record)->trigger();
    EXPECT_EQ(dialogs.alerts, QStringList{"Save before recording?"});
    EXPECT_FALSE(view().recording());

    // Override, but no input device: a message, the labels are still there.
    fake.refuse = true;
    dialogs.alertAnswers = {0};
    window->action(Command::Record)->trigger();
    EXPECT_FALSE(view().recording());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Error in Record")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(notes.size(), 1u);

    // Save: the hidden labels are asked about first, and Cancel there records nothing.
    fake.refuse = false;
    dialogs.alerts.clear();
    dialogs.alertAnswers = {1, 0};
    window->action(Command::Record)->trigger();
    EXPECT_EQ(dialogs.alerts, (QStringList{"Save before recording?", "Labels on hidden tiers"}));
    EXPECT_FALSE(view().recording());

    // Save writes a copy first, then records.
    dialogs.alertAnswers = {1, 1};
    dialogs.saveAnswer = QString::fromStdString(tempPath("before.vxt"));
    window->action(Command::Record)->trigger();
    ASSERT_TRUE(view().recording()) << dialogs.errors.join("\n").toStdString();
    EXPECT_FALSE(readBytes(dialogs.saveAnswer.toStdString()).empty());
    EXPECT_TRUE(channel().m_Tiers[2].m_pArrayLabels.empty());
    EXPECT_FALSE(window->action(Command::Play)->isEnabled());
    EXPECT_TRUE(waitUntil([&] { return view().levelBar().red; })) << "the loud tone's level is shown";
    ASSERT_TRUE(waitUntil([&] { return controller.sound().recordedSeconds() >= 0.6; }));

    // The click only stops; the recording loads at the record rate.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(400, 100));
    EXPECT_FALSE(view().recording());
    EXPECT_FALSE(window->model().m_bHaveMarker) << "the stopping click sets no marker";
    // Playing the old samples until the recording replaces them.
    window->action(Command::PlayWindow)->trigger();
    EXPECT_TRUE(view().playing());
    ASSERT_TRUE(waitUntil([&] { return channel().m_dSampleRate == 11025; })) << "the record rate";
    ASSERT_NO_FATAL_FAILURE(waitForAnalysis(*window));
    EXPECT_FALSE(view().playing()) << "loading the recording stopped the playback of the old samples";
    EXPECT_GT(channel().m_dwFileLength, 0.5 * 11025);
    EXPECT_LT(channel().m_dwFileLength, 5 * 11025);
    EXPECT_NEAR(channel().m_hData[100], 0.95 * std::sin(2 * M_PI * 440 * 100 / 11025.0), 1e-6);
    EXPECT_EQ(window->model().m_dPitchSelectionStopPoint, channel().m_dwFileLength);
    EXPECT_TRUE(window->model().doc().isDocumentEdited());
    EXPECT_TRUE(window->model().pitch().has_value()) << "the new recording is analysed";
    EXPECT_EQ(dialogs.errors.size(), 1);
}

TEST_F(Sound, ANewWindowRecordsWithoutAskingAndAnotherWindowMustWait)
{
    MainWindow* fresh = controller.newDocument();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fresh));
    ASSERT_TRUE(fresh->action(Command::Record)->isEnabled());
    EXPECT_FALSE(fresh->action(Command::Play)->isEnabled());
    fresh->action(Command::Record)->trigger();
    ASSERT_TRUE(fresh->view().recording()) << dialogs.errors.join("\n").toStdString();
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    // One input: the other window is told to wait.
    window->action(Command::Record)->trigger();
    EXPECT_FALSE(view().recording());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("Another window is recording"));

    ASSERT_TRUE(waitUntil([&] { return controller.sound().recordedSeconds() >= 0.3; }));
    QTest::mouseClick(&fresh->view(), Qt::LeftButton, {}, QPoint(300, 100));
    Document& d = fresh->model().doc();
    ASSERT_TRUE(waitUntil([&] { return d.m_bHaveData; }));
    EXPECT_TRUE(fresh->action(Command::Play)->isEnabled());
    EXPECT_TRUE(fresh->isWindowModified());
}
