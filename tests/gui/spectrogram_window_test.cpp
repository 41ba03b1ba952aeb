// The spectrogram window on synthetic signals: the grey picture of two
// tones, formant dots of a vowel, the layout with and without tiers and
// waveform, the mouse with its marker, selection and readouts, the spectra
// it opens, playback of its selection, and its worker under resizing,
// closing and changed samples.

#include "gui/GuiSupport.h"
#include "gui/PictureSupport.h"
#include "gui/spectrogram/SpectrogramWindow.h"
#include "gui/spectrum/SpectrumWindow.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <filesystem>
#include <numbers>

using namespace vx;
using namespace vxtest;

namespace {

constexpr int kRate = 10000;

// 1 s: 1000 Hz and, 20 dB below it, 3000 Hz.
std::string makeTones()
{
    std::vector<double> y(kRate);
    for (int n = 0; n < kRate; ++n)
        y[static_cast<std::size_t>(n)] = 0.5 * std::sin(2 * std::numbers::pi * 1000 * n / kRate) +
                                         0.05 * std::sin(2 * std::numbers::pi * 3000 * n / kRate);
    return writeSignal(y, kRate, "tones.wav");
}

// 0.6 s of a vowel with formants at 600, 1400 and 2400 Hz, then 0.4 s of
// digital silence.
std::string makeVowel()
{
    return vxtest::makeVowel(kRate, kRate * 6 / 10, kRate, {{600, 60}, {1400, 80}, {2400, 100}}, 0.8);
}

// Each test opens its own recording.
class Spectrogram : public WindowTest {
protected:
    std::string recording() override { return {}; }
    void open(const std::string& file, const std::function<void(Settings&)>& settings = {})
    {
        ASSERT_NO_FATAL_FAILURE(WindowTest::open(file));
        session().changeSettings(OptionGroup::Spectrogram, [&](Document& d) {
            Settings& s = d.s;
            s.m_bSpecDrawAudio = s.m_bSpecDrawLabels = false;
            s.m_bSpecDrawFrequencyGrid = s.m_bSpecDrawTimeGrid = false;
            s.m_nSpecfrequencyRange = 5000;
            if (settings)
                settings(s);
        });
    }
    // Runs a command of the main window; the spectrogram window it opened,
    // analysed.
    SpectrogramWindow* spectrogram(Command id = Command::Spectrogram)
    {
        window->menus().update();
        const std::size_t before = session().windows().size();
        if (!window->menus().trigger(id) || session().windows().size() == before)
            return nullptr;
        auto* s = qobject_cast<SpectrogramWindow*>(session().windows().back());
        if (s) {
            s->resize(700, 400);
            EXPECT_TRUE(waitUntil([&] { return s->analysesStarted() > 0 && !s->busy() && s->result(); }));
            // The size may still settle once.
            waitUntil([&] { return s->layout().client.width() == s->view().width() && !s->busy(); }, 2000);
        }
        return s;
    }
};

// The analysis row of a frequency, and the device pixel of a column and row.
int rowOf(const SpectrogramWindow& w, double hz)
{
    return static_cast<int>(hz * w.layout().rows / w.settings().m_nSpecfrequencyRange);
}
QRgb pixel(const SpectrogramWindow& w, int column, int row)
{
    const SpectrogramLayout& l = w.layout();
    return w.picture().pixel(static_cast<int>(l.spectrogram.left * l.scale) + column,
                             static_cast<int>(l.spectrogram.top * l.scale) + l.rows - 1 - row);
}

} // namespace

TEST_F(Spectrogram, TwoTonesShowDarkRowsAtTheirFrequenciesWithTheDocumentedGreys)
{
    ASSERT_NO_FATAL_FAILURE(open(makeTones(), [](Settings& s) {
        s.m_nSpecWindowLength = 256;
        s.m_nSpecDynamicRange = 50;
        s.m_dPreEmphasis = 0;
        s.m_bSpecDrawFormantTracking = false;
    }));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Spectrogram:: " + window->windowTitle().remove("[*]"));
    const SpectrogramData& d = w->result()->data;
    ASSERT_EQ(d.columns, w->layout().columns);
    ASSERT_EQ(d.rows, w->layout().rows);
    EXPECT_EQ(w->picture().width(), w->view().width());

    // The loudest point sits at the dynamic range, on the 1000 Hz row, and
    // is black; 3000 Hz is 20 dB below; 2000 Hz is more than the range below.
    int peakColumn = 0, peakRow = 0;
    for (int i = 0; i < d.columns; ++i)
        for (int j = 0; j < d.rows; ++j)
            if (d.level(i, j) > d.level(peakColumn, peakRow))
                peakColumn = i, peakRow = j;
    EXPECT_EQ(d.level(peakColumn, peakRow), 50);
    EXPECT_NEAR(peakRow, rowOf(*w, 1000), 2);
    EXPECT_EQ(greyIndex(d.level(peakColumn, peakRow), 50), 256);
    EXPECT_EQ(qRed(pixel(*w, peakColumn, peakRow)), 0) << "black";
    const int column = d.columns / 2;
    double second = 0;
    for (int j = rowOf(*w, 2800); j < rowOf(*w, 3200); ++j)
        second = std::max(second, d.level(column, j));
    EXPECT_NEAR(second, 30, 3) << "20 dB below";
    EXPECT_EQ(d.level(column, rowOf(*w, 2000)), 0);
    // The picture holds the grey of each level, row 0 at the bottom.
    for (int j : {rowOf(*w, 1000), rowOf(*w, 3000)}) {
        const int g = greyIndex(d.level(column, j), 50);
        EXPECT_EQ(qRed(pixel(*w, column, j)), greyRamp()[static_cast<std::size_t>(g)]) << "row " << j;
    }
    EXPECT_EQ(qRed(pixel(*w, column, rowOf(*w, 2000))), 254) << "nearly white";
    EXPECT_EQ(w->readout("Window length"), "256");
    EXPECT_EQ(w->readout("Dynamic range"), "50");
    EXPECT_EQ(w->readout("Pre-emphasis"), "0.00");
    EXPECT_EQ(w->readout("Bandwidth"), QString::number(int(session().doc().s.m_dAnalysisSampleRate / 256)));
}

TEST_F(Spectrogram, AtPixelRatioTwoEachDevicePixelHasItsOwnColumnAndRow)
{
    ASSERT_NO_FATAL_FAILURE(open(makeTones(), [](Settings& s) {
        s.m_nSpecWindowLength = 256;
        s.m_bSpecDrawFormantTracking = false;
    }));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    const qreal dpr = w->view().devicePixelRatioF();
    if (dpr < 2)
        GTEST_SKIP() << "the screen's pixel ratio is " << dpr << "; the test runs again at 2";
    const SpectrogramLayout& l = w->layout();
    EXPECT_EQ(l.columns, 2 * l.spectrogram.width());
    EXPECT_EQ(l.rows, 2 * l.spectrogram.height());
    EXPECT_EQ(w->picture().size(), w->view().size() * dpr);
    const SpectrogramData& d = w->result()->data;
    ASSERT_EQ(d.rows, l.rows);
    const int column = d.columns / 2;
    for (int row : {rowOf(*w, 1000), rowOf(*w, 1000) + 1}) {
        const int g = greyIndex(d.level(column, row), w->settings().m_nSpecDynamicRange);
        EXPECT_EQ(qRed(pixel(*w, column, row)), greyRamp()[static_cast<std::size_t>(g)]) << "row " << row;
    }
}

TEST_F(Spectrogram, AVowelHasFormantDotsNearItsResonancesAndNoneInSilence)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel(), [](Settings& s) {
        s.m_bSpecDrawFormantTracking = true;
        s.m_nSpecLPCNumberofCoefficients = 12;
        s.m_nSpecDynamicRange = 50;
    }));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    const SpectrogramData& d = w->result()->data;
    ASSERT_TRUE(d.haveFormants);
    int checked = 0;
    for (int i = d.columns / 10; i < d.columns * 5 / 10; i += 7, ++checked)
        for (double f : {600.0, 1400.0, 2400.0}) {
            double nearest = 1e9;
            for (std::uint16_t s : d.formants[static_cast<std::size_t>(i)])
                if (s != kNoFormant && std::abs(s - f) < std::abs(nearest - f))
                    nearest = s;
            EXPECT_NEAR(nearest, f, f * 0.05) << "column " << i;
        }
    EXPECT_GT(checked, 10);
    for (int i = d.columns * 7 / 10; i < d.columns; ++i)
        for (std::uint16_t s : d.formants[static_cast<std::size_t>(i)])
            ASSERT_EQ(s, kNoFormant) << "silent column " << i;

    // A dot is drawn on F1 in a voiced column.
    const int column = d.columns / 3;
    bool blue = false;
    for (int j = rowOf(*w, 540); j < rowOf(*w, 660); ++j)
        for (int dx = -3; dx <= 3; ++dx) {
            const QRgb p = pixel(*w, column + dx, j);
            blue = blue || qBlue(p) > qRed(p) + 60;
        }
    EXPECT_TRUE(blue);
}

// Where the blue dots lie inside `r`, as fractions of its width and height.
QPointF blueCentre(const QImage& image, const QRect& r)
{
    double x = 0, y = 0;
    int n = 0;
    for (int j = r.top(); j <= r.bottom(); ++j)
        for (int i = r.left(); i <= r.right(); ++i)
            if (isBlue(image.pixel(i, j))) {
                x += double(i - r.left()) / r.width();
                y += double(j - r.top()) / r.height();
                ++n;
            }
    return n ? QPointF(x / n, y / n) : QPointF(-1, -1);
}

TEST_F(Spectrogram, PictureIsComputedForItsOwnPixelsAndACancelWritesNothing)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel(), [](Settings& s) {
        s.m_bSpecDrawFormantTracking = true;
        s.m_nSpecLPCNumberofCoefficients = 12;
    }));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    w->menus().update();
    ASSERT_TRUE(w->menus().action(Command::SavePicture)->isEnabled());

    // A click while the picture is computed drops it.
    const std::string cancelled = tempPath("cancelled.png");
    dialogs.saveAnswer = QString::fromStdString(cancelled);
    ASSERT_TRUE(w->menus().trigger(Command::SavePicture));
    EXPECT_TRUE(w->picturing());
    sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
    EXPECT_FALSE(w->picturing());
    QApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(cancelled));
    EXPECT_FALSE(w->cursor().marker()) << "the click only cancels";

    const PictureSize size = pictureSize(PictureView::spectrogram, session().doc().s);
    const SpectrogramLayout l = spectrogramPictureLayout(channel(), w->settings(), QSize(size.width, size.height), 4);
    const std::string png = tempPath("spectrogram.png"), svgPath = tempPath("spectrogram.svg");
    for (const std::string& path : {png, svgPath}) {
        dialogs.saveAnswer = QString::fromStdString(path);
        ASSERT_TRUE(w->menus().trigger(Command::SavePicture));
        ASSERT_TRUE(waitUntil([&] { return !w->picturing(); }));
        ASSERT_TRUE(std::filesystem::exists(path)) << dialogs.errors.join("\n").toStdString();
    }
    // The levels are one cell a picture pixel; the formant dots lie where
    // the screen has them.
    const QImage picture(QString::fromStdString(png));
    ASSERT_EQ(picture.size(), QSize(size.width, size.height));
    const SpectrogramLayout& s = w->layout();
    const auto device = [](const Rect& r, double k) {
        return QRect(int(r.left * k), int(r.top * k), int(r.width() * k), int(r.height() * k));
    };
    const QPointF onScreen = blueCentre(w->picture(), device(s.spectrogram, s.scale));
    const QPointF inPicture = blueCentre(picture, device(l.spectrogram, l.scale));
    ASSERT_GE(onScreen.x(), 0);
    EXPECT_NEAR(inPicture.x(), onScreen.x(), 0.02);
    EXPECT_NEAR(inPicture.y(), onScreen.y(), 0.02);
    const SvgContents svg = readSvg(svgPath);
    EXPECT_EQ(svg.count("image"), 1) << "the levels";
    EXPECT_GT(svg.shapes(), 50) << "the dots and frames";
}

TEST_F(Spectrogram, LayoutWithLabelsAndWaveformOffAndOn)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel()));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    const int W = w->view().width();

    channel().m_Tiers[0].bSelected = true, channel().m_Tiers[0].nHeigth = 30, channel().m_Tiers[0].strName = "words";
    channel().m_Tiers[2].bSelected = true, channel().m_Tiers[2].nHeigth = 20;
    auto label = std::make_shared<Labels>();
    label->_strText = "a";
    label->dTime = 300;
    label->bAddLine = true;
    channel().m_Tiers[0].addLabel(label);
    const int started = w->analysesStarted();
    session().changeSettings(OptionGroup::Spectrogram,
                             [](Document& d) { d.s.m_bSpecDrawAudio = d.s.m_bSpecDrawLabels = true; });
    ASSERT_TRUE(waitUntil([&] { return w->analysesStarted() > started && !w->busy() && w->result(); }));
    // The bands' places are the core's layout test; the window draws in them.
    const SpectrogramLayout& l = w->layout();
    EXPECT_EQ(l.tiers[2].bottom, 50);
    EXPECT_GT(l.audio.bottom, l.audio.top);
    EXPECT_EQ(w->result()->data.rows, l.rows);

    // The label's line runs down through the spectrogram at its time.
    const int x = 50 + static_cast<int>(300.0 * (W - 50) / channel().m_dLengthMS);
    const QImage& p = w->picture();
    EXPECT_EQ(p.pixel(x, (l.spectrogram.top + l.spectrogram.bottom) / 2) & 0xFFFFFF, 0u);
    int ink = 0; // the waveform band and the tier's name have ink
    for (int y = l.audio.top + 1; y < l.audio.bottom - 1; ++y)
        ink += qRed(p.pixel(50 + (W - 50) / 4, y)) < 100;
    EXPECT_GT(ink, 3);
    int name = 0;
    for (int y = 0; y < 30; ++y)
        for (int xx = 0; xx < 48; ++xx)
            name += qRed(p.pixel(xx, y)) < 128;
    EXPECT_GT(name, 5);
}

// The cursor's rules (margins, drags past an edge, mirror drags) are the
// core's test; here the view's mouse reaches them and the commands follow.
TEST_F(Spectrogram, MouseSetsMarkerSelectionAndReadoutsInsideTheSpectrogramOnly)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel()));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    QWidget* v = &w->view();
    const Rect r = w->layout().spectrogram;
    const double msPerPixel = channel().m_dLengthMS / r.width();
    sendMouse(v, QEvent::MouseButtonPress, QPointF(20, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(20, 100));
    EXPECT_FALSE(w->cursor().marker()) << "the frequency margin is ignored";
    EXPECT_FALSE(w->commandEnabled(Command::SpectrumAtMarker).value());
    sendMouse(v, QEvent::MouseMove, QPointF(r.right, r.top));
    EXPECT_EQ(w->readout("Frequency"), "5000.0");
    EXPECT_EQ(w->readout("Cursor"), QString::fromStdString(formatTenths(channel().m_dLengthMS)));

    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 100, r.bottom - r.height() / 2.0), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 100, r.bottom - r.height() / 2.0));
    ASSERT_TRUE(w->cursor().marker());
    EXPECT_NEAR(w->cursor().marker()->time, 100 * msPerPixel, 1e-9);
    EXPECT_NEAR(w->cursor().marker()->frequency, 2500, 1e-9);
    EXPECT_TRUE(w->commandEnabled(Command::SpectrumAtMarker).value());
    EXPECT_FALSE(w->commandEnabled(Command::PlaySelection).value());
    EXPECT_FALSE(w->commandEnabled(Command::Play).value()) << "whole-file play is never enabled here";

    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 150, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPointF(r.left + 200, 120), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPointF(r.left + 250, 120), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 250, 120));
    ASSERT_TRUE(w->cursor().selection());
    EXPECT_EQ(w->readout("Duration"), QString::fromStdString(formatTenths(100 * msPerPixel)));
    EXPECT_TRUE(w->commandEnabled(Command::PlaySelection).value());
    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 300, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 300, 100));
    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 300, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 300, 100));
    ASSERT_TRUE(w->cursor().marker());

    // The marker keeps its time through a resize.
    const double t = w->cursor().marker()->time;
    const int started = w->analysesStarted();
    w->resize(900, 450);
    ASSERT_TRUE(waitUntil([&] { return w->analysesStarted() > started && !w->busy() && w->result(); }));
    EXPECT_EQ(w->result()->data.columns, w->view().width() - 50);
    EXPECT_EQ(w->cursor().marker()->time, t);
    EXPECT_NEAR(w->cursor().markerX(), w->layout().spectrogram.left + t / channel().m_dLengthMS *
                                                                           w->layout().spectrogram.width(), 1e-6);
}

TEST_F(Spectrogram, SpectraOpenAtTheMarkerSampleAndOverTheSelection)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel()));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    QWidget* v = &w->view();
    const Rect r = w->layout().spectrogram;
    const int x = r.left + 137;
    sendMouse(v, QEvent::MouseButtonPress, QPointF(x, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(x, 100));
    w->menus().update();
    ASSERT_TRUE(w->menus().trigger(Command::SpectrumAtMarker));
    auto* slice = qobject_cast<SpectrumWindow*>(session().windows().back());
    ASSERT_NE(slice, nullptr);
    const double expected = std::trunc(137.0 * channel().m_dwFileLength / r.width());
    EXPECT_EQ(slice->startPoint(), expected);
    EXPECT_EQ(slice->stopPoint(), expected);
    EXPECT_EQ(w->markerSample(), expected);
    EXPECT_EQ(slice->windowTitle(), "FFT::" + w->windowTitle());

    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 100, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPointF(r.left + 300, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 300, 100));
    w->menus().update();
    ASSERT_TRUE(w->menus().trigger(Command::SpectrumSelection));
    slice = qobject_cast<SpectrumWindow*>(session().windows().back());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->startPoint(), std::trunc(100.0 * channel().m_dwFileLength / r.width()));
    EXPECT_EQ(slice->stopPoint(), std::trunc(300.0 * channel().m_dwFileLength / r.width()));
    EXPECT_TRUE(slice->windowTitle().startsWith("FFT Selection::Spectrogram:: "));
}

TEST_F(Spectrogram, PlaySelectionArrivesSampleForSampleWithAMovingCursor)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel()));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    QWidget* v = &w->view();
    const Rect r = w->layout().spectrogram;
    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 100, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPointF(r.left + 250, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 250, 100));
    const SpectrogramMapping& m = w->cursor().mapping();
    const auto first = static_cast<std::size_t>(m.sampleAt(w->cursor().selection()->start, channel().m_dwFileLength));
    const auto last = static_cast<std::size_t>(m.sampleAt(w->cursor().selection()->stop, channel().m_dwFileLength));
    ASSERT_GT(last - first, 1000u);

    w->menus().update();
    ASSERT_TRUE(w->menus().trigger(Command::PlaySelection));
    ASSERT_TRUE(w->playing()) << dialogs.errors.join("\n").toStdString();
    double lastX = 0;
    bool moved = false;
    waitUntil([&] {
        if (const auto x = w->playCursorX()) {
            EXPECT_GE(*x, r.left + 99);
            EXPECT_LE(*x, r.left + 251);
            moved = moved || (lastX > 0 && *x > lastX);
            lastX = *x;
        }
        return !w->playing();
    });
    EXPECT_FALSE(w->playing());
    EXPECT_TRUE(moved);
    std::vector<float> out;
    {
        std::lock_guard<std::mutex> g(fake.lock);
        out = fake.played;
    }
    ASSERT_GE(out.size(), last - first);
    for (std::size_t k = 0; k < last - first; ++k)
        ASSERT_EQ(out[k], channel().m_hData[first + k]) << k;

    // A click during playback only stops it.
    w->menus().trigger(Command::PlayWindow);
    ASSERT_TRUE(w->playing());
    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 400, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 400, 100));
    EXPECT_TRUE(waitUntil([&] { return !w->playing(); }));
    EXPECT_FALSE(w->cursor().marker());
}

TEST_F(Spectrogram, StretchesOfTheCommandsAndRefusedEmptyOnes)
{
    ASSERT_NO_FATAL_FAILURE(open(makeVowel()));
    window->model().doc().m_bHaveMarker = true;
    window->menus().update();
    EXPECT_FALSE(window->menus().isEnabled(Command::SpectrogramSelection));
    EXPECT_EQ(openSpectrogram(session(), SpectrogramKind::Selection), nullptr);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0], "No spectrogram");

    Channels& c = channel();
    c.m_dPageMin = 2000, c.m_dPageMax = 6000, c.m_dPageTimeMin = 200, c.m_dPageTimeMax = 600;
    SpectrogramWindow* w = spectrogram(Command::SpectrogramWindow);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->stretch(), (SpectrogramStretch{2000, 6000, 200, 600}));
}

TEST_F(Spectrogram, ClosingOrChangingSamplesDuringAComputationJoinsTheWorker)
{
    // A long recording keeps the worker busy.
    std::vector<double> y(static_cast<std::size_t>(kRate) * 120);
    for (std::size_t n = 0; n < y.size(); ++n)
        y[n] = 0.3 * std::sin(n * 0.7) * ((n / 700) % 3 ? 1 : 0.1);
    ASSERT_NO_FATAL_FAILURE(open(writeSignal(y, kRate, "long.wav"), [](Settings& s) {
        s.m_bSpecDrawFormantTracking = true;
        s.m_nSpecLPCNumberofCoefficients = 40;
    }));
    for (int round = 0; round < 3; ++round) {
        window->menus().update();
        ASSERT_TRUE(window->menus().trigger(Command::Spectrogram));
        QPointer<SpectrogramWindow> w = qobject_cast<SpectrogramWindow*>(session().windows().back());
        ASSERT_TRUE(w);
        w->resize(1200, 500);
        w->start();
        EXPECT_TRUE(w->busy());
        if (round == 0) {
            // A click cancels; closing joins what is left.
            sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
            EXPECT_TRUE(waitUntil([&] { return !w->busy(); }));
            EXPECT_TRUE(w->cancelled());
            EXPECT_FALSE(w->cursor().marker()) << "the click only cancels";
            // A click on "Cancelled" computes again.
            sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
            EXPECT_TRUE(w->busy());
            EXPECT_FALSE(w->cursor().marker());
            w->close();
            QApplication::processEvents();
            EXPECT_FALSE(w);
        } else if (round == 1) {
            // The same samples again: the window recomputes its stretch.
            session().changeSamples([](Document&) { return true; });
            EXPECT_TRUE(w);
            EXPECT_TRUE(waitUntil([&] { return !w->busy() && w->result(); }));
            w->close();
        } else {
            // The stretch shortened to nothing: the window goes.
            session().changeSamples([](Document& d) {
                d.getChannel(0).m_hData.resize(0);
                d.getChannel(0).m_dwFileLength = 0;
                d.m_bHaveData = false;
                return true;
            });
            QApplication::processEvents();
            EXPECT_FALSE(w);
        }
    }
}
