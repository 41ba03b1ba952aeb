#include "labels/Labelling.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

void put(Channels& c, int tier, double t, const std::string& text)
{
    LabelRecord r;
    r.strText = text;
    c.Tier_Add_Label_Cocoa_Where(tier, r, {0, 50, 300, 840}, {0, 50, 20, 840}, t);
}

} // namespace

TEST(Labelling, TheListRunsThroughChannelsThenTiersThenEachTiersOrder)
{
    Document d;
    d.m_nNumofChannels = 3;
    put(d.getChannel(2), 0, 5, "c2");
    put(d.getChannel(0), 9, 1, "last tier");
    put(d.getChannel(0), 0, 900, "late first");
    put(d.getChannel(0), 0, 100, "early second");
    put(d.getChannel(1), 3, 7, "c1");
    d.getChannel(1).m_Tiers[3].setLevelName("not this name");
    const std::vector<LabelListEntry> rows = listLabels(d);
    std::vector<std::string> seen;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::string line;
        for (int c = 0; c < kLabelListColumns; ++c)
            line += labelListCell(d, rows[k], int(k), LabelListColumn(c)) + (c + 1 < kLabelListColumns ? "|" : "");
        seen.push_back(line);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1|tones|late first|900.0", "2|tones|early second|100.0",
                                              "3||last tier|1.0", "4|misc|c1|7.0", "5|tones|c2|5.0"}));
}

TEST(Labelling, ASaveThatDropsHiddenLabelsAsksNamingTheTiers)
{
    Document d;
    Channels& c = d.getChannel(0);
    put(c, 1, 10, "shown");
    c.m_Tiers[1].bSelected = true;
    EXPECT_FALSE(hiddenTiersSaveQuestion(d)) << "labels on shown tiers are saved";
    put(c, 0, 10, "hidden");
    auto q = hiddenTiersSaveQuestion(d);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->message, "The hidden tier \"tones\" holds labels.");
    EXPECT_EQ(q->buttons, (std::vector<std::string>{"Save anyway", "Cancel"}));
    put(c, 2, 10, "hidden");
    put(c, 3, 10, "hidden");
    q = hiddenTiersSaveQuestion(d);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->message, "The hidden tiers \"tones\", \"breaks\" and \"misc\" hold labels.");
    put(d.getChannel(1), 4, 10, "other channel");
    EXPECT_EQ(hiddenTiersWithLabels(d).size(), 3u) << "only channel 0 is saved with its tiers";
}
