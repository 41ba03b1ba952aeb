#include "gui/spectrogram/SpectrogramWindow.h"

#include "gui/app/DocumentController.h"
#include "gui/log/LogViewController.h"
#include "draw/SpectrogramPicture.h"
#include "gui/spectrum/SpectrumWindow.h"

#include <QApplication>
#include <QGridLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace vx {

namespace {

// How long the size must stay still before the picture is computed again.
constexpr int kResizeSettleMs = 250;

const char* const kSettingNames[] = {"Sample rate", "Window length", "Dynamic range",
                                     "LPC coefficients", "Bandwidth", "Pre-emphasis"};
const char* const kMouseNames[] = {"Frequency", "Duration", "Cursor"};

std::optional<SpectrogramLogEntry> spectrogramLogKind(Command id)
{
    switch (id) {
    case Command::LogMarker: return SpectrogramLogEntry::Marker;
    case Command::LogDuration: return SpectrogramLogEntry::Duration;
    case Command::LogFormantsMarker: return SpectrogramLogEntry::FormantsMarker;
    case Command::LogFormantsSelection: return SpectrogramLogEntry::FormantsSelection;
    default: return std::nullopt;
    }
}

} // namespace

SpectrogramView::SpectrogramView(SpectrogramWindow& window, QWidget* parent) : QWidget(parent), m_window(window)
{
    setMouseTracking(true);
    setMinimumSize(kSpectrogramLeftMargin + 150, kSpectrogramTimeBand + 120);
}

void SpectrogramView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    m_window.paint(p, size());
}

void SpectrogramView::resizeEvent(QResizeEvent*)
{
    m_window.viewResized();
}

void SpectrogramView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_window.mousePressed(event->position()))
        update();
}

void SpectrogramView::mouseMoveEvent(QMouseEvent* event)
{
    const bool changed = event->buttons() & Qt::LeftButton ? m_window.mouseDragged(event->position())
                                                           : m_window.mouseMoved(event->position());
    if (changed)
        update();
}

void SpectrogramView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_window.mouseReleased();
        update();
    }
}

SpectrogramWindow::SpectrogramWindow(DocumentSession& owner, SpectrogramKind kind, int channel,
                                     const SpectrogramStretch& stretch)
    : DocumentWindow(owner, "Spectrogram:: "), m_kind(kind), m_channel(channel),
      m_stretch(stretch)
{
    m_source = sliceSource(session().doc().getChannel(m_channel));
    m_settings = session().doc().s;
    // Three to a row, so that a narrow window still shows them whole.
    std::vector<const char*> names(std::begin(kSettingNames), std::end(kSettingNames));
    names.insert(names.end(), std::begin(kMouseNames), std::end(kMouseNames));
    addReadouts(names, 3, 50);
    m_view = new SpectrogramView(*this, this);
    addView(m_view);
    resize(1000, 520);

    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(kResizeSettleMs);
    connect(&m_resizeTimer, &QTimer::timeout, this, [this] {
        // A picture under way is finished before the window analyses anew.
        if (m_picturing)
            m_resizeTimer.start();
        else
            start();
    });

    SoundController& sound = session().app().sound();
    connect(&sound, &SoundController::playbackTick, this, [this, &sound](QObject* owner) {
        if (owner != this)
            return;
        m_playedNs = sound.playedNanoseconds();
        m_view->update();
    });
    connect(&sound, &SoundController::playbackStopped, this, [this](QObject* owner) {
        if (owner != this)
            return;
        m_playing = false;
        m_view->update();
        menus().update();
    });
    connect(&session(), &DocumentSession::samplesChanged, this, &SpectrogramWindow::followSamples);
    connect(&session(), &DocumentSession::settingsChanged, this, &SpectrogramWindow::followSettings);
    connect(&session(), &DocumentSession::labelsChanged, this, [this] {
        // Tiers shown or resized move the spectrogram: analyse again.
        const SpectrogramLayout l = layoutSpectrogram(session().doc().getChannel(m_channel), m_settings,
                                                      m_view->width(), m_view->height(), m_view->devicePixelRatioF());
        if (!(l.spectrogram == m_layout.spectrogram) || !(l.tiers == m_layout.tiers))
            start();
        else if (m_result && !m_waiting)
            render();
    });
    updateTitle();
    showReadouts();
    menus().update();
}

SpectrogramWindow::~SpectrogramWindow()
{
    m_worker.stop();
    session().app().sound().release(this);
}

void SpectrogramWindow::showReadouts()
{
    const SpectrogramReadouts r = spectrogramReadouts(session().doc().s);
    const std::string values[] = {r.sampleRate, r.windowLength, r.dynamicRange,
                                  r.lpcCoefficients, r.bandwidths, r.preemphasis};
    for (int k = 0; k < 6; ++k)
        setReadout(kSettingNames[k], QString::fromStdString(values[k]));
    setReadout("Frequency", QString::fromStdString(m_cursor.frequencyReadout()));
    setReadout("Duration", QString::fromStdString(m_cursor.durationReadout()));
    setReadout("Cursor", QString::fromStdString(m_cursor.cursorReadout()));
}

int SpectrogramWindow::progress() const
{
    return m_worker.progress();
}

bool SpectrogramWindow::haveSpectrogram() const
{
    return session().doc().m_bHaveData && m_result && !m_result->cancelled && !m_waiting;
}

void SpectrogramWindow::stopReading()
{
    // A result already on its way was computed from the old samples: it is
    // dropped too.
    m_worker.stop();
    m_waiting = false;
    m_picturing.reset();
    stopProgress();
    if (m_result)
        m_result->wave.reset();
    if (session().app().sound().playOwner() == this)
        session().app().sound().stopPlay();
}

void SpectrogramWindow::start()
{
    stopReading();
    m_failure.clear();
    m_resizeTimer.stop();
    const qreal scale = m_view->devicePixelRatioF();
    m_analysedSize = m_view->size();
    m_analysedScale = scale;
    const Channels& c = session().doc().getChannel(m_channel);
    m_layout = layoutSpectrogram(c, m_settings, m_view->width(), m_view->height(), scale);
    m_cursor.setMapping(SpectrogramMapping(m_layout, m_stretch, m_settings.m_nSpecfrequencyRange));
    m_result.reset();
    if (!session().doc().m_bHaveData || m_layout.empty()) {
        m_picture = renderSpectrogramPicture(c, m_layout, m_settings, m_stretch, SpectrogramResult{});
        m_view->update();
        menus().update();
        return;
    }
    ++m_started;
    m_waiting = true;
    const SpectrogramParams params = spectrogramParams(m_settings, m_source.rate);
    std::shared_ptr<const SampleSummary> wave = session().waveSummary(m_channel);
    if (wave && (wave->samples() != m_source.samples || wave->size() < m_source.length))
        wave.reset();
    const bool summarise = m_settings.m_bSpecDrawAudio && !wave && m_source.samples;
    const auto compute = [params, summarise, wave, source = m_source, st = m_stretch, columns = m_layout.columns,
                          rows = m_layout.rows](AnalysisControl& control) {
        auto result = std::make_shared<SpectrogramResult>();
        result->wave = wave;
        // A long recording's waveform scan runs beside the columns; it stops
        // when the computation is cancelled, and what it throws is thrown
        // here once it has been joined.
        std::thread summary;
        std::exception_ptr summaryFailure;
        if (summarise)
            summary = std::thread([&] {
                try {
                    auto scanned = std::make_shared<SampleSummary>(
                        source.samples, static_cast<std::size_t>(source.length), &control.cancel);
                    if (scanned->complete())
                        result->wave = std::move(scanned);
                } catch (...) {
                    summaryFailure = std::current_exception();
                }
            });
        struct Joiner {
            std::thread& t;
            ~Joiner()
            {
                if (t.joinable())
                    t.join();
            }
        } joiner{summary};
        try {
            result->data = computeSpectrogram(source.samples, source.length, st.startPoint, st.endPoint, columns,
                                              rows, params, &control);
        } catch (...) {
            control.cancel = true;
            throw;
        }
        if (summary.joinable())
            summary.join();
        if (summaryFailure)
            std::rethrow_exception(summaryFailure);
        result->cancelled = control.cancel;
        return result;
    };
    m_worker.start(
        this, compute, [this](std::shared_ptr<SpectrogramResult> result) { install(std::move(result)); },
        [this](const std::string& why) {
            m_waiting = false;
            stopProgress();
            m_result.reset();
            m_failure = analysisFailedText(why);
            m_view->update();
            menus().update();
        });
    startProgress();
    m_view->update();
    menus().update();
}

void SpectrogramWindow::install(std::shared_ptr<SpectrogramResult> result)
{
    m_waiting = false;
    stopProgress();
    m_result = std::move(result);
    if (m_result->wave)
        session().keepWaveSummary(m_channel, m_result->wave);
    render();
    menus().update();
}

void SpectrogramWindow::render()
{
    static const SpectrogramResult none;
    m_picture = renderSpectrogramPicture(session().doc().getChannel(m_channel), m_layout, m_settings, m_stretch,
                                         m_result ? *m_result : none);
    m_view->update();
}

void SpectrogramWindow::viewResized()
{
    if (m_view->size() == m_analysedSize && m_view->devicePixelRatioF() == m_analysedScale)
        return;
    if (m_started == 0 && !m_waiting) {
        start();
        return;
    }
    // The previous picture is shown scaled until the size settles.
    m_resizeTimer.start();
}

// The gate has stopped the worker and playback. The channel either still
// holds the stretch, which is analysed again, or not, and the window goes.
void SpectrogramWindow::followSamples()
{
    const Document& d = session().doc();
    const int channel = sliceChannel(d);
    if (channel < 0) {
        close();
        return;
    }
    const Channels& c = d.getChannel(channel);
    const SliceSource source = sliceSource(c);
    if (m_kind == SpectrogramKind::WholeFile) {
        const auto whole = spectrogramStretch(c, SpectrogramKind::WholeFile, nullptr);
        if (!whole) {
            close();
            return;
        }
        m_stretch = *whole;
    } else if (!source.samples || m_stretch.endPoint > source.length) {
        close();
        return;
    }
    m_channel = channel;
    m_source = source;
    m_cursor.clear();
    showReadouts();
    start();
}

void SpectrogramWindow::followSettings(OptionGroup group)
{
    if (group != OptionGroup::Spectrogram)
        return;
    m_settings = session().doc().s;
    showReadouts();
    start();
}

double SpectrogramWindow::markerSample() const
{
    return m_cursor.marker() ? m_cursor.mapping().sampleAt(m_cursor.marker()->time, m_source.length) : 0;
}

bool SpectrogramWindow::mousePressed(QPointF at)
{
    if (m_picturing) {
        // The picture is dropped with its computation: nothing is written
        // or printed.
        m_worker.stop();
        m_picturing.reset();
        stopProgress();
        menus().update();
        return true;
    }
    if (m_waiting) {
        m_worker.cancel();
        return false;
    }
    if (cancelled()) {
        start();
        return false;
    }
    if (!haveSpectrogram())
        return false;
    SoundController& sound = session().app().sound();
    if (sound.isPlaying()) {
        sound.stopPlay();
        return false;
    }
    if (!m_cursor.press(at.x(), at.y()))
        return false;
    showReadouts();
    menus().update();
    return true;
}

bool SpectrogramWindow::mouseDragged(QPointF at)
{
    if (!haveSpectrogram() || !m_cursor.drag(at.x(), at.y()))
        return false;
    showReadouts();
    return true;
}

void SpectrogramWindow::mouseReleased()
{
    m_cursor.release();
    menus().update();
}

bool SpectrogramWindow::mouseMoved(QPointF at)
{
    if (!haveSpectrogram() || !m_cursor.move(at.x(), at.y()))
        return false;
    showReadouts();
    return true;
}

void SpectrogramWindow::paint(QPainter& p, QSize viewSize)
{
    p.fillRect(QRect(QPoint(0, 0), viewSize), Qt::white);
    if (m_waiting || cancelled() || !m_failure.isEmpty()) {
        QFont f("Arial");
        f.setPixelSize(24);
        p.setFont(f);
        p.setPen(Qt::blue);
        if (!m_failure.isEmpty()) {
            p.drawText(QRect(20, 80, std::max(1, viewSize.width() - 40), std::max(1, viewSize.height() - 80)),
                       Qt::TextWordWrap, m_failure);
            return;
        }
        p.drawText(QRect(0, 0, viewSize.width(), std::max(1, viewSize.height() * 2 / 3)), Qt::AlignCenter,
                   m_waiting ? progressText(progress()) : cancelledText());
        return;
    }
    if (m_picture.isNull())
        return;
    if (m_view->size() != m_analysedSize) {
        p.drawImage(QRect(QPoint(0, 0), viewSize), m_picture);
        return;
    }
    p.drawImage(QPoint(0, 0), m_picture);
    if (m_picturing) {
        QFont f("Arial");
        f.setPixelSize(24);
        p.setFont(f);
        p.setPen(Qt::blue);
        p.drawText(QRect(0, 0, viewSize.width(), std::max(1, viewSize.height() * 2 / 3)), Qt::AlignCenter,
                   QString::asprintf("Picture Progress = %d ", progress()));
        return;
    }
    if (haveSpectrogram())
        paintOverlays(p);
}

void SpectrogramWindow::paintOverlays(QPainter& p)
{
    const Rect& r = m_layout.spectrogram;
    const double h = m_layout.frameHeight();
    if (m_cursor.selection()) {
        const auto [x0, x1] = m_cursor.selectionX();
        QColor c(0, 0, 77);
        c.setAlphaF(0.1f);
        p.fillRect(QRectF(x0, 0, x1 - x0, h), c);
    }
    if (const auto x = m_cursor.cursorX())
        p.fillRect(QRectF(std::trunc(*x), 0, 1, h), Qt::red);
    if (const auto y = m_cursor.cursorY())
        p.fillRect(QRectF(r.left, std::trunc(*y), r.width(), 1), Qt::red);
    if (m_cursor.marker()) {
        QColor c;
        c.setRgbF(0.2f, 0.4f, 0.6f, 0.5f);
        p.fillRect(QRectF(std::trunc(m_cursor.markerX()), 0, 2, h), c);
        p.fillRect(QRectF(r.left, std::trunc(m_cursor.markerY()), r.width(), 2), c);
    }
    if (const auto x = playCursorX())
        p.fillRect(QRectF(std::trunc(*x), 0, 1, h), Qt::red);
}

std::optional<double> SpectrogramWindow::playCursorX() const
{
    if (!m_playing)
        return std::nullopt;
    return m_cursor.mapping().xOfTime(m_playStartTime + m_playedNs * 1e-6);
}

std::optional<bool> SpectrogramWindow::commandEnabled(Command id) const
{
    const bool have = haveSpectrogram();
    if (const auto kind = spectrogramLogKind(id))
        return have && spectrogramLogEntryEnabled(logSource(), *kind, session().app().logVisible());
    switch (id) {
    case Command::Close: return true;
    case Command::SpectrumAtMarker: return have && m_cursor.marker().has_value();
    case Command::SpectrumSelection:
    case Command::PlaySelection: return have && m_cursor.selection().has_value();
    case Command::PlayWindow:
    case Command::PlayToggle: return have;
    case Command::Play: return false;
    case Command::SavePicture:
    case Command::Print: return have && !m_picturing;
    default: return std::nullopt;
    }
}

void SpectrogramWindow::runCommand(Command id)
{
    if (const auto kind = spectrogramLogKind(id)) {
        addLogEntries(*kind);
        return;
    }
    switch (id) {
    case Command::Close: close(); break;
    case Command::SpectrumAtMarker: openSpectrum(false); break;
    case Command::SpectrumSelection: openSpectrum(true); break;
    case Command::PlaySelection: play(PlayCode::Selection); break;
    case Command::PlayWindow: play(PlayCode::Window); break;
    case Command::PlayToggle: play(m_cursor.selection() ? PlayCode::Selection : PlayCode::Window); break;
    case Command::SavePicture: makePicture(false); break;
    case Command::Print: makePicture(true); break;
    default: break;
    }
}

void SpectrogramWindow::makePicture(bool print)
{
    if (!haveSpectrogram() || m_picturing)
        return;
    Dialogs& dialogs = session().app().dialogs();
    const std::optional<PictureSize> size =
        pictureSizeOrSay(dialogs, this, PictureView::spectrogram, session().doc().s);
    if (!size)
        return;
    auto job = std::make_unique<PictureJob>();
    job->size = *size;
    if (print) {
        job->printer = askPrinter(dialogs, this);
        if (!job->printer)
            return;
    } else {
        job->file = askPictureFile(dialogs, this);
        if (job->file.isEmpty())
            return;
    }
    job->layout = spectrogramPictureLayout(session().doc().getChannel(m_channel), m_settings,
                                           QSize(size->width, size->height),
                                           print ? kPrintPenFactor : kPicturePenFactor);
    const auto compute = [params = spectrogramParams(m_settings, m_source.rate), wave = m_result->wave,
                          source = m_source, st = m_stretch, columns = job->layout.columns,
                          rows = job->layout.rows](AnalysisControl& control) {
        auto result = std::make_shared<SpectrogramResult>();
        result->wave = wave;
        result->data = computeSpectrogram(source.samples, source.length, st.startPoint, st.endPoint, columns, rows,
                                          params, &control);
        result->cancelled = control.cancel;
        return result;
    };
    m_picturing = std::move(job);
    m_worker.start(
        this, compute, [this](std::shared_ptr<SpectrogramResult> result) { finishPicture(std::move(result)); },
        [this, print](const std::string& why) {
            m_picturing.reset();
            stopProgress();
            m_view->update();
            menus().update();
            session().app().dialogs().showError(this, print ? tr("Print") : tr("Save as Picture"),
                                                analysisFailedText(why));
        });
    startProgress();
    m_view->update();
    menus().update();
}

void SpectrogramWindow::finishPicture(std::shared_ptr<SpectrogramResult> result)
{
    const std::unique_ptr<PictureJob> job = std::move(m_picturing);
    stopProgress();
    m_view->update();
    menus().update();
    // Cancelled by a click: nothing is written or printed.
    if (!job || result->cancelled)
        return;
    const Channels& c = session().doc().getChannel(m_channel);
    const PicturePainter paint = [&](QPainter& p, const QRect& target) {
        paintSpectrogram(p, c, job->layout, m_settings, m_stretch, *result, target);
    };
    Dialogs& dialogs = session().app().dialogs();
    if (job->printer)
        printPictureAndSay(dialogs, this, *job->printer, job->size, paint);
    else
        writePictureAndSay(dialogs, this, job->file, job->size, paint);
}

SpectrogramLogSource SpectrogramWindow::logSource() const
{
    return {m_cursor, m_stretch, haveSpectrogram() ? &m_result->data : nullptr, session().doc().s.m_dLogStepSize};
}

void SpectrogramWindow::addLogEntries(SpectrogramLogEntry kind)
{
    LogViewController* log = session().app().logView();
    if (!log || !log->isVisible())
        return;
    SpectrogramLogRows r = spectrogramLogEntries(logSource(), kind, session().displayName().toStdString());
    if (!r.error.empty()) {
        session().app().dialogs().showError(this, tr("Log"), tr("The formants could not be logged."),
                                            QString::fromStdString(r.error));
        return;
    }
    log->AddLog(r.rows);
}

void SpectrogramWindow::openSpectrum(bool selection)
{
    const SpectrogramMapping& m = m_cursor.mapping();
    double first = 0, last = 0;
    if (selection && m_cursor.selection()) {
        first = m.sampleAt(m_cursor.selection()->start, m_source.length);
        last = m.sampleAt(m_cursor.selection()->stop, m_source.length);
    } else if (!selection && m_cursor.marker()) {
        first = last = markerSample();
    } else {
        return;
    }
    SpectrumWindow* w = openSpectrumSlice(session(), m_source, first, last, selection);
    w->setTitleOwner(this, selection ? "FFT Selection::" : "FFT::");
    w->raise();
    w->activateWindow();
}

void SpectrogramWindow::play(PlayCode code)
{
    m_playedNs = 0;
    SoundController& sound = session().app().sound();
    if (sound.isPlaying()) {
        sound.stopPlay();
        return;
    }
    if (!haveSpectrogram() || !m_source.samples)
        return;
    double first = m_stretch.startPoint, count = m_stretch.endPoint - m_stretch.startPoint;
    m_playStartTime = m_stretch.startTime;
    if (code == PlayCode::Selection) {
        if (!m_cursor.selection())
            return;
        const SpectrogramMapping& m = m_cursor.mapping();
        first = m.sampleAt(m_cursor.selection()->start, m_source.length);
        count = m.sampleAt(m_cursor.selection()->stop, m_source.length) - first;
        m_playStartTime = m_cursor.selection()->start;
    }
    count = std::min(count, m_source.length - first);
    if (count < 1)
        return;
    const QString error = sound.startPlay(this, m_source.samples, count, first, m_source.rate);
    if (!error.isEmpty()) {
        session().app().dialogs().showError(this, tr("Playback could not start."), error, QString());
        return;
    }
    m_playing = true;
    m_view->update();
}

SpectrogramWindow* openSpectrogram(DocumentSession& session, SpectrogramKind kind)
{
    const Document& d = session.doc();
    const int channel = sliceChannel(d);
    if (channel < 0)
        return nullptr;
    std::string why;
    const auto stretch = spectrogramStretch(d.getChannel(channel), kind, &why);
    if (!stretch) {
        AlertSpec alert;
        alert.title = "No spectrogram";
        alert.message = why;
        alert.buttons = {"OK"};
        session.app().dialogs().alert(alert);
        return nullptr;
    }
    auto* w = new SpectrogramWindow(session, kind, channel, *stretch);
    w->show();
    w->raise();
    return w;
}

} // namespace vx
