// The spectrogram window on synthetic signals: its greys, formant dots,
// waveform and label lines, the mouse and the commands it enables, and its
// worker under closing and changed samples.

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

// Each test opens its own recording: by default 0.6 s of a vowel with
// formants at 600, 1400 and 2400 Hz, then 0.4 s of digital silence.
class Spectrogram : public WindowTest {
protected:
    std::string recording() override { return {}; }
    void open(const std::function<void(Settings&)>& settings = {}, std::string file = {})
    {
        if (file.empty())
            file = makeVowel(kRate, kRate * 6 / 10, kRate, {{600, 60}, {1400, 80}, {2400, 100}}, 0.8);
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
    // The analysed spectrogram window a command of the main window opened.
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

// Where the blue dots inside the device pixels of `r` lie, as fractions.
QPointF blueCentre(const QImage& image, const Rect& r, double scale)
{
    const QRect d(int(r.left * scale), int(r.top * scale), int(r.width() * scale), int(r.height() * scale));
    double x = 0, y = 0;
    int n = 0;
    for (int j = d.top(); j <= d.bottom(); ++j)
        for (int i = d.left(); i <= d.right(); ++i)
            if (isBlue(image.pixel(i, j))) {
                x += double(i - d.left()) / d.width();
                y += double(j - d.top()) / d.height();
                ++n;
            }
    return n ? QPointF(x / n, y / n) : QPointF(-1, -1);
}

} // namespace

// Run at pixel ratio 1 and 2: each device pixel has its own column and row.
TEST_F(Spectrogram, AtPixelRatioTwoAsAtOneTwoTonesShowDarkRowsInTheGreysOfTheirLevels)
{
    // 1 s: 1000 Hz and, 20 dB below it, 3000 Hz.
    std::vector<double> y(kRate);
    for (int n = 0; n < kRate; ++n)
        y[static_cast<std::size_t>(n)] = 0.5 * std::sin(2 * std::numbers::pi * 1000 * n / kRate) +
                                         0.05 * std::sin(2 * std::numbers::pi * 3000 * n / kRate);
    ASSERT_NO_FATAL_FAILURE(
        open([](Settings& s) { s.m_bSpecDrawFormantTracking = false; }, writeSignal(y, kRate, "tones.wav")));
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Spectrogram:: " + window->windowTitle().remove("[*]"));
    const qreal dpr = w->view().devicePixelRatioF();
    const SpectrogramLayout& l = w->layout();
    EXPECT_EQ(l.columns, dpr * l.spectrogram.width());
    EXPECT_EQ(l.rows, dpr * l.spectrogram.height());
    EXPECT_EQ(w->picture().size(), w->view().size() * dpr);
    const SpectrogramData& d = w->result()->data;
    const int range = w->settings().m_nSpecDynamicRange;
    ASSERT_EQ(d.columns, l.columns);
    ASSERT_EQ(d.rows, l.rows);

    // The loudest point sits at the dynamic range, on the 1000 Hz row, and
    // is black; the picture holds the grey of each level, row 0 at the bottom.
    int peakColumn = 0, peakRow = 0;
    for (int i = 0; i < d.columns; ++i)
        for (int j = 0; j < d.rows; ++j)
            if (d.level(i, j) > d.level(peakColumn, peakRow))
                peakColumn = i, peakRow = j;
    EXPECT_EQ(d.level(peakColumn, peakRow), range);
    EXPECT_NEAR(peakRow, rowOf(*w, 1000), 2);
    EXPECT_EQ(qRed(pixel(*w, peakColumn, peakRow)), 0) << "black";
    const int column = d.columns / 2;
    for (int j : {rowOf(*w, 1000), rowOf(*w, 1000) + 1, rowOf(*w, 2000), rowOf(*w, 3000)}) {
        const int g = greyIndex(d.level(column, j), range);
        EXPECT_EQ(qRed(pixel(*w, column, j)), greyRamp()[static_cast<std::size_t>(g)]) << "row " << j;
    }
}

TEST_F(Spectrogram, FormantDotsLieAlikeOnScreenAndInAPictureOfItsOwnPixelsAndACancelWritesNothing)
{
    ASSERT_NO_FATAL_FAILURE(open());
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    const SpectrogramData& d = w->result()->data;
    ASSERT_TRUE(d.haveFormants);
    // A dot is drawn on F1 (600 Hz) in a voiced column.
    bool blue = false;
    for (int j = rowOf(*w, 540); j < rowOf(*w, 660); ++j)
        for (int dx = -3; dx <= 3; ++dx)
            blue = blue || isBlue(pixel(*w, d.columns / 3 + dx, j));
    EXPECT_TRUE(blue);

    // A click while the picture is computed drops it.
    w->menus().update();
    const std::string cancelled = tempPath("cancelled.png");
    dialogs.saveAnswer = QString::fromStdString(cancelled);
    ASSERT_TRUE(w->menus().trigger(Command::SavePicture));
    EXPECT_TRUE(w->picturing());
    sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
    EXPECT_FALSE(w->picturing());
    QApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(cancelled));
    EXPECT_FALSE(w->cursor().marker()) << "the click only cancels";

    const std::string png = tempPath("spectrogram.png"), svgPath = tempPath("spectrogram.svg");
    for (const std::string& path : {png, svgPath}) {
        dialogs.saveAnswer = QString::fromStdString(path);
        ASSERT_TRUE(w->menus().trigger(Command::SavePicture));
        ASSERT_TRUE(waitUntil([&] { return !w->picturing(); }));
        ASSERT_TRUE(std::filesystem::exists(path)) << dialogs.errors.join("\n").toStdString();
    }
    // One level a picture pixel; the formant dots where the screen has them.
    const QImage picture(QString::fromStdString(png));
    const PictureSize size = pictureSize(PictureView::spectrogram, session().doc().s);
    ASSERT_EQ(picture.size(), QSize(size.width, size.height));
    const SpectrogramLayout l = spectrogramPictureLayout(channel(), w->settings(), picture.size(), 4);
    const QPointF onScreen = blueCentre(w->picture(), w->layout().spectrogram, w->layout().scale);
    const QPointF inPicture = blueCentre(picture, l.spectrogram, l.scale);
    ASSERT_GE(onScreen.x(), 0);
    EXPECT_NEAR(inPicture.x(), onScreen.x(), 0.02);
    EXPECT_NEAR(inPicture.y(), onScreen.y(), 0.02);
    const QString svg = QString::fromStdString(readText(svgPath));
    EXPECT_EQ(svg.count("<image"), 1) << "the levels";
    EXPECT_GT(svgShapes(svg), 50) << "the dots and frames";
}

TEST_F(Spectrogram, AnEmptySelectionIsRefusedAndThePagesWindowDrawsItsWaveformAndALabelsLine)
{
    ASSERT_NO_FATAL_FAILURE(open([](Settings& s) { s.m_bSpecDrawAudio = s.m_bSpecDrawLabels = true; }));
    window->model().doc().m_bHaveMarker = true;
    window->menus().update();
    EXPECT_FALSE(window->menus().isEnabled(Command::SpectrogramSelection));
    EXPECT_EQ(openSpectrogram(session(), SpectrogramKind::Selection), nullptr);
    EXPECT_EQ(dialogs.alerts, QStringList{"No spectrogram"});

    Channels& c = channel();
    c.m_Tiers[0].bSelected = true, c.m_Tiers[0].nHeigth = 30;
    auto label = std::make_shared<Labels>();
    label->_strText = "a";
    label->dTime = 300;
    label->bAddLine = true;
    c.m_Tiers[0].addLabel(label);
    c.m_dPageMin = 2000, c.m_dPageMax = 6000, c.m_dPageTimeMin = 200, c.m_dPageTimeMax = 600;
    SpectrogramWindow* w = spectrogram(Command::SpectrogramWindow);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->stretch(), (SpectrogramStretch{2000, 6000, 200, 600}));
    // The bands' places are the core's layout test; the window draws in them.
    const SpectrogramLayout& l = w->layout();
    const int W = w->view().width();
    const QImage& p = w->picture();
    const int x = 50 + static_cast<int>((300.0 - 200) * (W - 50) / 400);
    EXPECT_EQ(p.pixel(x, (l.spectrogram.top + l.spectrogram.bottom) / 2) & 0xFFFFFF, 0u) << "the label's line";
    int ink = 0;
    for (int y = l.audio.top + 1; y < l.audio.bottom - 1; ++y)
        ink += qRed(p.pixel(50 + (W - 50) / 4, y)) < 100;
    EXPECT_GT(ink, 3) << "the waveform";
}

TEST_F(Spectrogram, MouseSetsMarkerAndSelectionInsideTheSpectrogramOnlyAndTheirCommandsFollow)
{
    ASSERT_NO_FATAL_FAILURE(open());
    SpectrogramWindow* w = spectrogram();
    ASSERT_NE(w, nullptr);
    QWidget* v = &w->view();
    const Rect r = w->layout().spectrogram;
    const double samplesPerPixel = channel().m_dwFileLength / double(r.width());
    sendMouse(v, QEvent::MouseButtonPress, QPointF(20, 100), Qt::LeftButton);
    EXPECT_FALSE(w->cursor().marker()) << "the frequency margin is ignored";
    EXPECT_FALSE(w->commandEnabled(Command::SpectrumAtMarker).value());
    sendMouse(v, QEvent::MouseMove, QPointF(r.right, r.top));
    EXPECT_EQ(w->readout("Frequency"), "5000.0");

    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 137, r.bottom - r.height() / 2.0), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 137, r.bottom - r.height() / 2.0));
    ASSERT_TRUE(w->cursor().marker());
    EXPECT_NEAR(w->cursor().marker()->frequency, 2500, 1e-9);
    EXPECT_FALSE(w->commandEnabled(Command::PlaySelection).value());
    EXPECT_FALSE(w->commandEnabled(Command::Play).value()) << "whole-file play is never enabled here";
    w->menus().update();
    ASSERT_TRUE(w->menus().trigger(Command::SpectrumAtMarker));
    auto* slice = qobject_cast<SpectrumWindow*>(session().windows().back());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->startPoint(), std::trunc(137 * samplesPerPixel));
    EXPECT_EQ(slice->stopPoint(), std::trunc(137 * samplesPerPixel));

    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 100, 100), Qt::LeftButton);
    sendMouse(v, QEvent::MouseMove, QPointF(r.left + 250, 120), Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, QPointF(r.left + 250, 120));
    ASSERT_TRUE(w->cursor().selection());
    EXPECT_EQ(w->readout("Duration"), QString::fromStdString(formatTenths(150 * channel().m_dLengthMS / r.width())));
    w->menus().update();
    ASSERT_TRUE(w->menus().trigger(Command::SpectrumSelection));
    slice = qobject_cast<SpectrumWindow*>(session().windows().back());
    ASSERT_NE(slice, nullptr);
    const auto first = static_cast<std::size_t>(std::trunc(100 * samplesPerPixel));
    const auto last = static_cast<std::size_t>(std::trunc(250 * samplesPerPixel));
    EXPECT_EQ(slice->startPoint(), first);
    EXPECT_EQ(slice->stopPoint(), last);

    ASSERT_TRUE(w->menus().trigger(Command::PlaySelection));
    ASSERT_TRUE(w->playing()) << dialogs.errors.join("\n").toStdString();
    // The cursor moves on from the selection's start and stays inside it.
    EXPECT_TRUE(waitUntil([&] { return w->playCursorX().value_or(0) > r.left + 101; }));
    EXPECT_LE(w->playCursorX().value_or(0), r.left + 251);
    EXPECT_TRUE(waitUntil([&] { return !w->playing(); }));
    const std::vector<float> out = played();
    ASSERT_GE(out.size(), last - first);
    for (std::size_t k = 0; k < last - first; ++k)
        ASSERT_EQ(out[k], channel().m_hData[first + k]) << k;

    // A click during playback only stops it.
    w->menus().trigger(Command::PlayWindow);
    ASSERT_TRUE(w->playing());
    sendMouse(v, QEvent::MouseButtonPress, QPointF(r.left + 400, 100), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return !w->playing(); }));
    EXPECT_FALSE(w->cursor().marker());
}

TEST_F(Spectrogram, ClosingOrChangingSamplesDuringAComputationJoinsTheWorker)
{
    // A long recording keeps the worker busy.
    std::vector<double> y(static_cast<std::size_t>(kRate) * 120);
    for (std::size_t n = 0; n < y.size(); ++n)
        y[n] = 0.3 * std::sin(n * 0.7) * ((n / 700) % 3 ? 1 : 0.1);
    ASSERT_NO_FATAL_FAILURE(
        open([](Settings& s) { s.m_nSpecLPCNumberofCoefficients = 40; }, writeSignal(y, kRate, "long.wav")));
    for (int round = 0; round < 3; ++round) {
        window->menus().update();
        ASSERT_TRUE(window->menus().trigger(Command::Spectrogram));
        QPointer<SpectrogramWindow> w = qobject_cast<SpectrogramWindow*>(session().windows().back());
        ASSERT_TRUE(w);
        w->resize(1200, 500);
        w->start();
        EXPECT_TRUE(w->busy());
        if (round == 0) {
            // A click cancels, another computes again; closing joins the rest.
            sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
            EXPECT_TRUE(waitUntil([&] { return !w->busy(); }));
            EXPECT_TRUE(w->cancelled());
            sendMouse(&w->view(), QEvent::MouseButtonPress, QPointF(300, 100), Qt::LeftButton);
            EXPECT_TRUE(w->busy());
            EXPECT_FALSE(w->cursor().marker()) << "the clicks only cancel and compute";
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
