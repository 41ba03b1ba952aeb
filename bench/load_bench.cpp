// Opening a one-hour 44.1 kHz 16-bit mono WAVE file through the reader
// chain, beside reading the same bytes into memory. Target: the load takes
// at most twice as long as the plain read.

#include "app/AppState.h"
#include "document/Document.h"
#include "document/WaveFormat.h"
#include "platform/FileIO.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

const std::string& hourLongWave()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/voxtrace-bench-hour.wav";
        const std::uintmax_t expected = 48 + 2ull * 3600 * 44100;
        std::error_code ec;
        if (std::filesystem::file_size(p, ec) != expected) {
            vx::Document d;
            vx::Channels& c = d.getChannel(0);
            const std::size_t n = 3600ull * 44100;
            c.m_hData.newClear(n);
            for (std::size_t k = 0; k < n; ++k)
                c.m_hData[k] = static_cast<float>(0.3 * std::sin(k * 0.0713) + 0.1 * std::sin(k * 0.0029));
            c.m_dwFileLength = static_cast<double>(n);
            c.m_dSampleRate = 44100;
            vx::writeFileAtomically(p, vx::Save_WAVE_FileType(d, false, 0));
        }
        return p;
    }();
    return path;
}

void BM_ReadBytes(benchmark::State& state)
{
    const std::string& path = hourLongWave();
    for (auto _ : state) {
        auto bytes = vx::readWholeFile(path);
        benchmark::DoNotOptimize(bytes->data());
        // Releasing the memory is not part of reading.
        state.PauseTiming();
        bytes.reset();
        state.ResumeTiming();
    }
}

void BM_LoadWave(benchmark::State& state)
{
    const std::string& path = hourLongWave();
    for (auto _ : state) {
        // No per-user settings file is read: the figure is the same everywhere.
        auto d = std::make_unique<vx::Document>(vx::StartingSettings::defaultsOnly);
        vx::ReadResult r = d->loadFile(path, nullptr);
        if (!r.ok)
            state.SkipWithError(r.reason.c_str());
        benchmark::DoNotOptimize(d->getChannel(0).m_hData.data());
        // Closing the document is not part of opening it.
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LoadWave)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
