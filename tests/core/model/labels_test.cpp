#include "model/Channels.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

// 1000 ms over a 500-pixel strip from the 50-pixel margin; tier 1's band at rows 10..30.
const Rect kArea{0, 50, 100, 550};
const Rect kBand{10, 50, 30, 550};

LabelRecord recordOf(const std::string& text, int justification, int w, int h)
{
    LabelRecord r;
    r.strText = text;
    r.nJustification = justification;
    r.bounds = {0, 0, static_cast<std::int16_t>(h), static_cast<std::int16_t>(w)};
    return r;
}

} // namespace

TEST(Labels, PlacementByJustificationOnAZoomedPageAndBadTiers)
{
    Channels c;
    c.m_dwFileLength = 10000;
    c.m_dLengthMS = 1000;
    c.m_dSampleRate = 10000;
    c.m_dPageMax = 10000;
    c.SetMarkerValues_Time(200); // pixel 100 on this page, 150 in the area
    for (auto [text, side, width, left] : {std::tuple{"r", 2, 40, 110}, {"c", 1, 41, 130}, {"l", 0, 40, 150}}) {
        Labels* l = c.Tier_Add_Label_Cocoa_Where(1, recordOf(text, side, width, 12), kArea, kBand);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->rectLocation.left, left) << text;
        EXPECT_EQ(l->rectLocation.right, left + width) << text;
        EXPECT_EQ(l->dTime, 200.0);
    }
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 3);
    Labels* right = c.Tier_GetLabel(1, 0);
    EXPECT_EQ(right->getLabelText(), "r") << "insertion order";

    // Zoomed to 100..300 ms the 40-px label ends at pixel 250, as tall as its text.
    std::optional<Rect> z = placeLabel(*right, kArea, kBand, 100, 300);
    ASSERT_TRUE(z);
    EXPECT_EQ(*z, (Rect{10, 50 + 250 - 40, static_cast<std::int16_t>(10 + measureText("r", {}).height), 50 + 250}));
    EXPECT_FALSE(placeLabel(*right, kArea, kBand, 200.1, 400));
    // On either edge of a page (0 ms, the end of the recording) it is drawn.
    EXPECT_TRUE(placeLabel(*right, kArea, kBand, 200, 400));
    EXPECT_TRUE(placeLabel(*right, kArea, kBand, 0, 200));

    // A tall label grows its tier's band; bad tiers are refused.
    Labels* tall = c.Tier_Add_Label_Cocoa_Where(2, recordOf("tall", 0, 10, 30), kArea, kBand);
    EXPECT_EQ(c.m_Tiers[2].nHeigth, 30);
    Labels small;
    small.rectLocation = {0, 0, 5, 10};
    c.Tier_Modify_Label(2, tall, small);
    EXPECT_EQ(c.m_Tiers[2].nHeigth, 30) << "a band only grows";
    for (int bad : {-1, 10, 99}) {
        EXPECT_EQ(c.Tier_Add_Label_Cocoa_Where(bad, recordOf("x", 0, 10, 10), kArea, kBand), nullptr);
        EXPECT_EQ(c.Tier_GetLabel(bad, 0), nullptr);
        c.Tier_RemoveLabelAll(bad);
    }
    c.Tier_Remove_Label(0, right);
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 3) << "removing from another tier does nothing";
    c.Tier_Remove_Label(1, right);
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 2);
}

TEST(Labels, LongTextsAreCutAtACharacterBoundary)
{
    std::string text(254, 'a');
    text += "\xC3\xA9\xC3\xA9"; // two 2-byte characters: 258 bytes
    Labels l;
    l.setLabelText(text);
    EXPECT_EQ(l.getLabelText().size(), 254u) << "the first é would straddle byte 255";
    EXPECT_EQ(l.cText[254], 0);

    std::string text2(253, 'b');
    text2 += "\xE2\x82\xAC\xE2\x82\xAC"; // two 3-byte euro signs
    EXPECT_EQ(truncateUtf8(text2, 255), std::string(253, 'b'));
    EXPECT_EQ(truncateUtf8(text2, 256), std::string(253, 'b') + "\xE2\x82\xAC");

    Channels c;
    LabelRecord r;
    r.strText = text;
    Labels* added = c.Add_Label(r);
    EXPECT_EQ(fieldToString(added->cText).size(), 254u);
}
