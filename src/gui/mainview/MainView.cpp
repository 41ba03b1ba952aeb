#include "gui/mainview/MainView.h"

#include "app/AppState.h"
#include "gui/app/SoundController.h"
#include "document/RecordedFile.h"
#include "gui/graph/GraphPrimitives.h"
#include "platform/Paths.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cmath>

namespace vx {

MainView::MainView(MainViewModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    m_progressTimer.setInterval(500);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        if (!busy())
            m_progressTimer.stop();
        update();
    });
    dataChanged();
}

MainView::~MainView()
{
    if (m_sound)
        m_sound->release(this);
    m_runner.cancelAndJoin();
}

void MainView::dataChanged()
{
    const Channels& c = m_model.doc().getChannel(0);
    m_summary = c.m_hData.size() ? std::make_unique<SampleSummary>(c.m_hData.data(), c.m_hData.size()) : nullptr;
    m_model.m_bRedraw = true;
    update();
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_model.SetupDisplay(width(), height());
    m_model.m_bRedraw = true;
}

void MainView::renderPicture(QPainter& p, const MainViewModel& m, const ViewGeometry& g, const SampleSummary* summary,
                             const SampleSummary* intensitySummary)
{
    const Document& d = m.doc();
    const MainLayout& l = g.layout;
    p.fillRect(QRect(0, 0, l.client.right, l.client.bottom), Qt::white);
    if (!d.m_bHaveData || !m.m_bViewIntilized)
        return;
    const Settings& s = d.s;
    const Channels& c = d.getChannel(0);
    if (s.m_bDrawTimeGrid) {
        const double k = s.m_bMsec ? 1.0 : 1000.0;
        TimeGrids(p, l.pitch, 0, true, m.m_dTimePageMin / k, m.m_dTimePageMax / k, s.m_nTimeGridSpacing, false);
    }
    if (s.m_bPitchDrawFreqGrid)
        DrawAnyGrid(p, l.pitch, s.m_nPitchDisplayLow, s.m_nPitchDisplayHigh, s.m_nPitchFreqGrid, 1, false);

    // Tiers and their labels.
    for (int i = 0; i < Channels::kNumTiers; ++i) {
        const TIERS& t = c.m_Tiers[static_cast<std::size_t>(i)];
        if (!t.bSelected)
            continue;
        const Rect& band = g.tiers[static_cast<std::size_t>(i)];
        p.setPen(Qt::black);
        p.drawRect(QRect(band.left, band.top, band.width() - 1, band.height() - 1));
        p.drawText(QPointF(2, band.top + p.fontMetrics().ascent()), QString::fromStdString(t.strName));
        for (const LabelPtr& label : t.m_pArrayLabels) {
            const std::optional<Rect> placed = placeLabel(*label, g.dataArea, band, m.m_dTimePageMin, m.m_dTimePageMax);
            if (!placed)
                continue;
            const Rect& r = *placed;
            QFont font(QString::fromStdString(label->mFont.family), std::max(1, truncInt(label->mFont.pointSize)));
            font.setBold(label->mFont.weight > 8);
            font.setItalic(label->mFont.italic);
            p.setFont(font);
            p.setPen(deviceColor(label->mFontColor));
            const double shift = g.drag.label == label.get() ? g.drag.dx : 0;
            const QPointF at(r.left + shift, r.top);
            p.drawText(at + QPointF(0, QFontMetrics(font).ascent()), QString::fromStdString(label->getLabelText()));
            p.setFont(QFont());
            if (label->bAddLine) {
                const double x = label->nJustification == 1 ? (r.left + r.right) / 2.0
                               : label->nJustification == 2 ? r.right
                                                            : r.left;
                p.setPen(Qt::black);
                p.drawLine(QPointF(x, band.top), QPointF(x, l.frameHeight));
            }
        }
    }
    p.setPen(Qt::black);
    p.drawRect(QRect(l.audio.left, l.audio.top, l.audio.width() - 1, l.audio.height() - 1));
    DrawGraphFloat_1(p, summary, c.m_dPageMin, c.m_dPageMax, l.audio.height() * 0.5, 0.5, l.audio, RGBColor{},
                     c.m_dReference, c.m_bDrawReference, RGBColor{65535, 65535, 65535});
    if (m.intensity() && c.m_bDrawIntensity && m.intensity()->maximum != 0)
        DrawIntensityFloat(p, &m.intensity()->level, intensitySummary, m.m_dIntensitySelectionStartPoint,
                           m.m_dIntensitySelectionStopPoint, c.m_dPageMin, c.m_dPageMax,
                           l.intensity.height() / m.intensity()->maximum, l.intensity, RGBColor{0, 0, 255});
    if (m.pitch()) {
        const double span = m.m_dPitchSelectionStopPoint - m.m_dPitchSelectionStartPoint;
        if (span > 0) {
            const double k = m.pitch()->frameCount / span;
            DrawPitchTrackVoxtrace(p, &m.pitch()->track, m.pitch()->frameCount,
                                   (c.m_dPageMin - m.m_dPitchSelectionStartPoint) * k,
                                   (c.m_dPageMax - m.m_dPitchSelectionStartPoint) * k, l.pitch.left, l.pitch.bottom,
                                   l.displayVerticalRange, l.displayRange, s.m_nPitchDisplayHigh,
                                   s.m_nPitchDisplayLow, 1);
        }
    }
}

void MainView::renderIfNeeded()
{
    if (!m_model.m_bViewIntilized)
        m_model.SetupDisplay(width(), height());
    if (!m_model.m_bRedraw && !m_image.isNull())
        return;
    const qreal dpr = devicePixelRatioF();
    QImage image(QSize(std::max(1, width()), std::max(1, height())) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter p(&image);
    const IntensityContour* contour = m_model.intensity() ? &*m_model.intensity() : nullptr;
    if (contour != m_summarisedContour) {
        m_intensitySummary = contour ? std::make_unique<SampleSummary>(contour->level.data(), contour->level.size())
                                     : nullptr;
        m_summarisedContour = contour;
    }
    renderPicture(p, m_model, m_summary.get(), m_intensitySummary.get());
    p.end();
    m_image = std::move(image);
    m_model.m_bRedraw = false;
    ++m_renders;
}

void MainView::paintOverlays(QPainter& p)
{
    const MainLayout& l = m_model.layout();
    const Channels& c = m_model.doc().getChannel(0);
    const Rect sel = c.GetSelectionRect(m_model.geometry().dataArea);
    if (m_model.m_bHaveMarker) {
        QColor marker;
        marker.setRgbF(0.2f, 0.4f, 0.6f, 0.5f);
        p.fillRect(QRectF(sel.left, 0, 2, l.frameHeight), marker);
    }
    if (m_model.m_bHaveSelection && !m_model.m_bLabelClicked) {
        QColor tint;
        tint.setRgbF(0, 0, 0.3f, 0.1f);
        p.fillRect(QRectF(sel.left, 0, sel.right - sel.left, height()), tint);
    }
    if (!m_bPlaying) {
        p.fillRect(QRectF(m_model._rectCursor.x, 0, m_model._rectCursor.width, l.frameHeight), Qt::red);
        return;
    }
    m_animateX = playCursorX(m_model.channel0(), m_model.geometry().dataArea, m_playFirst, m_dAnimatenanoSeconds);
    if (m_animateX < width())
        p.fillRect(QRectF(m_animateX, 0, 1, l.frameHeight), Qt::red);
}

void MainView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_bRecording) {
        paintRecording(p);
        return;
    }
    if (!m_model.doc().m_bHaveData) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    // While a worker fills the analysis, the picture is not rendered again.
    if (!busy())
        renderIfNeeded();
    if (busy()) {
        if (!m_image.isNull())
            p.drawImage(QPointF(0, 0), m_image);
        QFont font("Arial");
        font.setPixelSize(24);
        p.setFont(font);
        p.setPen(Qt::blue);
        p.drawText(QPointF(width() / 3.0, 100), QString::asprintf(" Progress = %d %%", m_runner.progress()));
        p.drawText(QPointF(width() / 3.0, 150), " Press mouse to cancel...");
        return;
    }
    compose(p);
}

void MainView::compose(QPainter& p)
{
    if (!m_image.isNull())
        p.drawImage(QPointF(0, 0), m_image);
    else
        p.fillRect(rect(), Qt::white);
    paintOverlays(p);
}

void MainView::mousePressEvent(QMouseEvent* event)
{
    if (busy()) {
        m_runner.cancel();
        return;
    }
    if (m_bRecording) {
        stopRecordingByClick();
        return;
    }
    if (m_sound && m_sound->isPlaying())
        m_sound->stopPlay();
    m_buttonDown = event->button() == Qt::LeftButton;
    if (!m_buttonDown)
        return;
    m_model.DoOnLButtonDown({event->position().x(), event->position().y()}, 0, true);
    emit readoutsChanged();
    update();
}

void MainView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bRecording || m_bPlaying)
        return;
    const PointD pt{event->position().x(), event->position().y()};
    if (m_buttonDown && (event->buttons() & Qt::LeftButton))
        m_model.TrackMouseDragged(pt, 0, true);
    else
        m_model.TrackMouseMove(pt, 0, true);
    emit readoutsChanged();
    update();
}

void MainView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_buttonDown || event->button() != Qt::LeftButton)
        return;
    m_buttonDown = false;
    m_model.DoOnLButtonUp({event->position().x(), event->position().y()}, 0, true);
    emit readoutsChanged();
    update();
}

void MainView::wheelEvent(QWheelEvent* event)
{
    const Channels& c = m_model.doc().getChannel(0);
    const double N = c.m_dwFileLength;
    const double q = m_model._dKnobProportion;
    if (N <= 0 || q >= 1.0)
        return;
    // One notch moves a tenth of the page.
    const double notches = event->angleDelta().y() / 120.0;
    const double room = N - q * N;
    const double v = std::clamp(m_model._dKnobPosition - notches * 0.1 * q * N / room, 0.0, 1.0);
    m_model.AdjustScrollControl(v, q);
    m_model.m_bRedraw = true;
    emit pageChanged();
    update();
}

void MainView::startAnalysis()
{
    const Document& d = m_model.doc();
    const Channels& c = d.getChannel(0);
    AnalysisRequest r;
    r.samples = c.m_hData.data();
    r.dataLength = std::min<double>(c.m_dwFileLength, static_cast<double>(c.m_hData.size()));
    r.pitch = d.s.m_bCepstral;
    r.pitchParams = {c.m_dSampleRate, d.s.m_dPitchWindowLength, d.s.m_dPitchStepSize, d.s.m_dPitchCalculationLow,
                     d.s.m_dPitchCalculationHigh, d.s.m_dFreqDeviation, d.s.m_dTrackingThreshHold};
    r.startPoint = m_model.m_dPitchSelectionStartPoint;
    r.stopPoint = m_model.m_dPitchSelectionStopPoint;
    r.startTime = m_model.m_dPitchSelectionStartTime;
    r.stopTime = m_model.m_dPitchSelectionStopTime;
    r.intensity = c.m_bDrawIntensity;
    r.intensityParams = {c.m_dSampleRate, c.m_dIntensityWindowLengthMS, c.m_dIntensityStepSizeMS, c.m_dReference,
                         c.m_bIntensityRelative};
    const int generation = ++m_generation;
    m_waiting = true;
    m_runner.start(r, this, [this, generation](AnalysisResult result) {
        if (generation != m_generation)
            return;
        m_waiting = false;
        m_model.setPitch(result.cancelled ? std::nullopt : std::move(result.pitch));
        if (result.intensity)
            m_model.setIntensity(std::move(result.intensity));
        m_model.m_bRedraw = true;
        update();
        emit analysisFinished();
    });
    m_progressTimer.start();
    update();
}

void MainView::doAnalysisFunctions()
{
    if (m_bRecording || !m_model.doc().m_bHaveData || m_model.doc().getChannel(0).m_hData.size() == 0)
        return;
    startAnalysis();
}

void MainView::analysisPitchWhole()
{
    m_model.setWholeFileStretches();
    doAnalysisFunctions();
}

void MainView::analyseStretch(double startPoint, double stopPoint, double startTime, double stopTime)
{
    m_model.m_dPitchSelectionStartPoint = m_model.m_dIntensitySelectionStartPoint = startPoint;
    m_model.m_dPitchSelectionStopPoint = m_model.m_dIntensitySelectionStopPoint = stopPoint;
    m_model.m_dPitchSelectionStartTime = m_model.m_dIntensitySelectionStartTime = startTime;
    m_model.m_dPitchSelectionStopTime = m_model.m_dIntensitySelectionStopTime = stopTime;
    doAnalysisFunctions();
}

void MainView::analysisPitchSelection()
{
    const Channels& c = m_model.doc().getChannel(0);
    analyseStretch(c.m_dDurationStartFile, c.m_dDurationStopFile, c.m_dDurationStartTime, c.m_dDurationStopTime);
}

void MainView::analysisPitchWindow()
{
    const Channels& c = m_model.doc().getChannel(0);
    analyseStretch(c.m_dPageMin, c.m_dPageMax, c.m_dPageTimeMin, c.m_dPageTimeMax);
}

void MainView::setSound(SoundController* sound)
{
    m_sound = sound;
    connect(sound, &SoundController::playbackTick, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_dAnimatenanoSeconds = m_sound->playedNanoseconds();
        update();
    });
    connect(sound, &SoundController::playbackStopped, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_bPlaying = false;
        update();
        emit soundStateChanged();
    });
    connect(sound, &SoundController::recordingTick, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_dSeconds = m_sound->recordedSeconds();
        update();
    });
}

QString MainView::play(PlayCode code)
{
    m_dAnimatenanoSeconds = 0;
    m_animateX = 0;
    if (!m_sound || m_bRecording)
        return {};
    if (m_sound->isPlaying()) {
        m_sound->stopPlay();
        return {};
    }
    const Channels& c = m_model.doc().getChannel(0);
    if (!m_model.doc().m_bHaveData || c.m_hData.size() == 0)
        return {};
    const PlayStretch stretch = playStretch(c, code);
    // An empty stretch is over before it starts.
    if (stretch.count < 1)
        return {};
    const QString error = m_sound->startPlay(this, c.m_hData.data(), stretch.count, stretch.first, c.m_dSampleRate);
    if (!error.isEmpty())
        return error;
    m_playFirst = stretch.first;
    m_bPlaying = true;
    update();
    emit soundStateChanged();
    return {};
}

std::string MainView::recordingPath()
{
    const std::string folder = processTempFolder();
    return folder.empty() ? std::string() : folder + "$$$recTemp001.wav";
}

void MainView::stopAnalysis()
{
    if (!busy())
        return;
    m_runner.cancelAndJoin();
    ++m_generation;
    m_waiting = false;
    update();
}

QString MainView::startRecording()
{
    if (!m_sound || m_bRecording)
        return {};
    if (m_sound->isPlaying())
        m_sound->stopPlay();
    stopAnalysis();
    m_levelX = 0;
    m_levelBar = {};
    try {
        m_sound->startRecording(this, recordingPath(), app().g_nRecordSampleRate);
    } catch (const RecorderError& e) {
        return QString::fromUtf8(e.what());
    }
    // The document's labels and selection go only now that a recording is
    // really under way.
    Document& d = m_model.doc();
    for (int k = 0; k < Document::kNumChannels; ++k)
        d.getChannel(k).RemoveAllLabels();
    m_model.m_bLabelMode = false;
    m_model.m_bHaveSelection = m_model.m_bHaveMarker = false;
    d.m_bHaveSelection = d.m_bHaveMarker = false;
    m_model.CalibrateScroll(5);
    m_model.m_bRedraw = true;
    m_dSeconds = 0;
    m_bRecording = true;
    update();
    emit soundStateChanged();
    return {};
}

void MainView::paintRecording(QPainter& p)
{
    p.fillRect(rect(), Qt::white);
    QFont font("Arial");
    font.setPixelSize(18);
    p.setFont(font);
    p.setPen(Qt::blue);
    p.drawText(QPointF(10, 30), QString::asprintf("(press mouse here to stop) recorded time = %.1f", m_dSeconds));
    const BlockLevels levels = m_sound ? m_sound->latestLevels() : BlockLevels{};
    m_levelBar = nextLevelBar(m_levelX, levels.valid, levels.min, levels.max, width(), height());
    m_levelX = m_levelBar.x;
    p.fillRect(QRectF(m_levelBar.x, m_levelBar.y, m_levelBar.width, m_levelBar.height),
               m_levelBar.red ? QColor(255, 0, 0) : QColor(0, 0, 255));
}

void MainView::stopRecordingByClick()
{
    m_bRecording = false;
    QString writeError;
    try {
        m_sound->stopRecording();
    } catch (const RecorderError& e) {
        writeError = QString::fromUtf8(e.what());
    }
    emit soundStateChanged();
    // The recording is loaded once the click has been handled.
    QTimer::singleShot(100, this, [this, writeError] { loadRecording(writeError); });
}

void MainView::loadRecording(const QString& writeError)
{
    // Nothing may still be reading the samples that the recording replaces.
    if (m_sound && m_sound->playOwner() == this)
        m_sound->stopPlay();
    stopAnalysis();
    Document& d = m_model.doc();
    std::string reason;
    if (Read_RecordedFile(d, recordingPath(), &reason) != 0 || !d.m_bHaveData) {
        m_model.m_bRedraw = true;
        update();
        emit soundError(tr("Error in recording"), tr("Temp file could not be read."),
                        writeError.isEmpty() ? QString::fromStdString(reason) : writeError);
        return;
    }
    m_model.setPitch(std::nullopt);
    m_model.setIntensity(std::nullopt);
    m_model.m_bViewIntilized = false;
    m_model.SetupDisplay(width(), height());
    m_model.AdjustScrollControl(0, 1.0);
    m_model.setWholeFileStretches();
    dataChanged();
    emit recordingLoaded();
    if (!writeError.isEmpty())
        emit soundError(tr("Error in recording"), tr("The recording is incomplete."), writeError);
    if (d.s.m_bAutoPitchIntensity)
        doAnalysisFunctions();
}

} // namespace vx
