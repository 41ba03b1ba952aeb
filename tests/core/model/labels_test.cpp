#include "model/Channels.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

// 1000 ms shown over a 500-pixel strip starting at the 50-pixel margin.
Channels pageOf1000ms()
{
    Channels c;
    c.m_dwFileLength = 10000;
    c.m_dLengthMS = 1000;
    c.m_dSampleRate = 10000;
    c.m_rLocation = {0, 50, 100, 550};
    c.m_dPageMax = 10000;
    c.m_Tiers[1].rLocation = {10, 50, 30, 550};
    return c;
}

LabelRecord recordOf(const std::string& text, int justification, int w, int h)
{
    LabelRecord r;
    r.strText = text;
    r.nJustification = justification;
    r.bounds = {0, 0, static_cast<std::int16_t>(h), static_cast<std::int16_t>(w)};
    return r;
}

} // namespace

TEST(Labels, HorizontalPlacementByJustification)
{
    Channels c = pageOf1000ms();
    c.SetMarkerValues_Time(200); // pixel 100 on this page
    Labels* right = c.Tier_Add_Label_Cocoa_Where(1, recordOf("r", 2, 40, 12), {});
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->rectLocation.left, 110);
    EXPECT_EQ(right->rectLocation.right, 150);
    EXPECT_EQ(right->rectLocation.top, 10);
    EXPECT_EQ(right->dTime, 200.0);

    Labels* centred = c.Tier_Add_Label_Cocoa_Where(1, recordOf("c", 1, 41, 12), {});
    EXPECT_EQ(centred->rectLocation.left, 150 - 20);
    EXPECT_EQ(centred->rectLocation.right, 150 + 21);
    Labels* left = c.Tier_Add_Label_Cocoa_Where(1, recordOf("l", 0, 40, 12), {});
    EXPECT_EQ(left->rectLocation.left, 150);
    EXPECT_EQ(left->rectLocation.right, 190);
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 3);
    EXPECT_EQ(c.Tier_GetLabel(1, 0), right) << "insertion order";

    // Zooming to 100..300 ms moves the 40-px label to pixel 250: 260..300.
    Labels* z = c.Tier_GetLabelZoomed(1, 0, 100, 300);
    ASSERT_EQ(z, right);
    EXPECT_EQ(z->rectLocation.left, 50 + 250 - 40);
    EXPECT_EQ(z->rectLocation.right, 50 + 250);
    EXPECT_EQ(z->bounds().width, 40.0);
}

TEST(Labels, ZoomedLookupIsAnOpenInterval)
{
    Channels c = pageOf1000ms();
    c.SetMarkerValues_Time(200);
    c.Tier_Add_Label_Cocoa_Where(0, recordOf("a", 0, 10, 10), {});
    c.Tier_Add_Label_Cocoa_Where(0, recordOf("b", 0, 10, 10), {});
    EXPECT_EQ(c.Tier_GetLabelZoomed(0, 0, 200, 400), nullptr);
    EXPECT_EQ(c.Tier_GetLabelZoomed(0, 0, 0, 200), nullptr);
    EXPECT_NE(c.Tier_GetLabelZoomed(0, 1, 199.9, 200.1), nullptr) << "two labels at one time are both kept";
    EXPECT_EQ(c.Tier_GetLabelZoomed(0, 2, 0, 1000), nullptr);
    EXPECT_EQ(c.Tier_GetLabelZoomed(5, 0, 0, 1000), nullptr) << "empty tier";
}

TEST(Labels, TierGrowsForATallLabelAndIgnoresBadIndices)
{
    Channels c = pageOf1000ms();
    c.SetMarkerValues_Time(500);
    c.Tier_Add_Label_Cocoa_Where(1, recordOf("tall", 0, 10, 30), {});
    EXPECT_EQ(c.m_Tiers[1].nHeigth, 30);
    EXPECT_EQ(c.m_Tiers[1].rLocation.bottom, 40);

    Labels taller;
    taller.rectLocation = {0, 0, 45, 10};
    c.Tier_Modify_Label(1, c.Tier_GetLabel(1, 0), taller);
    EXPECT_EQ(c.m_Tiers[1].nHeigth, 45);
    Labels small;
    small.rectLocation = {0, 0, 5, 10};
    c.Tier_Modify_Label(1, c.Tier_GetLabel(1, 0), small);
    EXPECT_EQ(c.m_Tiers[1].nHeigth, 45) << "a band only grows";

    for (int bad : {-1, 10, 99}) {
        EXPECT_EQ(c.Tier_Add_Label_Cocoa_Where(bad, recordOf("x", 0, 10, 10), {}), nullptr);
        EXPECT_EQ(c.Tier_GetLabel(bad, 0), nullptr);
        c.Tier_RemoveLabelAll(bad);
        c.Tier_AdjustLabels(bad);
    }
    Labels* kept = c.Tier_GetLabel(1, 0);
    c.Tier_Remove_Label(0, kept);
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 1) << "removing from another tier does nothing";
    c.Tier_Remove_Label(1, kept);
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 0);
}

TEST(Labels, MovingByPixelsAndByTime)
{
    Channels c = pageOf1000ms();
    c.SetMarkerValues_Time(300);
    Labels* l = c.Tier_Add_Label_Cocoa_Where(1, recordOf("m", 0, 20, 10), {});
    Rect moved = l->rectLocation;
    moved.left = static_cast<std::int16_t>(moved.left + 10);
    moved.right = static_cast<std::int16_t>(moved.right + 10);
    l->_deltaShift = {10, 0};
    c.Tier_MoveLabel(1, l, moved);
    EXPECT_DOUBLE_EQ(l->dTime, 320.0) << "10 px on 1000 ms over 500 px is 20 ms";
    EXPECT_EQ(l->dVerticalFactor, 0.7);
    EXPECT_EQ(l->_deltaShift, (PointD{0, 0}));
    EXPECT_EQ(l->rectLocation, moved);

    c.Tier_MoveLabelTimeBy(1, l, -20);
    EXPECT_DOUBLE_EQ(l->dTime, 300.0);

    c.Tier_AdjustLabels(1);
    EXPECT_EQ(l->rectLocation.top, 10);
    EXPECT_EQ(l->bounds().y, 10.0);
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
    EXPECT_EQ(truncateUtf8("short", 255), "short");

    Channels c;
    LabelRecord r;
    r.strText = text;
    Labels* added = c.Add_Label(r);
    EXPECT_EQ(fieldToString(added->cText).size(), 254u);
}
