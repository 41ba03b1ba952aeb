// The spectrum-slice window on a synthetic vowel: the samples it analyses,
// the graph's grids, readouts and marker, refused settings, and its worker
// under closing and changed samples.

#include "gui/GuiSupport.h"
#include "gui/PictureSupport.h"
#include "gui/spectrum/SpectrumWindow.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vx;
using namespace vxtest;

namespace {

constexpr int kRate = 22050;
constexpr int kVowelLength = 22050; // then 0.3 s of digital silence

class SliceWindow : public WindowTest {
protected:
    std::string recording() override
    {
        return makeVowel(kRate, kVowelLength, kVowelLength + kRate * 3 / 10, {{700, 60}, {1200, 70}, {2600, 100}},
                         16000.0 / 30000);
    }
    void settings(const std::function<void(Settings&)>& change)
    {
        session().changeSettings(OptionGroup::FFTLPC, [&](Document& d) { change(d.s); });
    }
    // Runs a command of the main window; the slice window it opened.
    SpectrumWindow* open(Command id)
    {
        window->menus().update();
        if (!window->menus().trigger(id))
            return nullptr;
        return qobject_cast<SpectrumWindow*>(session().windows().back());
    }
    SpectrumWindow* openAt(double sample)
    {
        channel().m_dMarkerFileValue = sample;
        session().doc().m_bHaveMarker = true;
        return open(Command::SpectrumAtMarker);
    }
    SpectrumWindow* openOver(double start, double stop)
    {
        channel().m_dDurationStartFile = start;
        channel().m_dDurationStopFile = stop;
        session().doc().m_bHaveSelection = true;
        return open(Command::SpectrumSelection);
    }
    static bool finished(SpectrumWindow* w)
    {
        return waitUntil([&] { return !w->busy(); }) && w->display().result().has_value();
    }
    SliceResult direct(double start, double stop)
    {
        return computeSpectrumSlice(channel().m_hData.data(), channel().m_dwFileLength, start, stop,
                                    sliceParams(session().doc().s, kRate));
    }
};

} // namespace

TEST_F(SliceWindow, TheMarkerAndSelectionCommandsOpenWindowsThatAnalyseTheirSamplesAndSaySilence)
{
    EXPECT_FALSE(window->menus().isEnabled(Command::SpectrumAtMarker)) << "no marker yet";
    SpectrumWindow* w = openAt(5000);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "FFT::" + window->windowTitle().remove("[*]").toStdString());
    ASSERT_TRUE(finished(w));
    EXPECT_EQ(w->display().result()->fft, direct(5000, 5000).fft) << "the frame starts at the marker's sample";
    EXPECT_NE(w->display().result()->fft, direct(5100, 5100).fft);
    const QStringList formants = w->formantText().section('\n', 0, 0).split('\t');
    ASSERT_EQ(formants.size(), 6) << w->formantText().toStdString();
    EXPECT_NEAR(formants[1].toDouble(), 700, 28) << "F1";
    EXPECT_EQ(w->readout("Bandwidth").toInt(), kRate / session().doc().s.m_nFFTWindowLength);

    // How a stretch's frames are weighed is the core's test; here the slice of a selection.
    const Settings& s = session().doc().s;
    const double hop = kRate * s.m_nFFTAverageStepSize / 1000.0 + 0.5;
    const double start = 4000, stop = start + 2 * hop + s.m_nFFTWindowLength - 10;
    w = openOver(start, stop);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowTitle().startsWith("FFT Selection::"));
    ASSERT_TRUE(finished(w));
    EXPECT_EQ(w->display().result()->frames, 3);
    const std::vector<SlicePoint> expected =
        sliceSpectrumCurve(direct(start, stop), w->display().settings(), w->display().rect());
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(w->display().spectrum(), expected);

    // Silence: a flat spectrum, and the window says so.
    w = openAt(kVowelLength + 1000);
    ASSERT_TRUE(w && finished(w));
    EXPECT_EQ(w->formantText().toStdString(), kSliceSilentText);
    ASSERT_FALSE(w->display().spectrum().empty());
    for (const SlicePoint& p : w->display().spectrum())
        ASSERT_EQ(p.y, w->display().rect().bottom);
    sendMouse(&w->view(), QEvent::MouseMove, QPoint(200, 50));
    EXPECT_EQ(w->readout("Level"), "no signal");
}

TEST_F(SliceWindow, GridsCursorMarkerAndTheAbsoluteScaleFollowTheGraphAndAResizeDoesNotRecompute)
{
    settings([](Settings& s) {
        s.m_nFFTfrequencyRange = 5000;
        s.m_nFFTFrequencyGrid = 1000;
    });
    SpectrumWindow* w = openAt(5000);
    ASSERT_NE(w, nullptr);
    w->resize(700, 500);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_TRUE(finished(w));
    QApplication::processEvents();
    const SliceDisplay& d = w->display();
    EXPECT_EQ(d.rect().left, 20);
    EXPECT_EQ(d.rect().right, w->view().width());
    EXPECT_EQ(d.rect().bottom, w->view().height() - 20);
    const SliceGrid f = d.frequencyGrid();
    ASSERT_EQ(f.lines.size(), 4u) << "the line at 5000 Hz would lie on the right edge";
    ASSERT_EQ(f.labels.size(), 5u);
    EXPECT_EQ(f.labels[0].text, "1000");
    EXPECT_EQ(f.labels[0].x, 20 + d.rect().width() / 5);
    EXPECT_EQ(f.labels[4].x, d.rect().right);
    ASSERT_FALSE(d.dbGrid().labels.empty());
    EXPECT_EQ(d.dbGrid().labels[0].text, "-20");

    const int width = d.rect().width();
    w->resize(900, 600);
    QApplication::processEvents();
    EXPECT_NE(d.rect().width(), width);
    EXPECT_EQ(w->analysesStarted(), 1) << "a resize draws the same result";

    // The cursor at the spectrum's maximum reads 0 dB down; with fewer
    // points than columns every point lies under one.
    settings([](Settings& s) { s.m_nFFTfrequencyRange = 1000; });
    w->resize(1100, 600);
    ASSERT_TRUE(finished(w));
    QApplication::processEvents();
    ASSERT_GE(d.rect().width(), 1000);
    const std::vector<double>& fft = d.result()->fft;
    int best = -1, bestX = 0;
    for (int x = d.rect().left; x <= d.rect().right; ++x) {
        const int j = *d.pointAt(x, 50);
        if (best < 0 || fft[static_cast<std::size_t>(j)] > fft[static_cast<std::size_t>(best)])
            best = j, bestX = x;
    }
    ASSERT_EQ(fft[static_cast<std::size_t>(best)], d.result()->fftMax) << "the maximum is under some column";
    sendMouse(&w->view(), QEvent::MouseMove, QPoint(bestX, 50));
    EXPECT_EQ(w->readout("Level"), "-  0.0");
    EXPECT_EQ(w->readout("Frequency"), QString::asprintf("%5.1f", double(best)));
    EXPECT_EQ(d.cursorX(), std::optional<int>(bestX));

    QTest::mouseClick(&w->view(), Qt::LeftButton, {}, QPoint(bestX, 50));
    ASSERT_EQ(d.markerFrequency(), std::optional<int>(best));
    EXPECT_EQ(d.markerX(), 20 + static_cast<int>(double(d.rect().width()) / 1000 * best));

    // Saved as a picture of the settings' size (72 pixels an inch), laid
    // out again for it, with the envelope and the marker.
    w->menus().update();
    const std::string png = tempPath("slice.png");
    dialogs.saveAnswer = QString::fromStdString(png);
    ASSERT_TRUE(w->menus().trigger(Command::SavePicture));
    const QImage saved(QString::fromStdString(png));
    const PictureSize size = pictureSize(PictureView::spectrum, session().doc().s);
    ASSERT_EQ(saved.size(), QSize(size.width, size.height)) << dialogs.errors.join("\n").toStdString();
    EXPECT_FALSE(boxOf(saved, isBlue).isEmpty()) << "the envelope";
    EXPECT_TRUE(isRed(saved.pixel(20 + static_cast<int>(double(size.width - 20) / 1000 * best), size.height / 2)));

    QTest::mouseClick(&w->view(), Qt::LeftButton, {}, QPoint(5, 50));
    EXPECT_FALSE(d.markerFrequency().has_value()) << "a click in the margin removes the marker";

    // The absolute scale, at a height that tells the offsets apart.
    settings([](Settings& s) {
        s.m_nFFTfrequencyRange = 5000;
        s.m_bFFTAbsolute = true;
        s.m_nFFTAbsoluteRange = 380;
        s.m_nFFTDBGrid = 20;
    });
    w->resize(700, 433);
    ASSERT_TRUE(finished(w));
    QApplication::processEvents();
    const double scale = d.rect().height() / 400.0;
    ASSERT_NE(static_cast<int>(20 * scale), 20 * static_cast<int>(scale)) << "a scale that tells the offsets apart";
    const SliceGrid grid = d.dbGrid();
    ASSERT_GE(grid.labels.size(), 4u);
    EXPECT_EQ(grid.labels[0].text, "0");
    EXPECT_EQ(grid.labels[1].text, "20");

    // The spectrum's minimum (level 0) lies on the grid's 0 dB line.
    const std::vector<double>& levels = d.result()->fft;
    const std::vector<SlicePoint> curve = d.spectrum();
    bool found = false;
    for (std::size_t i = 5; i < levels.size(); ++i)
        if (levels[i] == 0) {
            EXPECT_EQ(curve[i - 4].y, grid.labels[0].y);
            found = true;
        }
    EXPECT_TRUE(found);
    // Under a formant ceiling the envelope is of order 10 and ends at it.
    settings([](Settings& s) { s.m_nFFTFormantCeiling = 2000; });
    ASSERT_TRUE(finished(w));
    EXPECT_EQ(w->readout("LPC coefficients"), "10");
    EXPECT_NEAR(static_cast<double>(d.envelope().size()), d.rect().width() * 2000.0 / 5000, 1);
}

TEST_F(SliceWindow, SettingsThatCannotBeAnalysedAreRefusedWithAMessageNamingThem)
{
    settings([](Settings& s) { s.m_nFFTfrequencyRange = 11025; });
    SpectrumWindow* w = openAt(5000);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(dialogs.alerts, QStringList{"Frequency range is beyond allowable value."});
    EXPECT_EQ(w->analysesStarted(), 0);
    settings([](Settings& s) { s.m_nFFTfrequencyRange = 11000; });
    EXPECT_EQ(w->analysesStarted(), 1) << "a settings change analyses again";
    EXPECT_TRUE(finished(w));

    // The analysis's own refusals are the core's test; one reaches the window here.
    const std::vector<std::pair<std::function<void(Settings&)>, QString>> refused = {
        {[](Settings& s) { s.m_nFFTFrequencyGrid = 0; }, "frequency grid"},
        {[](Settings& s) { s.m_nFFTDBGrid = -5; }, "dB grid"},
        {[](Settings& s) { s.m_nFFTWindowLength = 100; }, "window length"},
        {[](Settings& s) { s.m_bFFTAbsolute = true, s.m_nFFTAbsoluteRange = -25; }, "absolute range"},
        {[](Settings& s) { s.m_bFFTDrawFrequencyGrid = false, s.m_nFFTFrequencyGrid = 0; }, ""},
    };
    const Settings good = session().doc().s;
    for (const auto& [change, name] : refused) {
        dialogs.alerts.clear();
        settings([&](Settings& s) {
            s = good;
            change(s);
        });
        if (name.isEmpty()) {
            EXPECT_TRUE(dialogs.alerts.isEmpty()) << "a grid not drawn needs no step";
            EXPECT_TRUE(finished(w));
        } else {
            ASSERT_EQ(dialogs.alerts.size(), 1) << name.toStdString();
            EXPECT_TRUE(dialogs.alerts[0].contains(name)) << dialogs.alerts[0].toStdString();
            EXPECT_FALSE(w->busy());
        }
    }
}

TEST_F(SliceWindow, ChangedSamplesRecomputeOrCloseAndClosingStopsTheWorker)
{
    QPointer<SpectrumWindow> early = openAt(2000);
    QPointer<SpectrumWindow> late = openAt(20000);
    ASSERT_TRUE(early && late && finished(early) && finished(late));

    // Shorter samples: the early frame is still in them, the late one not.
    ASSERT_TRUE(session().changeSamples([](Document& d) {
        Channels& c = d.getChannel(0);
        c.m_hData.resize(3000);
        c.m_dwFileLength = 3000;
        return true;
    }));
    QApplication::processEvents();
    EXPECT_TRUE(late.isNull()) << "its frame is no longer in the samples";
    ASSERT_FALSE(early.isNull());
    EXPECT_EQ(early->analysesStarted(), 2);
    EXPECT_TRUE(finished(early));

    // A click cancels the computation under way; another computes again.
    QPointer<SpectrumWindow> busy = openOver(0, 2900);
    ASSERT_TRUE(busy && finished(busy));
    // Held on the worker thread until cancelled (for at most 20 s).
    const auto hold = [](SliceControl& control) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!control.cancel && std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
    };
    busy->setBeforeComputing(hold);
    busy->analyse();
    ASSERT_TRUE(busy->busy());
    QTest::mouseClick(&busy->view(), Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_TRUE(waitUntil([&] { return !busy->busy(); }));
    EXPECT_EQ(busy->formantText(), "Cancelled.");
    EXPECT_FALSE(busy->display().result().has_value());
    busy->setBeforeComputing({});
    QTest::mouseClick(&busy->view(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(finished(busy));

    // Closing the main window mid-computation closes every slice window.
    busy->setBeforeComputing(hold);
    busy->analyse();
    ASSERT_TRUE(busy->busy());
    dialogs.saveChoice = SaveChoice::Discard;
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(busy.isNull());
    EXPECT_TRUE(early.isNull());
    window = nullptr;
}
