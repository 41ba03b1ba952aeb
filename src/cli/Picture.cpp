// voxtrace-cli picture: a view of a recording drawn into a picture file, as
// the application's File > Save as Picture... draws it, without a window
// or a display.

#include "CliCommon.h"

#include "analysis/PitchIntensity.h"
#include "analysis/SpectrogramData.h"
#include "analysis/SpectrumSlice.h"
#include "app/PictureSize.h"
#include "draw/MainViewPicture.h"
#include "draw/PictureFile.h"
#include "draw/SlicePicture.h"
#include "draw/SpectrogramPicture.h"
#include "draw/ViewFonts.h"
#include "labels/TextGrid.h"
#include "mainview/MainViewModel.h"
#include "spectrum/SliceDisplay.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace vxcli {

namespace {

// The pen factor of a saved picture: every pixel dimension of the view
// times four at 300 pixels an inch.
constexpr double kPen = 4;

vx::PictureView viewOf(const Args& args)
{
    const std::string view = args.has("view") ? args.text("view") : "main";
    if (view == "main")
        return vx::PictureView::main;
    if (view == "spectrogram")
        return vx::PictureView::spectrogram;
    if (view == "spectrum")
        return vx::PictureView::spectrum;
    throw CliError("--view " + view + ": the views are main, spectrogram and spectrum");
}

vx::PictureSize sizeOf(const Args& args, vx::PictureView view, const vx::Settings& s)
{
    const bool inches = args.has("width-in") || args.has("height-in");
    const bool cm = args.has("width-cm") || args.has("height-cm");
    if (inches && cm)
        throw CliError("the size is given in inches or in centimetres, not both");
    vx::PictureSize size;
    if (inches || cm) {
        const char* w = inches ? "width-in" : "width-cm";
        const char* h = inches ? "height-in" : "height-cm";
        if (!args.has(w) || !args.has(h))
            throw CliError(std::string("--") + w + " and --" + h + " are given together");
        size = vx::pictureSize(view, inches, args.number(w), args.number(h));
    } else {
        size = vx::pictureSize(view, s);
    }
    if (!size.problem.empty())
        throw CliError(size.problem);
    return size;
}

QtMessageHandler g_qtMessages = nullptr;

// The offscreen platform's notice that no runtime folder is set says
// nothing about the picture.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (g_qtMessages)
        g_qtMessages(type, context, message);
}

// Starts Qt's painting without a display: fonts and images need a
// QGuiApplication, which the offscreen platform gives anywhere.
QGuiApplication& painting()
{
    static int argc = 1;
    static char name[] = "voxtrace-cli";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_qtMessages = qInstallMessageHandler(filterQtMessages);
    static QGuiApplication app(argc, argv);
    vx::installTextMeasurer();
    return app;
}

void writeOrThrow(const std::string& out, const vx::PictureSize& size, const vx::PicturePainter& paint)
{
    const QString error = vx::writePicture(out, size, paint);
    if (!error.isEmpty())
        throw CliError(out + ": " + error.toStdString());
}

void mainPicture(Analysed& a, const Range& r, const vx::PictureSize& size, const std::string& out)
{
    vx::Document& d = *a.loaded.doc;
    vx::Channels& c = d.getChannel(0);
    c.m_dPageMin = r.startPoint;
    c.m_dPageMax = r.stopPoint;
    vx::MainViewModel model(d);
    model.SetupDisplay(static_cast<int>(size.width / kPen), static_cast<int>(size.height / kPen));
    auto pitch = vx::computePitchTrack(c.m_hData.data(), c.m_dwFileLength, vx::pitchParams(d.s, c.m_dSampleRate),
                                       r.startPoint, r.stopPoint, r.startTime, r.stopTime);
    if (pitch)
        model.setPitch(std::move(*pitch));
    model.setIntensity(vx::computeIntensity(c.m_hData.data(), c.m_dwFileLength,
                                            vx::intensityParams(c, c.m_dSampleRate, c.m_dReference)));
    model.m_dPitchSelectionStartPoint = model.m_dIntensitySelectionStartPoint = r.startPoint;
    model.m_dPitchSelectionStopPoint = model.m_dIntensitySelectionStopPoint = r.stopPoint;
    model.m_dPitchSelectionStartTime = model.m_dIntensitySelectionStartTime = r.startTime;
    model.m_dPitchSelectionStopTime = model.m_dIntensitySelectionStopTime = r.stopTime;
    const vx::SampleSummary summary(c.m_hData.data(), c.m_hData.size());
    writeOrThrow(out, size, [&](QPainter& p, const QRect& target) {
        vx::paintMainView(p, model, &summary, target, kPen);
    });
}

void spectrogramPicture(Analysed& a, const Range& r, const vx::PictureSize& size, const std::string& out)
{
    const vx::Settings& s = a.loaded.doc->s;
    const vx::Channels& c = *a.channel;
    const vx::SpectrogramStretch stretch{r.startPoint, r.stopPoint, r.startTime, r.stopTime};
    const vx::SpectrogramLayout layout =
        vx::spectrogramPictureLayout(c, s, QSize(size.width, size.height), kPen);
    vx::SpectrogramResult result;
    result.data = vx::computeSpectrogram(c.m_hData.data(), c.m_dwFileLength, r.startPoint, r.stopPoint,
                                         layout.columns, layout.rows, vx::spectrogramParams(s, c.m_dSampleRate));
    result.wave = std::make_shared<vx::SampleSummary>(c.m_hData.data(), c.m_hData.size());
    writeOrThrow(out, size, [&](QPainter& p, const QRect& target) {
        vx::paintSpectrogram(p, c, layout, s, stretch, result, target);
    });
}

void spectrumPicture(Analysed& a, const Args& args, const vx::PictureSize& size, const std::string& out)
{
    const vx::Settings& s = a.loaded.doc->s;
    const vx::Channels& c = *a.channel;
    const vx::SliceParams p = vx::sliceParams(s, c.m_dSampleRate);
    if (const std::string why = vx::sliceParamsProblem(p); !why.empty())
        throw CliError(why);
    double start, stop;
    if (args.has("at-ms")) {
        start = stop = timeWithin(args, "at-ms", c) * c.m_dwFileLength / c.m_dLengthMS;
    } else {
        const Range r = rangeOf(args, c);
        start = r.startPoint;
        stop = r.stopPoint;
    }
    vx::SliceDisplay display;
    display.setSettings(s);
    display.setResult(vx::computeSpectrumSlice(c.m_hData.data(), c.m_dwFileLength, start, stop, p));
    writeOrThrow(out, size, [&](QPainter& painter, const QRect& target) {
        vx::paintSlice(painter, display, target, 1);
    });
}

} // namespace

int runPicture(const Args& args)
{
    if (args.positional().size() != 2)
        throw CliError("a sound file and a picture file are needed (see voxtrace-cli picture --help)");
    const std::string out = args.positional()[1];
    if (!vx::pictureFormat(out))
        throw CliError(out + ": a picture is written as .tif, .png, .pdf or .svg");
    const vx::PictureView view = viewOf(args);
    if (args.has("at-ms") && view != vx::PictureView::spectrum)
        throw CliError("--at-ms is for --view spectrum; the other views take --from-ms/--to-ms");
    if (view == vx::PictureView::spectrum && args.has("at-ms") == (args.has("from-ms") || args.has("to-ms")))
        throw CliError("--view spectrum needs either --at-ms or --from-ms/--to-ms, not both");
    Analysed a = loadForAnalysis(args);
    const vx::PictureSize size = sizeOf(args, view, a.loaded.doc->s);
    if (args.has("labels")) {
        const std::string grid = args.text("labels");
        std::string error, note;
        if (!vx::importTextGridFile(a.loaded.doc->getChannel(0), grid, &error, &note))
            throw CliError(grid + ": " + error);
        if (!note.empty())
            std::fprintf(stderr, "voxtrace-cli: %s: %s\n", grid.c_str(), note.c_str());
    }
    const Range r = rangeOf(args, *a.channel);
    painting();
    switch (view) {
    case vx::PictureView::main: mainPicture(a, r, size, out); break;
    case vx::PictureView::spectrogram: spectrogramPicture(a, r, size, out); break;
    case vx::PictureView::spectrum: spectrumPicture(a, args, size, out); break;
    }
    return 0;
}

} // namespace vxcli
