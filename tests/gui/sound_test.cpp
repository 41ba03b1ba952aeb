// The play and record commands of a window, through the application's one
// player and recorder, on a sound system simulated in the test: a played
// stretch is collected as the device would play it, a recording comes from
// a generated tone.

#include "app/AppState.h"
#include "gui/app/DocumentController.h"
#include "gui/GuiSupport.h"

#include <QAction>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

using namespace vx;
using namespace vxtest;

namespace {

// Runs its callback from a thread in blocks of 256 frames, in real time.
class FakeStream : public AudioStream {
public:
    FakeStream(double rate, OutputSource* out, InputSink* in, std::vector<float>* played, std::mutex* lock,
               float amplitude)
        : m_rate(rate), m_out(out), m_in(in), m_played(played), m_lock(lock), m_amplitude(amplitude)
    {
    }
    ~FakeStream() override { stop(false); }
    double sampleRate() const override { return m_rate; }
    std::string start() override
    {
        m_thread = std::thread([this] { run(); });
        return {};
    }
    void stop(bool) override
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool finished() const override { return m_finished; }

private:
    void run()
    {
        constexpr std::size_t kBlock = 256;
        std::vector<float> buf(kBlock);
        auto next = std::chrono::steady_clock::now();
        std::size_t n = 0;
        while (!m_stop && !m_finished) {
            next += std::chrono::microseconds(static_cast<long>(kBlock * 1e6 / m_rate));
            std::this_thread::sleep_until(next);
            if (m_out) {
                const bool more = m_out->render(buf.data(), kBlock);
                std::lock_guard<std::mutex> g(*m_lock);
                m_played->insert(m_played->end(), buf.begin(), buf.end());
                m_finished = !more;
            } else {
                for (std::size_t k = 0; k < kBlock; ++k, ++n)
                    buf[k] = m_amplitude * static_cast<float>(std::sin(2 * M_PI * 440 * double(n) / m_rate));
                m_in->capture(buf.data(), kBlock);
            }
        }
    }

    double m_rate;
    OutputSource* m_out;
    InputSink* m_in;
    std::vector<float>* m_played;
    std::mutex* m_lock;
    float m_amplitude;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_finished{false};
};

struct FakeSound {
    std::mutex lock;
    std::vector<float> played;
    bool refuse = false;
    float amplitude = 0.95f;
    std::atomic<int> outputsOpened{0};
};

class FakeBackend : public AudioBackend {
public:
    explicit FakeBackend(FakeSound& s) : m_s(s) {}
    std::unique_ptr<AudioStream> openOutput(double rate, OutputSource& source, std::string& error) override
    {
        if (m_s.refuse) {
            error = "No sound output device is available.";
            return nullptr;
        }
        ++m_s.outputsOpened;
        return std::make_unique<FakeStream>(rate, &source, nullptr, &m_s.played, &m_s.lock, 0);
    }
    std::unique_ptr<AudioStream> openInput(double rate, InputSink& sink, std::string& error) override
    {
        if (m_s.refuse) {
            error = "No sound input device is available.";
            return nullptr;
        }
        return std::make_unique<FakeStream>(rate, nullptr, &sink, nullptr, nullptr, m_s.amplitude);
    }

private:
    FakeSound& m_s;
};

class Sound : public WindowTest {
protected:
    void beforeOpen() override
    {
        controller.sound().setBackendFactory([this] { return std::make_unique<FakeBackend>(fake); });
    }
    void waitUntil(const std::function<bool()>& done, int ms = 5000)
    {
        for (int waited = 0; waited < ms && !done(); waited += 10)
            QTest::qWait(10);
    }
    std::vector<float> played()
    {
        std::lock_guard<std::mutex> g(fake.lock);
        return fake.played;
    }

    FakeSound fake;
};

} // namespace

TEST_F(Sound, SpacePlaysTheSelectionWithAMovingCursorAndStopsAtItsEnd)
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
    double lastX = 0;
    bool moved = false;
    waitUntil([&] {
        const double x = view().playCursorColumn();
        if (x > 0) {
            EXPECT_GE(x, sel.left - 1);
            EXPECT_LE(x, sel.right + 1);
            EXPECT_GE(x, lastX);
            moved = moved || (lastX > 0 && x > lastX);
            lastX = x;
        }
        return !view().playing();
    });
    EXPECT_FALSE(view().playing()) << "the end of the stretch stops playback";
    EXPECT_TRUE(moved) << "the play cursor follows the played time";
    EXPECT_GT(lastX, sel.left + (sel.right - sel.left) / 2);

    // Sample for sample, then only silence.
    const std::vector<float> out = played();
    ASSERT_GE(out.size(), count);
    for (std::size_t k = 0; k < count; ++k)
        ASSERT_EQ(out[k], channel().m_hData[first + k]) << k;
    for (std::size_t k = count; k < out.size(); ++k)
        ASSERT_EQ(out[k], 0.0f);
}

TEST_F(Sound, APlayCommandOrAClickWhilePlayingOnlyStops)
{
    // No selection: Space plays the visible window.
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_TRUE(view().playing());
    QTest::qWait(60);
    window->action("play")->trigger();
    EXPECT_FALSE(view().playing());
    EXPECT_FALSE(controller.sound().isPlaying());
    EXPECT_EQ(fake.outputsOpened, 1) << "the second command started nothing";

    window->action("playWindow")->trigger();
    ASSERT_TRUE(view().playing());
    const double marker = window->model().m_bHaveMarker;
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(400, 100));
    EXPECT_FALSE(view().playing());
    EXPECT_NE(window->model().m_bHaveMarker, marker) << "the click is still handled";

    // No device: a message, nothing plays.
    fake.refuse = true;
    window->action("play")->trigger();
    EXPECT_FALSE(view().playing());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("No sound output device")) << dialogs.errors[0].toStdString();
}

TEST_F(Sound, RecordingAsksForUnsavedWorkShowsItsLevelAndLoadsOnAClick)
{
    LabelRecord label;
    label.strText = "ba";
    label.dTime = 500;
    channel().Add_Label(label);
    window->model().doc().setDirty();

    // Unsaved work is offered a save first; Cancel changes nothing.
    dialogs.alertAnswers = {-1};
    window->action("record")->trigger();
    EXPECT_EQ(dialogs.alerts, QStringList{"Save before recording?"});
    EXPECT_FALSE(view().recording());

    // Override, but no input device: a message, the labels are still there.
    fake.refuse = true;
    dialogs.alertAnswers = {0};
    window->action("record")->trigger();
    EXPECT_FALSE(view().recording());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Error in Record")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(channel().m_nLabelCount, 1);

    // Save writes a copy first, then records.
    fake.refuse = false;
    dialogs.alertAnswers = {1};
    dialogs.saveAnswer = QString::fromStdString(tempPath("before.vxt"));
    window->action("record")->trigger();
    ASSERT_TRUE(view().recording()) << dialogs.errors.join("\n").toStdString();
    EXPECT_FALSE(readBytes(dialogs.saveAnswer.toStdString()).empty());
    EXPECT_EQ(channel().m_nLabelCount, 0);
    EXPECT_FALSE(window->action("play")->isEnabled());

    // A loud tone turns the level bar red; the bar moves on every display.
    waitUntil([&] { return view().levelBar().red; }, 3000);
    EXPECT_TRUE(view().levelBar().red);
    const double x = view().levelBar().x;
    view().repaint();
    EXPECT_EQ(view().levelBar().x, x + 2);
    QTest::qWait(600);

    // The click only stops; the recording loads at the record rate.
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(400, 100));
    EXPECT_FALSE(view().recording());
    EXPECT_FALSE(window->model().m_bHaveMarker) << "the stopping click sets no marker";
    // Playing the old samples until the recording replaces them.
    window->action("playWindow")->trigger();
    EXPECT_TRUE(view().playing());
    waitUntil([&] { return channel().m_dSampleRate == app().g_nRecordSampleRate; }, 2000);
    waitForAnalysis(*window);
    EXPECT_EQ(channel().m_dSampleRate, 11025);
    EXPECT_FALSE(view().playing()) << "loading the recording stopped the playback of the old samples";
    EXPECT_EQ(window->readout("Sample rate"), "11025");
    EXPECT_GT(channel().m_dwFileLength, 0.5 * 11025);
    EXPECT_LT(channel().m_dwFileLength, 5 * 11025);
    EXPECT_EQ(channel().m_hData.size(), static_cast<std::size_t>(channel().m_dwFileLength));
    EXPECT_NEAR(channel().m_hData[100], 0.95 * std::sin(2 * M_PI * 440 * 100 / 11025.0), 1e-6);
    EXPECT_EQ(channel().m_dPageMax, channel().m_dwFileLength);
    EXPECT_EQ(window->model().m_dPitchSelectionStopPoint, channel().m_dwFileLength);
    EXPECT_TRUE(window->model().doc().isDocumentEdited());
    EXPECT_TRUE(window->model().pitch().has_value()) << "the new recording is analysed";
    EXPECT_EQ(dialogs.errors.size(), 1);
}

TEST_F(Sound, ANewWindowRecordsWithoutAskingAndAnotherWindowMustWait)
{
    MainWindow* fresh = controller.newDocument();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fresh));
    ASSERT_TRUE(fresh->action("record")->isEnabled());
    EXPECT_FALSE(fresh->action("play")->isEnabled());
    fresh->action("record")->trigger();
    ASSERT_TRUE(fresh->view().recording()) << dialogs.errors.join("\n").toStdString();
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    // One input: the other window is told to wait.
    window->action("record")->trigger();
    EXPECT_FALSE(view().recording());
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("Another window is recording"));

    QTest::qWait(300);
    QTest::mouseClick(&fresh->view(), Qt::LeftButton, {}, QPoint(300, 100));
    Document& d = fresh->model().doc();
    waitUntil([&] { return d.m_bHaveData; }, 2000);
    ASSERT_TRUE(d.m_bHaveData);
    EXPECT_EQ(d.getChannel(0).m_dSampleRate, 11025);
    EXPECT_TRUE(fresh->action("play")->isEnabled());
    EXPECT_TRUE(fresh->windowTitle().contains("Untitled"));
    EXPECT_TRUE(fresh->isWindowModified());
}
