// Pictures of one minute of a 44.1 kHz recording at 6 x 4 inches (1800 x
// 1200 pixels), drawn and written as TIFF. Targets: the main view with its
// pitch track and intensity contour at most 300 ms; the spectrogram with
// its formant tracks, its levels computed for the picture's pixels, at
// most 1.5 s.

#include "analysis/PitchIntensity.h"
#include "analysis/SpectrogramData.h"
#include "BenchDocument.h"
#include "app/PictureSize.h"
#include "draw/MainViewPicture.h"
#include "draw/PictureFile.h"
#include "draw/SpectrogramPicture.h"
#include "draw/ViewFonts.h"
#include "mainview/MainViewModel.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {

constexpr double kRate = 44100;
constexpr std::size_t kSamples = 60 * 44100;

struct Minute {
    vx::Document doc;
    std::unique_ptr<vx::MainViewModel> model;
    std::unique_ptr<vx::SampleSummary> summary;
    vx::PictureSize size = vx::pictureSize(vx::PictureView::main, true, 6, 4);
    std::string path = (std::filesystem::temp_directory_path() / "voxtrace-picture-bench.tif").string();

    Minute()
    {
        // A 120-160 Hz voice through two resonances, syllables of 200 ms.
        vxbench::fillChannel(doc, kSamples, kRate, [](std::size_t k) {
            const double t = k / kRate;
            const double f0 = 140 + 20 * std::sin(t * 2);
            const double env = std::sin(t * 3.1416 * 5) > 0 ? 1 : 0.05;
            return env * (0.3 * std::sin(2 * 3.1416 * f0 * t) + 0.2 * std::sin(2 * 3.1416 * 700 * t) +
                          0.1 * std::sin(2 * 3.1416 * 1200 * t));
        });
        const vx::Channels& c = doc.getChannel(0);
        doc.s.m_bSpecDrawFormantTracking = true;
        model = std::make_unique<vx::MainViewModel>(doc);
        model->SetupDisplay(450, 300);
        auto pitch = vx::computePitchTrack(c.m_hData.data(), c.m_dwFileLength, vx::pitchParams(doc.s, kRate), 0,
                                           c.m_dwFileLength, 0, c.m_dLengthMS);
        model->setPitch(std::move(pitch));
        model->setIntensity(vx::computeIntensity(c.m_hData.data(), c.m_dwFileLength,
                                                 vx::intensityParams(c, kRate, c.m_dReference)));
        summary = std::make_unique<vx::SampleSummary>(c.m_hData.data(), kSamples);
    }
};

Minute& minute()
{
    static Minute m;
    return m;
}

void BM_MainViewPicture6x4(benchmark::State& state)
{
    Minute& m = minute();
    for (auto _ : state) {
        const QString error = vx::writePicture(m.path, m.size, [&](QPainter& p, const QRect& target) {
            vx::paintMainView(p, *m.model, m.summary.get(), target, 4);
        });
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
    }
}
BENCHMARK(BM_MainViewPicture6x4)->Unit(benchmark::kMillisecond);

void BM_SpectrogramPicture6x4(benchmark::State& state)
{
    Minute& m = minute();
    const vx::Channels& c = m.doc.getChannel(0);
    const vx::SpectrogramStretch stretch{0, c.m_dwFileLength, 0, c.m_dLengthMS};
    for (auto _ : state) {
        const vx::SpectrogramLayout l =
            vx::spectrogramPictureLayout(c, m.doc.s, QSize(m.size.width, m.size.height), 4);
        vx::SpectrogramResult result;
        result.wave = std::shared_ptr<const vx::SampleSummary>(m.summary.get(), [](const vx::SampleSummary*) {});
        result.data = vx::computeSpectrogram(c.m_hData.data(), c.m_dwFileLength, 0, c.m_dwFileLength, l.columns,
                                             l.rows, vx::spectrogramParams(m.doc.s, kRate));
        const QString error = vx::writePicture(m.path, m.size, [&](QPainter& p, const QRect& target) {
            vx::paintSpectrogram(p, c, l, m.doc.s, stretch, result, target);
        });
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
    }
}
BENCHMARK(BM_SpectrogramPicture6x4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    vx::installTextMeasurer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove(minute().path);
    return 0;
}
