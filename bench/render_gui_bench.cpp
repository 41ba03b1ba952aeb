// The main view of a one-hour 44.1 kHz recording with its pitch track and
// intensity contour, at 1200 x 400 pixels. Targets: rendering the picture
// fully zoomed out and zoomed to one second, each at most 30 ms; compositing
// the overlays for a mouse move at most 2 ms.

#include "BenchDocument.h"
#include "draw/MainViewPicture.h"
#include "gui/mainview/MainView.h"
#include "mainview/MainViewModel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kSamples = 3600 * 44100;

struct HourLong {
    vx::Document doc;
    std::unique_ptr<vx::MainViewModel> model;
    std::unique_ptr<vx::SampleSummary> summary;

    HourLong()
    {
        vxbench::fillChannel(doc, kSamples, kRate,
                             [](std::size_t k) { return 0.5 * std::sin(k * 0.031) * std::sin(k * 1e-5); });
        const vx::Channels& c = doc.getChannel(0);
        model = std::make_unique<vx::MainViewModel>(doc);
        model->SetupDisplay(1200, 400);
        model->AdjustScrollControl(0, 1.0);

        vx::PitchTrack t;
        t.frameCount = 360000;
        t.track.resize(360000);
        for (std::size_t k = 0; k < t.track.size(); ++k)
            t.track[k] = k % 100 < 60 ? 120 + 30 * std::sin(k * 0.01) : 0;
        t.stopPoint = c.m_dwFileLength;
        t.stopTime = c.m_dLengthMS;
        model->setPitch(t);
        vx::IntensityParams ip;
        ip.sampleRate = kRate;
        model->setIntensity(vx::computeIntensity(c.m_hData.data(), c.m_dwFileLength, ip));
        summary = std::make_unique<vx::SampleSummary>(c.m_hData.data(), kSamples);
    }
};

HourLong& hour()
{
    static HourLong h;
    return h;
}

void render(benchmark::State& state, bool oneSecond)
{
    HourLong& h = hour();
    vx::Channels& c = h.doc.getChannel(0);
    const double q = oneSecond ? kRate / kSamples : 1.0;
    h.model->AdjustScrollControl(0.5, q);
    (void)c;
    QImage image(1200, 400, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        vx::drawMainView(p, *h.model, h.model->geometry(), h.summary.get());
    }
}

void BM_RenderHourZoomedOut(benchmark::State& state)
{
    render(state, false);
}

void BM_RenderHourOneSecond(benchmark::State& state)
{
    render(state, true);
}

void BM_ComposeMouseMove(benchmark::State& state)
{
    HourLong& h = hour();
    h.model->AdjustScrollControl(0, 1.0);
    h.model->m_bRedraw = true;
    vx::MainView view(*h.model, {});
    view.resize(1200, 400);
    view.renderIfNeeded();
    QImage target(1200, 400, QImage::Format_ARGB32_Premultiplied);
    int x = 60;
    for (auto _ : state) {
        h.model->TrackMouseMove({double(x), 200}, 0, true);
        x = x >= 1190 ? 60 : x + 7;
        QPainter p(&target);
        view.compose(p);
    }
    if (view.renderCount() != 1)
        state.SkipWithError("a mouse move rendered the picture again");
}

} // namespace

BENCHMARK(BM_RenderHourZoomedOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderHourOneSecond)->Unit(benchmark::kMillisecond);
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
