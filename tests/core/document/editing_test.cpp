#include "document/Editing.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace vx;

namespace {

constexpr double kRate = 1000; // one sample per ms keeps times and indices alike

// Two channels of 1000 samples (channel 1 the negative of channel 0), with labels on a shown and a
// hidden tier before, at the start of, inside, at the stop of and after the stretch 200 .. 300 ms.
void fill(Document& d)
{
    std::vector<float> x(1000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(i) * 1e-5f + (i % 7 == 0 ? 1.5f : 0.0f);
    vxtest::fillChannel(d, x, kRate);
    d.m_nNumofChannels = 2;
    d.getChannel(1).Duplicate(d.getChannel(0));
    for (std::size_t i = 0; i < x.size(); ++i)
        d.getChannel(1).m_hData[i] = -x[i];
    for (int k = 0; k < 2; ++k) {
        Channels& c = d.getChannel(k);
        c.m_dReference = 0.25;
        c.m_Tiers[1].bSelected = true;
        c.m_Tiers[4].setLevelName("hidden");
        for (auto [tier, t, text] : {std::tuple{1, 100.0, "before"}, {1, 200.0, "at start"}, {1, 250.0, "inside"},
                                     {1, 300.0, "at stop"}, {1, 800.0, "after"}, {4, 250.0, ""}, {4, 900.0, "late"}}) {
            auto l = std::make_shared<Labels>();
            l->dTime = t;
            l->setLabelText(text);
            l->nJustification = 2;
            l->bAddLine = true;
            c.Tier_Add_Label_Cocoa(tier, std::move(l));
        }
    }
}

void select(Document& d, double fromMs, double toMs)
{
    for (int k = 0; k < d.m_nNumofChannels; ++k) {
        d.getChannel(k).SetMarkerValues_Time(fromMs);
        d.getChannel(k).SetCursorInFile_Time(toMs);
        d.getChannel(k).CalculateDuration();
    }
    d.m_bHaveSelection = true;
}

// Everything an undo must put back, as text, samples to the bit.
std::string stateOf(const Document& d)
{
    std::ostringstream s;
    s.precision(17);
    s << d.m_nNumofChannels << d.m_bHaveSelection << d.m_bHaveMarker;
    for (int k = 0; k < d.m_nNumofChannels; ++k) {
        const Channels& c = d.getChannel(k);
        s << ' ' << c.m_dLengthMS << ' ' << c.m_dwFileLength << ' ' << c.m_dMarkerTime << ' '
          << c.m_dDurationStartTime << ' ' << c.m_dDurationStopFile;
        s.write(reinterpret_cast<const char*>(c.m_hData.data()),
                static_cast<std::streamsize>(c.m_hData.size() * sizeof(float)));
        for (const TIERS& t : c.m_Tiers) {
            s << t.strName << t.bSelected << t.nHeigth;
            for (const LabelPtr& l : t.m_pArrayLabels)
                s << ' ' << l->dTime << l->getLabelText() << l->nJustification << l->bAddLine;
        }
    }
    return s.str();
}

using Times = std::vector<std::pair<double, std::string>>;

Times labelsOf(const Channels& c, int tier)
{
    Times out;
    for (const LabelPtr& l : c.m_Tiers[static_cast<std::size_t>(tier)].m_pArrayLabels)
        out.emplace_back(l->dTime, l->getLabelText());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(Editing, EditsMoveTheLabelsOfEveryTierAndUndoPutsAllBack)
{
    Document d(StartingSettings::defaultsOnly);
    fill(d);
    select(d, 200, 300);
    std::string before = stateOf(d);
    Clipboard clip;
    UndoRecord r = Editor::cut(d, clip);

    EXPECT_EQ(r.sampleBytes(), 2 * 100 * sizeof(float)) << "the record holds what was cut, not the recording";
    for (int k = 0; k < 2; ++k) {
        const Channels& c = d.getChannel(k);
        ASSERT_EQ(c.m_hData.size(), 900u);
        EXPECT_EQ(c.m_dLengthMS, 900);
        EXPECT_EQ(c.m_hData[200], (k ? -1.0f : 1.0f) * (300 * 1e-5f + (300 % 7 == 0 ? 1.5f : 0.0f)));
        EXPECT_EQ(labelsOf(c, 1), (Times{{100, "before"}, {200, "at start"}, {200, "at stop"}, {700, "after"}}));
        EXPECT_EQ(labelsOf(c, 4), (Times{{800, "late"}})) << "a hidden tier moves with its samples";
    }
    EXPECT_FALSE(d.m_bHaveSelection);
    // The clipboard: the samples, and the labels inside of the shown tiers.
    ASSERT_EQ(clip.channelCount, 2);
    EXPECT_EQ(clip.channels[1].m_hData[0], -(200 * 1e-5f));
    EXPECT_EQ(labelsOf(clip.channels[0], 1), (Times{{50, "inside"}}));
    EXPECT_TRUE(labelsOf(clip.channels[0], 4).empty());

    Editor::undo(d, std::move(r));
    EXPECT_TRUE(stateOf(d) == before) << "samples, tiers, labels, lengths, selection as before";
    EXPECT_TRUE(d.isDocumentEdited());

    // At the marker the label there stays; over a selection its stop's (250) joins its start.
    const struct {
        bool selection;
        double from, to;
        Times words;
        long length;
    } pastes[] = {
        {false, 100, 0, {{100, "before"}, {150, "inside"}, {300, "at start"}, {350, "inside"}, {400, "at stop"},
                         {900, "after"}}, 1100},
        {true, 100, 250, {{100, "before"}, {100, "inside"}, {150, "inside"}, {250, "at stop"}, {750, "after"}}, 950},
    };
    for (const auto& p : pastes) {
        if (p.selection) {
            select(d, p.from, p.to);
        } else {
            d.clearSelection();
            for (int k = 0; k < 2; ++k)
                d.getChannel(k).SetMarkerValues_Time(p.from);
            d.m_bHaveMarker = true;
        }
        before = stateOf(d);
        ASSERT_EQ(Editor::pasteRefusal(d, clip), PasteRefusal::none);
        r = Editor::paste(d, clip);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(d.getChannel(k).m_hData.size(), static_cast<std::size_t>(p.length));
            EXPECT_EQ(d.getChannel(k).m_dLengthMS, p.length);
            EXPECT_EQ(d.getChannel(k).m_hData[static_cast<std::size_t>(p.from) + 7], clip.channels[k].m_hData[7]);
        }
        EXPECT_EQ(labelsOf(d.getChannel(0), 1), p.words) << p.selection;
        Editor::undo(d, std::move(r));
        EXPECT_TRUE(stateOf(d) == before);
    }

    // A new document takes the clipboard whole, with nothing to undo.
    Document fresh(StartingSettings::defaultsOnly);
    EXPECT_TRUE(Editor::paste(fresh, clip).empty());
    EXPECT_EQ(fresh.m_nNumofChannels, 2);
    EXPECT_EQ(fresh.getChannel(1).m_hData.size(), 100u);
    EXPECT_EQ(fresh.s.m_dAnalysisSampleRate, kRate);
    EXPECT_EQ(labelsOf(fresh.getChannel(0), 1), (Times{{50, "inside"}}));

    // Clear and gain overwrite in place.
    select(d, 200, 300);
    before = stateOf(d);
    UndoRecord cleared = Editor::clear(d);
    EXPECT_EQ(d.getChannel(1).m_hData[250], 0.25f) << "the reference level, not 0";
    EXPECT_EQ(d.getChannel(1).m_hData.size(), 1000u);
    EXPECT_EQ(labelsOf(d.getChannel(0), 1).size(), 5u);
    Editor::undo(d, std::move(cleared));
    EXPECT_TRUE(stateOf(d) == before);

    // Reference 0 and 100 % doubles channel 0 only; the samples come back exactly.
    UndoRecord doubled = Editor::referenceGain(d, 0, 100);
    EXPECT_EQ(d.getChannel(0).m_hData[7], -2 * d.getChannel(1).m_hData[7]);
    Editor::undo(d, std::move(doubled));
    UndoRecord gained = Editor::referenceGain(d, 0.1, 70);
    EXPECT_EQ(d.getChannel(0).m_hData[3], static_cast<float>(1.7f * static_cast<float>(3e-5f + 0.1)));
    Editor::undo(d, std::move(gained));
    EXPECT_TRUE(stateOf(d) == before);

    // Without undo the edit is made and nothing is kept.
    EXPECT_TRUE(Editor::clear(d, false).empty());
    EXPECT_EQ(d.getChannel(0).m_hData[250], 0.25f);

    // Refused before anything changes: another channel count, another rate.
    Document mono(StartingSettings::defaultsOnly);
    vxtest::fillChannel(mono, std::vector<float>(500, 0.1f), kRate);
    EXPECT_EQ(Editor::pasteRefusal(mono, clip), PasteRefusal::channelCount);
    d.getChannel(1).m_dSampleRate = 2000;
    EXPECT_EQ(Editor::pasteRefusal(d, clip), PasteRefusal::sampleRate);
}
