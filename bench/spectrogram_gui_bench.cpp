// The spectrogram window on a one-hour 44.1 kHz recording with formants and
// waveform, its spectrogram area 1200 x 400 pixels. Targets on this 2-core
// machine: from opening the window to its picture drawn at most 150 ms;
// writing the levels into the picture at most 10 ms; composing a mouse move
// at most 1 ms.

#include "BenchDocument.h"
#include "app/AppState.h"
#include "gui/app/DocumentController.h"
#include "gui/platform/Dialogs.h"
#include "draw/SpectrogramPicture.h"
#include "gui/spectrogram/SpectrogramWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kSamples = 3600 * 44100;

struct HourLong {
    vx::QtDialogs dialogs;
    std::unique_ptr<vx::DocumentController> controller;
    std::unique_ptr<vx::DocumentSession> session;

    HourLong()
    {
        vx::resetAppState();
        controller = std::make_unique<vx::DocumentController>(dialogs);
        auto doc = std::make_unique<vx::Document>();
        doc->s = vx::makeDefaultSettings(kRate);
        doc->s.m_bSpecDrawFormantTracking = true;
        doc->s.m_bSpecDrawAudio = true;
        doc->getChannel(0).m_nChannelType = 1;
        // Vowel-like stretches and pauses.
        vxbench::fillChannel(*doc, kSamples, kRate, [](std::size_t k) {
            const double t = k / kRate;
            const double voiced = std::fmod(t, 0.9) < 0.6 ? 1 : 0.01;
            return voiced * (0.4 * std::sin(2 * M_PI * 600 * t) * std::sin(2 * M_PI * 120 * t) +
                             0.2 * std::sin(2 * M_PI * 1700 * t));
        });
        session = std::make_unique<vx::DocumentSession>(*controller, std::move(doc), QString(), false);
    }
};

HourLong& hour()
{
    static HourLong h;
    return h;
}

// A window whose spectrogram area is 1200 x 400, analysed and drawn.
vx::SpectrogramWindow* openWindow()
{
    HourLong& h = hour();
    const vx::Channels& c = h.session->doc().getChannel(0);
    auto* w = new vx::SpectrogramWindow(*h.session, vx::SpectrogramKind::WholeFile, 0,
                                        {0, c.m_dwFileLength, 0, c.m_dLengthMS});
    w->view().setFixedSize(1200 + vx::kSpectrogramLeftMargin, 466 + vx::kSpectrogramTimeBand);
    w->show();
    while (w->busy() || !w->result())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    w->view().repaint();
    return w;
}

void BM_OpenToDrawnHour(benchmark::State& state)
{
    hour();
    int columns = 0, rows = 0;
    for (auto _ : state) {
        vx::SpectrogramWindow* w = openWindow();
        columns = w->layout().columns;
        rows = w->layout().rows;
        state.PauseTiming();
        delete w;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["columns"] = columns;
    state.counters["rows"] = rows;
}

// The same with the waveform's summary not yet made: the first window of a
// document scans the whole hour once, beside the columns.
void BM_FirstOpenToDrawnHour(benchmark::State& state)
{
    HourLong& h = hour();
    for (auto _ : state) {
        state.PauseTiming();
        h.session->changeSamples([](vx::Document&) { return false; });
        state.ResumeTiming();
        vx::SpectrogramWindow* w = openWindow();
        state.PauseTiming();
        delete w;
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_LevelsIntoPicture(benchmark::State& state)
{
    vx::SpectrogramWindow* w = openWindow();
    for (auto _ : state) {
        QImage levels = vx::spectrogramLevels(w->result()->data, w->settings().m_nSpecDynamicRange);
        benchmark::DoNotOptimize(levels.constBits());
    }
    delete w;
}

void BM_ComposeMouseMove(benchmark::State& state)
{
    vx::SpectrogramWindow* w = openWindow();
    const vx::Rect r = w->layout().spectrogram;
    QImage target(w->view().size(), QImage::Format_ARGB32_Premultiplied);
    w->mousePressed(QPointF(r.left + 100, r.top + 100));
    w->mouseReleased();
    int x = r.left + 1;
    for (auto _ : state) {
        w->mouseMoved(QPointF(x, r.top + 50 + x % 200));
        x = x >= r.right - 7 ? r.left + 1 : x + 7;
        QPainter p(&target);
        w->paint(p, w->view().size());
    }
    delete w;
}

} // namespace

BENCHMARK(BM_OpenToDrawnHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirstOpenToDrawnHour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LevelsIntoPicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeMouseMove)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
