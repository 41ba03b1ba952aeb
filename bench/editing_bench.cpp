// Cut, Paste, Clear and Undo of one second inside a one-hour 44.1 kHz
// recording. Target: each at most 300 ms; the undo record of a one-second
// cut holds that second, not the hour.

#include "document/Editing.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kSamples = 3600 * 44100;

vx::Document& hour()
{
    static vx::Document d(vx::StartingSettings::defaultsOnly);
    if (!d.m_bHaveData) {
        vx::Channels& c = d.getChannel(0);
        c.m_hData.newUninitialized(kSamples);
        for (std::size_t k = 0; k < kSamples; ++k)
            c.m_hData[k] = static_cast<float>(0.5 * std::sin(static_cast<double>(k) * 0.031));
        c.m_dSampleRate = kRate;
        c.m_dwFileLength = static_cast<double>(kSamples);
        c.m_dLengthMS = kSamples * 1000.0 / kRate;
        d.m_bHaveData = true;
        d.m_nNumofChannels = 1;
    }
    return d;
}

// One second from the middle of the hour.
void selectSecond(vx::Document& d)
{
    vx::Channels& c = d.getChannel(0);
    c.m_dDurationStartTime = 1800000;
    c.m_dDurationStopTime = 1801000;
    c.m_dDurationStartFile = 1800 * kRate;
    c.m_dDurationStopFile = 1801 * kRate;
    c.m_dDurationTime = 1000;
    c.m_dDurationFile = kRate;
    d.m_bHaveSelection = true;
}

void markMiddle(vx::Document& d)
{
    d.clearSelection();
    d.getChannel(0).m_dMarkerTime = 1800000;
    d.getChannel(0).m_dMarkerFileValue = 1800 * kRate;
    d.m_bHaveMarker = true;
}

// Each iteration times the edit, then its undo, the document back as it was.
template <typename Edit>
void editAndUndo(benchmark::State& state, Edit edit)
{
    vx::Document& d = hour();
    std::size_t recordBytes = 0;
    for (auto _ : state) {
        vx::UndoRecord r = edit(d);
        recordBytes = r.sampleBytes();
        state.PauseTiming();
        vx::Editor::undo(d, std::move(r));
        state.ResumeTiming();
    }
    state.counters["record_bytes"] = static_cast<double>(recordBytes);
}

void BM_CutSecondOfHour(benchmark::State& state)
{
    vx::Clipboard clip;
    editAndUndo(state, [&](vx::Document& d) {
        selectSecond(d);
        return vx::Editor::cut(d, clip);
    });
}

void BM_PasteSecondIntoHour(benchmark::State& state)
{
    vx::Clipboard clip;
    selectSecond(hour());
    vx::Editor::copy(hour(), clip);
    editAndUndo(state, [&](vx::Document& d) {
        markMiddle(d);
        return vx::Editor::paste(d, clip);
    });
}

void BM_ClearSecondOfHour(benchmark::State& state)
{
    editAndUndo(state, [](vx::Document& d) {
        selectSecond(d);
        return vx::Editor::clear(d);
    });
}

// Undo of a cut: the second put back.
void BM_UndoCutOfHour(benchmark::State& state)
{
    vx::Document& d = hour();
    vx::Clipboard clip;
    for (auto _ : state) {
        state.PauseTiming();
        selectSecond(d);
        vx::UndoRecord r = vx::Editor::cut(d, clip);
        state.ResumeTiming();
        vx::Editor::undo(d, std::move(r));
    }
}

} // namespace

BENCHMARK(BM_CutSecondOfHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PasteSecondIntoHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClearSecondOfHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoCutOfHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
