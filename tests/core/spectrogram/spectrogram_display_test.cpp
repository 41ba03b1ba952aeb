// The spectrogram window's model without a window: stretch, layout, greys and pixels, grids,
// cursor, readouts and the column analysis.

#include "analysis/MathFunc.h"
#include "spectrogram/SpectrogramDisplay.h"
#include "spectrum/SliceDisplay.h"
#include "support/Synthesis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

using namespace vx;
using testing::AllOf, testing::Ge, testing::Le;

namespace {

const std::vector<vxtest::Formant> kVowel = {{700, 80}, {1200, 90}, {2500, 120}};

// The spectrogram alone: no waveform, no tiers, a time grid every second.
SpectrogramOptions bare()
{
    return {.m_bSpecDrawAudio = false, .m_bSpecDrawLabels = false, .m_nSpecTimeGrid = 1000};
}

Channels channelOf(int n, double rate)
{
    Channels c;
    c.m_hData.resize(static_cast<std::size_t>(n));
    c.m_dwFileLength = n;
    c.m_dSampleRate = rate;
    c.m_dLengthMS = n * 1000.0 / rate;
    return c;
}

SpectrogramCursor cursorOn(const SpectrogramLayout& l, SpectrogramStretch st = {0, 10000, 0, 1000})
{
    SpectrogramCursor c;
    c.setMapping(SpectrogramMapping(l, st, 5000));
    return c;
}

} // namespace

TEST(SpectrogramStretch, WholeFileSelectionAndWindowEachTakeTheirOwnRange)
{
    Channels c = channelOf(20000, 10000);
    c.m_dDurationStartFile = 1000, c.m_dDurationStopFile = 3000;
    c.m_dDurationStartTime = 100, c.m_dDurationStopTime = 300;
    c.m_dPageMin = 5000, c.m_dPageMax = 15000, c.m_dPageTimeMin = 500, c.m_dPageTimeMax = 1500;
    EXPECT_EQ(spectrogramStretch(c, SpectrogramKind::WholeFile, nullptr), (SpectrogramStretch{0, 20000, 0, 2000}));
    EXPECT_EQ(spectrogramStretch(c, SpectrogramKind::Selection, nullptr), (SpectrogramStretch{1000, 3000, 100, 300}));
    EXPECT_EQ(spectrogramStretch(c, SpectrogramKind::Window, nullptr), (SpectrogramStretch{5000, 15000, 500, 1500}));

    // Only a marker: the selection has no length. A page beyond the samples is held to them.
    c.m_dDurationStopFile = c.m_dDurationStartFile, c.m_dDurationStopTime = c.m_dDurationStartTime;
    std::string why;
    EXPECT_FALSE(spectrogramStretch(c, SpectrogramKind::Selection, &why));
    EXPECT_NE(why.find("selection is empty"), std::string::npos) << why;
    c.m_dPageMax = 90000;
    EXPECT_EQ(spectrogramStretch(c, SpectrogramKind::Window, nullptr)->endPoint, 20000);
    EXPECT_FALSE(spectrogramStretch(channelOf(0, 10000), SpectrogramKind::WholeFile, &why));
}

TEST(SpectrogramReadouts, AreWholeNumbersAndPreEmphasisHasTwoDecimals)
{
    Settings s = makeDefaultSettings(22050);
    s.m_nSpecWindowLength = 128;
    s.m_dPreEmphasis = 0.975;
    const SpectrogramReadouts r = spectrogramReadouts(s);
    EXPECT_EQ(r.sampleRate + " " + r.windowLength + " " + r.bandwidths, "22050 128 172"); // 22050 / 128 truncated
    EXPECT_THAT(r.preemphasis, testing::AnyOf("0.97", "0.98"));
}

TEST(SpectrogramLayout, MarginsTiersWaveformAndEmptyAreas)
{
    Channels c = channelOf(100, 10000);
    SpectrogramOptions s = bare();
    SpectrogramLayout l = layoutSpectrogram(c, s, 800, 400, 1);
    EXPECT_EQ(l.spectrogram, (Rect{0, 50, 380, 800}));
    EXPECT_EQ(l.columns, 750);
    EXPECT_EQ(l.rows, 380);
    EXPECT_EQ(layoutSpectrogram(c, s, 800, 400, 2).columns, 1500) << "one column per device pixel";

    c.m_Tiers[1].bSelected = true, c.m_Tiers[1].nHeigth = 30;
    c.m_Tiers[4].bSelected = true, c.m_Tiers[4].nHeigth = 25;
    EXPECT_EQ(layoutSpectrogram(c, s, 800, 400, 1).spectrogram.top, 0) << "tiers are not drawn";
    s.m_bSpecDrawLabels = s.m_bSpecDrawAudio = true;
    l = layoutSpectrogram(c, s, 800, 400, 1);
    EXPECT_EQ(l.tiers[1], (Rect{0, 50, 30, 800}));
    EXPECT_EQ(l.tiers[4], (Rect{30, 50, 55, 800}));
    EXPECT_EQ(l.audio, (Rect{55, 50, 55 + 325 / 7, 800}));
    EXPECT_EQ(l.spectrogram, (Rect{55 + 325 / 7, 50, 380, 800}));

    // Tiers taller than the window, a window narrower than the margin.
    c.m_Tiers[4].nHeigth = 900;
    for (const SpectrogramLayout& e : {layoutSpectrogram(c, s, 800, 400, 1), layoutSpectrogram(c, bare(), 40, 400, 1),
                                       layoutSpectrogram(c, bare(), 300, 10, 1)}) {
        EXPECT_TRUE(e.empty());
        SpectrogramCursor k = cursorOn(e);
        EXPECT_FALSE(k.press(60, 5));
        const SpectrogramMapping& m = k.mapping();
        EXPECT_TRUE(std::isfinite(m.timeAt(60)) && std::isfinite(m.frequencyAt(5)) && std::isfinite(m.xOfTime(5)));
        EXPECT_LT(m.columnAt(70), std::max(1, e.columns));
    }
}

TEST(SpectrogramPicture, GreyIndicesRampAndPixelPlacement)
{
    EXPECT_EQ(greyIndex(35, 35), 256) << "the darkest grey is reached";
    EXPECT_EQ(greyIndex(-3, 35), 0);
    EXPECT_EQ(greyRamp()[256], 0) << "the maximum is black";
    EXPECT_EQ(greyRamp()[0], 254) << "nearly white";
    for (int g = 1; g <= 256; ++g)
        EXPECT_LE(greyRamp()[g], greyRamp()[g - 1]);

    SpectrogramData d;
    d.columns = 3, d.rows = 4;
    d.levels = {35, 0, 0, 0, /**/ 0, 0, 0, 17.5, /**/ 0, 10, 0, 0};
    const std::ptrdiff_t stride = 7; // guard pixels around a 3 x 4 area at (2, 1)
    std::vector<std::uint32_t> image(static_cast<std::size_t>(stride * 6), 0x12345678u);
    renderSpectrogramPixels(d, 35, image.data() + stride + 2, stride);
    EXPECT_EQ(image[4 * stride + 2], 0xFF000000u) << "column 0, row 0 at the bottom line";
    EXPECT_EQ(image[1 * stride + 3], 0xFF000000u | 0x7F7F7Fu) << "column 1, the top row, index 128";
    EXPECT_EQ(image[3 * stride + 4] & 0xFF, greyRamp()[greyIndex(10, 35)]);
    EXPECT_EQ(std::count(image.begin(), image.end(), 0x12345678u), 6 * 7 - 12) << "nothing outside is written";
}

TEST(SpectrogramPicture, GridsFollowTheLayoutAndDrawOnlyTheLinesThatFit)
{
    SpectrogramOptions s = bare();
    const SpectrogramLayout l = layoutSpectrogram(channelOf(1, 1), s, 1050, 520, 1); // 1000 x 500
    const auto f = spectrogramFrequencyGrid(l, s);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_DOUBLE_EQ(f[0].at, 500);
    EXPECT_EQ(f[0].label, "0");
    EXPECT_DOUBLE_EQ(f[5].at, 0);
    const auto t = spectrogramTimeGrid(l, s, {0, 1, 250, 4200});
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].label, "1000");
    EXPECT_DOUBLE_EQ(t[0].at, 50 + 750 * 1000.0 / 3950);
    // A short stretch narrows the spacing to 3 lines.
    const auto selection = spectrogramTimeGrid(l, s, {0, 1, 2000, 2343});
    ASSERT_GE(selection.size(), 3u);
    EXPECT_EQ(selection[1].label, "2100");
    // A spacing of 0 adapts: a few labels whatever the stretch.
    s.m_nSpecTimeGrid = 0;
    for (double ms : {7.0, 343.0, 3600000.0})
        EXPECT_THAT(spectrogramTimeGrid(l, s, {0, 1, 0, ms}).size(), AllOf(Ge(3u), Le(11u))) << ms;
    s.m_bSpecDrawTimeGrid = s.m_bSpecDrawFrequencyGrid = false;
    EXPECT_TRUE(spectrogramTimeGrid(l, s, {0, 1, 0, 10}).empty());
    EXPECT_TRUE(spectrogramFrequencyGrid(l, s).empty());

    // Steps of 1 over ranges a damaged settings file can give: the step widens (1-2-5) until the
    // lines are a label apart, with no loop running for ever and no integer overflowing.
    s = {.m_nSpecfrequencyRange = 2147483647, .m_nSpecFrequencyGrid = 1, .m_nSpecTimeGrid = 1};
    const SpectrogramLayout wide = layoutSpectrogram(channelOf(1, 1), s, 1050, 520, 1);
    auto spaced = [](const std::vector<GridLine>& lines, double gap) {
        for (std::size_t k = 1; k < lines.size(); ++k)
            if (std::fabs(lines[k].at - lines[k - 1].at) < gap)
                return false;
        return !lines.empty();
    };
    const auto many = spectrogramFrequencyGrid(wide, s);
    EXPECT_TRUE(spaced(many, 15.9)) << many.size() << " lines";
    EXPECT_EQ(many[1].label, "100000000") << "1, 2 or 5 times a power of ten";
    EXPECT_TRUE(spaced(spectrogramTimeGrid(wide, s, {0, 1, 0, 1e15}), 39.9));

    const FFTOptions slice{.m_nFFTfrequencyRange = 2147483647, .m_bFFTAbsolute = true,
                           .m_nFFTAbsoluteRange = 2147483600, .m_nFFTFrequencyGrid = 1, .m_nFFTDBGrid = 1};
    const SliceRect g = sliceGraphRect(1020, 520);
    ASSERT_EQ((std::array{g.left, g.top, g.right, g.bottom}), (std::array{20, 0, 1020, 500})) << "room for labels";
    const SliceGrid fg = sliceFrequencyGrid(slice, g), dg = sliceDbGrid(SliceResult{}, slice, g);
    ASSERT_GE(fg.labels.size(), 2u);
    EXPECT_LE(fg.labels.size(), 1000u / 45);
    EXPECT_EQ(fg.labels[0].text, "100000000");
    EXPECT_THAT(dg.labels.size(), AllOf(Ge(2u), Le(500u / 16)));
}

TEST(SpectrogramCursor, PressDragReleaseWithinTheSpectrogramAndPlacedAnewForEveryLayout)
{
    Channels c = channelOf(10000, 10000);
    const SpectrogramLayout l = layoutSpectrogram(c, bare(), 1050, 520, 1); // 1000 x 500 at x = 50
    SpectrogramCursor k = cursorOn(l);
    const SpectrogramMapping& m = k.mapping();
    EXPECT_DOUBLE_EQ(m.frequencyAt(500), 0) << "bottom edge";
    EXPECT_DOUBLE_EQ(m.timeAt(1050), 1000) << "right edge";

    // Presses in the frequency margin or the time band are ignored.
    EXPECT_FALSE(k.press(20, 100));
    EXPECT_FALSE(k.press(300, 510));
    EXPECT_FALSE(k.drag(400, 100)) << "no drag without a press";

    ASSERT_TRUE(k.press(550, 250));
    ASSERT_TRUE(k.marker());
    EXPECT_DOUBLE_EQ(k.marker()->time, 500);
    EXPECT_DOUBLE_EQ(k.marker()->frequency, 2500);
    EXPECT_EQ(k.frequencyReadout(), "2500.0");
    k.release();

    // A drag leftwards past the edge stops at the stretch's start.
    k.press(250, 100);
    k.drag(-80, 700);
    ASSERT_TRUE(k.selection());
    EXPECT_FALSE(k.marker());
    EXPECT_DOUBLE_EQ(k.selection()->start, 0);
    EXPECT_DOUBLE_EQ(k.selection()->stop, 200);
    EXPECT_EQ(k.durationReadout(), "200.0");
    k.release();

    // A click that ends a selection sets no marker; the next one does.
    k.press(700, 100);
    k.release();
    EXPECT_FALSE(k.selection());
    EXPECT_FALSE(k.marker());
    k.press(700, 100);
    k.release();
    EXPECT_TRUE(k.marker());

    // Moves outside leave the cursor and readouts as they were.
    EXPECT_TRUE(k.move(150, 400));
    EXPECT_FALSE(k.move(10, 400));
    EXPECT_EQ(k.cursorReadout(), "100.0");
    EXPECT_DOUBLE_EQ(*k.cursorX(), 150);

    // Marker and selection are placed anew for every layout.
    const SpectrogramStretch st{2000, 6000, 200, 600};
    k = cursorOn(layoutSpectrogram(c, bare(), 450, 220, 1), st); // 400 x 200
    k.press(150, 100);
    k.release();
    ASSERT_TRUE(k.marker());
    EXPECT_DOUBLE_EQ(k.marker()->time, 300);
    k.setMapping(SpectrogramMapping(layoutSpectrogram(c, bare(), 850, 420, 2), st, 5000)); // 800 x 400
    EXPECT_DOUBLE_EQ(k.markerX(), 250);
    EXPECT_DOUBLE_EQ(k.markerY(), 200);
    k.press(450, 100), k.drag(650, 100), k.release(); // 400 .. 500 ms
    k.setMapping(SpectrogramMapping(layoutSpectrogram(c, bare(), 450, 220, 1), st, 5000));
    EXPECT_EQ(k.selectionX(), std::make_pair(250.0, 350.0));

    // The marker's sample is the one its time names, inside the stretch and the data.
    EXPECT_DOUBLE_EQ(m.sampleAt(600, 10000), 5999);
    EXPECT_DOUBLE_EQ(m.sampleAt(-50, 10000), 2000);
    EXPECT_DOUBLE_EQ(m.sampleAt(600, 4000), 3999);
    EXPECT_EQ(m.columnAt(5000), 399);
}

TEST(SpectrogramColumns, LevelsFormantsTheSilenceGateAndNothingReadPastTheData)
{
    // A vowel at 10 kHz: 0.5 s loud, 0.5 s 60 dB quieter, 0.5 s of digital silence; 150 columns.
    const double fs = 10000;
    std::vector<double> pulses = vxtest::pulses(15000, fs, 120);
    for (std::size_t i = 5000; i < 10000; ++i)
        pulses[i] *= 0.001;
    vxtest::resonate(pulses, fs, kVowel);
    std::vector<float> x = vxtest::scaledTo(pulses, 0.5);
    std::fill(x.begin() + 10000, x.end(), 0.0f);
    const SpectrogramParams p{.windowLength = 256, .lpcOrder = 12, .sampleRate = fs};
    const SpectrogramData d = computeSpectrogram(x.data(), 15000, 0, 15000, 150, 50, p);
    ASSERT_EQ(d.levels.size(), 150u * 50);
    EXPECT_DOUBLE_EQ(*std::max_element(d.levels.begin(), d.levels.end()), p.dynamicRange)
        << "the loudest point equals the dynamic range";
    EXPECT_EQ(*std::min_element(d.levels.begin(), d.levels.end()), 0.0);
    EXPECT_TRUE(d.haveFormants);
    const FormantSlots& voiced = d.formants[20];
    EXPECT_NEAR(voiced[0], 700, 70);
    const auto found = std::find(voiced.begin(), voiced.end(), kNoFormant);
    EXPECT_EQ(std::adjacent_find(voiced.begin(), found, std::greater_equal<>()), found) << "ascending";
    EXPECT_EQ(std::count(found, voiced.end(), kNoFormant), voiced.end() - found) << "packed";
    // The quiet stretch has formants, but its columns peak far below half the range: gated out.
    CMathFunc math;
    std::vector<double> quiet(x.begin() + 8000, x.begin() + 8000 + 130);
    math.DoLPC(quiet.data(), 12, 120, p.preEmphasis, 1, false, 0, 0, fs, true, true);
    ASSERT_TRUE(math.lp_Roots() && !math.lp_Roots()->freq.empty());
    EXPECT_THAT(d.formants[80], testing::Each(kNoFormant));
    for (int j = 0; j < 50; ++j) {
        EXPECT_EQ(d.level(99, j), 0.0) << "60 dB down is more than the range below the peak";
        EXPECT_EQ(d.level(140, j), 0.0) << "digital silence is white, not the 0 dB of an empty power spectrum";
    }

    // Under a ceiling the predictor sees the signal resampled to twice it.
    const auto y = vxtest::vowel(22050, 44100, 120, kVowel);
    const SpectrogramParams ceiling{
        .windowLength = 1024, .lpcOrder = 12, .sampleRate = 44100, .formantCeiling = 5500};
    EXPECT_EQ(spectrogramLpcFrame(ceiling), 550);
    EXPECT_EQ(spectrogramLpcOrder(ceiling), 10);
    const SpectrogramData underCeiling = computeSpectrogram(y.data(), 22050, 0, 22050, 10, 50, ceiling);
    EXPECT_NEAR(underCeiling.formants[5][0], 700, 50);
    EXPECT_NEAR(underCeiling.formants[5][1], 1200, 60);

    // Guard values just past the data must not change any column.
    const int n = 4000;
    std::vector<float> sine(n + 40, 0.0f);
    for (int i = 0; i < n; ++i)
        sine[i] = static_cast<float>(std::sin(i * 0.3) * 0.5);
    std::vector<float> guarded = sine;
    std::fill(guarded.begin() + n, guarded.end(), 1e6f);
    const SpectrogramParams q{.sampleRate = 10000};
    const auto a = computeSpectrogram(sine.data(), n, 3000, n, 50, 40, q);
    const auto b = computeSpectrogram(guarded.data(), n, 3000, n, 50, 40, q);
    EXPECT_EQ(a.levels, b.levels);
    EXPECT_EQ(a.formants, b.formants);
    EXPECT_EQ(computeSpectrogram(sine.data(), n, 3900, n, 10, 50, q).levels.size(), 500u);
    EXPECT_TRUE(computeSpectrogram(sine.data(), n, 0, n, 0, 40, q).levels.empty());
    EXPECT_FALSE(computeSpectrogram(nullptr, 0, 0, 10000, 10, 50, q).haveFormants);
}
