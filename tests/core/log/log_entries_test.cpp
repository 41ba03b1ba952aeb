#include "app/AppState.h"
#include "labels/Labelling.h"
#include "log/LogEntries.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <locale>
#include <numeric>

using namespace vx;

namespace {

using Values = std::vector<std::string>;

// Two seconds at 10 kHz; five 100 ms pitch frames, an intensity value per 100 ms.
class MainEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        vxtest::fillChannel(doc, std::vector<float>(20000, 0.25f), 10000);
        model.setWholeFileStretches();
        model.m_dPitchSelectionStopTime = 500;
        model.setPitch(PitchTrack{{0, 100.04, 110.25, 0, 120.5}, 5});
        std::vector<float> levels(20);
        std::iota(levels.begin(), levels.end(), 40.0f);
        model.setIntensity(IntensityContour(levels, 1, 1, 20));
    }
    std::vector<LogEntry> rows(MainLogEntry kind) { return mainLogEntries(model, kind, "voice.wav"); }
    void select(double from, double to)
    {
        Channels& c = doc.getChannel(0);
        c.m_dDurationStartTime = model.m_dSelectionTimeStart = from;
        c.m_dDurationStopTime = model.m_dSelectionTimeStop = to;
        doc.m_bHaveSelection = true;
    }

    Document doc;
    MainViewModel model{doc};
};

// 1000 columns over 0 .. 1000 ms; column c has formants c and 2c, no others.
class SpectrogramEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        Channels c;
        c.m_hData.resize(10000);
        c.m_dwFileLength = 10000;
        c.m_dSampleRate = 10000;
        c.m_dLengthMS = 1000;
        cursor.setMapping(SpectrogramMapping(layoutSpectrogram(c, {}, 1050, 520, 1), stretch, 5000));
        data.columns = 1000;
        data.haveFormants = true;
        for (int k = 0; k < 1000; ++k)
            data.formants.push_back({static_cast<std::uint16_t>(k), static_cast<std::uint16_t>(2 * k), kNoFormant,
                                     kNoFormant, kNoFormant});
    }
    SpectrogramLogSource source(double step = 10) { return {cursor, stretch, &data, step}; }

    SpectrogramStretch stretch{0, 10000, 0, 1000};
    SpectrogramCursor cursor;
    SpectrogramData data;
};

} // namespace

TEST_F(MainEntries, MarkerAndDurationCountOnlyChannelsWithSamples)
{
    doc.getChannel(0).m_dMarkerTime = 123.456;
    doc.getChannel(0).m_dMarkerDataValue = 0.25;
    doc.getChannel(1).m_hData.newClear(100);
    doc.getChannel(1).m_dMarkerDataValue = -0.5;
    doc.getChannel(2).m_hData.newClear(100);
    doc.getChannel(2).m_bShow = false;
    auto r = rows(MainLogEntry::Marker);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].def, "Marker Entry: time ,cha ,cha") << "shown channels with samples, of twenty records";
    EXPECT_EQ(r[0].values, (Values{"123.46", "0.25", "-0.50"}));

    select(250, 1250.126);
    doc.s.m_bMsec = false;
    r = rows(MainLogEntry::Duration);
    EXPECT_EQ(r[0].def, "Duration Entry: start, end, duration ");
    EXPECT_EQ(r[0].values, (Values{"250.00", "1250.13", "1000.13"})) << "durations stay in ms";
}

TEST_F(MainEntries, PitchRowsPerFrameInTheDocumentsTimeUnit)
{
    select(150, 450);
    auto r = rows(MainLogEntry::PitchSelection);
    ASSERT_EQ(r.size(), 3u) << "frames at 200, 300 and 400 ms";
    EXPECT_EQ(r[0].def, "Pitch Selection Entry: time, pitch, intensity ");
    EXPECT_EQ(r[0].values, (Values{"200.00", "110.25", "42.00"}));
    EXPECT_EQ(r[1].values[1], "0.00") << "unvoiced frames are logged as 0";

    doc.s.m_bMsec = false;
    r = rows(MainLogEntry::PitchAll);
    ASSERT_EQ(r.size(), 3u) << "only voiced frames";
    EXPECT_EQ(r[0].def, "Pitch All Entry: time, pitch, intensity ");
    EXPECT_EQ(r[0].values, (Values{"0.10", "100.0", "41.0"})) << "seconds; pitch and intensity to one decimal";

    doc.getChannel(0).m_bDrawIntensity = false;
    r = rows(MainLogEntry::PitchAll);
    EXPECT_EQ(r[2].values, (Values{"0.40", "120.5", ""})) << "no intensity shown: an empty cell, not a shift";

    select(600, 700);
    EXPECT_TRUE(rows(MainLogEntry::PitchSelection).empty()) << "no frame in the selection";
    model.setPitch(std::nullopt);
    EXPECT_TRUE(rows(MainLogEntry::PitchAll).empty());
}

TEST_F(MainEntries, LabelRowsFromTheSelectedTiers)
{
    Channels& c = doc.getChannel(0);
    auto add = [&](int tier, const std::string& text, double t) {
        auto l = std::make_shared<Labels>();
        l->setLabelNSText(text);
        l->dTime = t;
        c.Tier_Add_Label_Cocoa(tier, l);
    };
    c.m_Tiers[0].strName = "Words";
    c.m_Tiers[0].bSelected = true;
    c.m_Tiers[5].bSelected = false;
    add(0, "caf\xc3\xa9", 210);
    add(0, "late", 1500);
    add(5, "hidden", 220);

    select(200, 500);
    auto r = rows(MainLogEntry::LabelsSelection);
    ASSERT_EQ(r.size(), 1u) << "not the hidden tier's label";
    EXPECT_EQ(r[0].def, "Labels Selection Entry: Tier, Label's Text, Time, pitch, Intensity ");
    EXPECT_EQ(r[0].values, (Values{"Words", "caf\xc3\xa9", "210.00", "110.25", "42.00"}));

    doc.s.m_bMsec = false;
    r = rows(MainLogEntry::LabelsAll);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].values, (Values{"Words", "late", "1.50", "0.0", "55.0"})) << "outside the pitch track: 0";

    model.setPitch(std::nullopt);
    model.setIntensity(std::nullopt);
    r = rows(MainLogEntry::LabelsAll);
    EXPECT_EQ(r[0].values, (Values{"Words", "caf\xc3\xa9", "0.21", "", ""}));
}

TEST_F(MainEntries, EnabledOnlyWithTheLogShownDataAndWhatTheEntryNeeds)
{
    EXPECT_FALSE(mainLogEntryEnabled(model, MainLogEntry::PitchAll, false)) << "log hidden";
    EXPECT_FALSE(mainLogEntryEnabled(model, MainLogEntry::Marker, true));
    doc.m_bHaveMarker = true;
    EXPECT_TRUE(mainLogEntryEnabled(model, MainLogEntry::PitchAtMarker, true));
    EXPECT_FALSE(mainLogEntryEnabled(model, MainLogEntry::Duration, true));
    doc.m_bHaveSelection = true;
    EXPECT_TRUE(mainLogEntryEnabled(model, MainLogEntry::LabelsSelection, true));
    doc.m_bHaveData = false;
    EXPECT_FALSE(mainLogEntryEnabled(model, MainLogEntry::LabelsAll, true));
    EXPECT_TRUE(rows(MainLogEntry::LabelsAll).empty());
}

TEST_F(SpectrogramEntries, MarkerDurationAndFormantsAtTheMarkerOrOneRowPerStep)
{
    EXPECT_FALSE(spectrogramLogEntryEnabled(source(), SpectrogramLogEntry::Marker, true));
    ASSERT_TRUE(cursor.press(50 + 300.4, 100));
    cursor.release();

    auto r = spectrogramLogEntries(source(), SpectrogramLogEntry::Marker, "v.wav").rows;
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].def, "Spec. Marker Entry: time, frequency ");
    EXPECT_EQ(r[0].values[0], "300.40");

    r = spectrogramLogEntries(source(), SpectrogramLogEntry::FormantsMarker, "v.wav").rows;
    EXPECT_EQ(r[0].def, "Spec. Formants Marker Entry: time, F1, F2, F3, F4, F5 ");
    EXPECT_EQ(r[0].values, (Values{"300.40", "300.00", "600.00", "-1.00", "-1.00", "-1.00"}));
    EXPECT_FALSE(spectrogramLogEntryEnabled({cursor, stretch, nullptr, 10}, SpectrogramLogEntry::Marker, true))
        << "nothing computed yet";

    // Over a selection: its duration, and formants one row per step.
    ASSERT_TRUE(cursor.press(50 + 100, 100));
    ASSERT_TRUE(cursor.drag(50 + 135, 100));
    cursor.release();
    r = spectrogramLogEntries(source(), SpectrogramLogEntry::Duration, "v.wav").rows;
    EXPECT_EQ(r[0].values, (Values{"100.00", "135.00", "35.00"}));

    r = spectrogramLogEntries(source(10), SpectrogramLogEntry::FormantsSelection, "v.wav").rows;
    ASSERT_EQ(r.size(), 4u) << "100, 110, 120 and 130 ms";
    EXPECT_EQ(r[0].def, "Spec. Formants Duration Entry: time, F1, F2, F3, F4, F5 ");
    EXPECT_EQ(r[3].values, (Values{"130.00", "130.00", "260.00", "-1.00", "-1.00", "-1.00"}));
    EXPECT_EQ(spectrogramLogEntries(source(100), SpectrogramLogEntry::FormantsSelection, "v.wav").rows.size(), 1u)
        << "a selection shorter than a step still gives its start";

    for (const double bad : {0.0, -5.0, std::nan("")}) {
        const auto refused = spectrogramLogEntries(source(bad), SpectrogramLogEntry::FormantsSelection, "v.wav");
        EXPECT_TRUE(refused.rows.empty());
        EXPECT_NE(refused.error.find("positive"), std::string::npos) << refused.error;
    }
    EXPECT_FALSE(spectrogramLogEntries(source(1e-6), SpectrogramLogEntry::FormantsSelection, "v.wav").error.empty())
        << "millions of rows are refused";

    // A selection up to the right margin stays inside the stored columns.
    cursor.press(50 + 990, 100);
    cursor.drag(50 + 1200, 100);
    cursor.release();
    r = spectrogramLogEntries(source(3), SpectrogramLogEntry::FormantsSelection, "v.wav").rows;
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.back().values[1], "999.00");

    data.haveFormants = false;
    data.formants.clear();
    EXPECT_FALSE(spectrogramLogEntryEnabled(source(), SpectrogramLogEntry::FormantsSelection, true))
        << "no formant tracking, no formant entries";
    EXPECT_TRUE(spectrogramLogEntries(source(), SpectrogramLogEntry::FormantsSelection, "v.wav").rows.empty());
}

TEST_F(MainEntries, NumbersKeepADecimalPointUnderEveryLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing";
    std::locale::global(std::locale("de_DE.UTF-8"));
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    doc.getChannel(0).m_dMarkerTime = 1.5;
    doc.getChannel(0).m_dMarkerDataValue = 0.5;
    const auto r = rows(MainLogEntry::Marker);
    const std::string listed = formatFixed1(1234.56);
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_STREQ(probe, "1,50") << "the locale writes a decimal comma";
    EXPECT_EQ(r[0].values, (Values{"1.50", "0.50"}));
    EXPECT_EQ(listed, "1234.6") << "the label list's times";
}
