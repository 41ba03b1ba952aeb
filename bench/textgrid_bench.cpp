// Importing a TextGrid of 50 000 labels (an interval tier of 50 000
// intervals, every other one labelled, and one of 25 000 labelled intervals)
// into a document's channel, from the file's bytes. Target: at most 0.5 s.

#include "document/Document.h"
#include "labels/TextGrid.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kHalf = 25000;
constexpr double kLengthMs = 10.0 * 60 * 1000;

const std::string& bigGrid()
{
    static const std::string text = [] {
        vx::Channels c;
        c.m_dLengthMS = kLengthMs;
        c.m_Tiers[0].setLevelName("words");
        c.m_Tiers[1].setLevelName("tones");
        for (int k = 0; k < 2 * kHalf; ++k) {
            auto l = std::make_shared<vx::Labels>();
            l->dTime = k * (kLengthMs / (2 * kHalf)) + 0.125;
            l->setLabelText(k % 2 == 0 ? "word " + std::to_string(k) : "");
            c.Tier_Add_Label_Cocoa(0, l);
            if (k % 2 == 0) {
                auto p = std::make_shared<vx::Labels>();
                p->dTime = l->dTime + 3.3;
                p->setLabelText("H*");
                c.Tier_Add_Label_Cocoa(1, p);
            }
        }
        return vx::textGridText(c, vx::TextGridTiers::intervals).text;
    }();
    return text;
}

void BM_ImportTextGrid50000Labels(benchmark::State& state)
{
    const std::string& text = bigGrid();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<vx::Document>(vx::StartingSettings::defaultsOnly);
        d->getChannel(0).m_dLengthMS = kLengthMs;
        state.ResumeTiming();
        std::string error;
        if (!vx::importTextGrid(d->getChannel(0), bytes, &error))
            state.SkipWithError(error.c_str());
        const int labels = d->getChannel(0).m_Tiers[0].nLabelCount + d->getChannel(0).m_Tiers[1].nLabelCount;
        if (labels != 2 * kHalf)
            state.SkipWithError("not 50 000 labels");
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_ImportTextGrid50000Labels)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9);
BENCHMARK_MAIN();
