#include "gui/spectrum/SpectrumWindow.h"

#include "gui/app/DocumentController.h"
#include "draw/SlicePicture.h"
#include "gui/platform/PictureCommands.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace vx {


SpectrumView::SpectrumView(SliceDisplay& display, QWidget* parent) : QWidget(parent), m_display(display)
{
    setMouseTracking(true);
    setMinimumSize(200, 120);
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 0.8);
    setFont(f);
}

void SpectrumView::setBusy(bool busy, int progress)
{
    m_busy = busy;
    m_progress = progress;
    update();
}

void SpectrumView::setCancelled(bool cancelled)
{
    m_cancelled = cancelled;
    update();
}

void SpectrumView::resizeEvent(QResizeEvent*)
{
    m_display.layout(width(), height());
}

void SpectrumView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (m_busy || m_cancelled) {
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, width(), height() * 2 / 3), Qt::AlignCenter,
                   m_busy ? progressText(m_progress) : cancelledText());
        return;
    }
    drawSlice(p, m_display, size(), true);
}

void SpectrumView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_display.mouseMoved(at.x(), at.y())) {
        update();
        emit readoutsChanged();
    }
}

void SpectrumView::leaveEvent(QEvent*)
{
    if (m_display.mouseMoved(-1, -1))
        update();
}

void SpectrumView::mousePressEvent(QMouseEvent* event)
{
    if (m_busy) {
        emit cancelRequested();
        return;
    }
    if (m_cancelled) {
        emit againRequested();
        return;
    }
    const QPoint at = event->position().toPoint();
    m_display.clicked(at.x(), at.y());
    update();
}

SpectrumWindow::SpectrumWindow(DocumentSession& owner, const SliceSource& source, double start, double stop,
                               bool selection)
    : DocumentWindow(owner, selection ? "FFT Selection::" : "FFT::"), m_source(source),
      m_start(start), m_stop(stop), m_selection(selection)
{
    // Room for the longest readout ("no signal", "-100.0 dB").
    addReadouts({"Sample rate", "Bandwidth", "Window length", "LPC coefficients", "Applied window (ms)",
                 "Average step (ms)", "Frequency", "Level"},
                4, std::max(50, fontMetrics().horizontalAdvance(tr("no signal")) + 4));
    m_view = new SpectrumView(m_display, this);
    addView(m_view);
    m_formants = new QLabel(this);
    // Fixed pitch keeps the tab-separated formant and bandwidth columns under
    // each other.
    m_formants->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_formants->setContentsMargins(8, 4, 8, 6);
    m_formants->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addRow(m_formants);
    resize(640, 480);

    connect(m_view, &SpectrumView::cancelRequested, this, [this] { m_worker.cancel(); });
    connect(m_view, &SpectrumView::againRequested, this, &SpectrumWindow::analyse);
    connect(m_view, &SpectrumView::readoutsChanged, this, &SpectrumWindow::showReadouts);
    connect(&session(), &DocumentSession::samplesChanged, this, &SpectrumWindow::followSamples);
    connect(&session(), &DocumentSession::settingsChanged, this, [this](OptionGroup group) {
        if (group == OptionGroup::FFTLPC)
            analyse();
    });
    updateTitle();
    menus().update();
}

SpectrumWindow::~SpectrumWindow()
{
    m_worker.stop();
}

std::optional<bool> SpectrumWindow::commandEnabled(Command id) const
{
    switch (id) {
    case Command::Close: return true;
    case Command::SavePicture: return m_display.result().has_value() && !m_waiting;
    // The slice is saved as a picture, not printed.
    case Command::Print: return false;
    default: return std::nullopt;
    }
}

void SpectrumWindow::runCommand(Command id)
{
    if (id == Command::Close)
        close();
    if (id == Command::SavePicture)
        savePicture(session().app().dialogs(), this, PictureView::spectrum, session().doc().s,
                    [this](QPainter& p, const QRect& target) { paintSlice(p, m_display, target, 1); });
}

void SpectrumWindow::setTitleOwner(QWidget* owner, const QString& prefix)
{
    m_titleOwner = owner;
    m_titlePrefix = prefix;
    updateTitle();
}

QString SpectrumWindow::titleText() const
{
    return m_titleOwner ? m_titlePrefix + m_titleOwner->windowTitle() : DocumentWindow::titleText();
}

void SpectrumWindow::stopReading()
{
    // A result already on its way was computed from the old samples: it is
    // dropped too.
    m_worker.stop();
    if (m_waiting) {
        m_waiting = false;
        stopProgress();
        m_view->setBusy(false, 0);
    }
}

void SpectrumWindow::analyse()
{
    stopReading();
    const Document& d = session().doc();
    m_display.setSettings(d.s);
    m_display.setResult(std::nullopt);
    m_view->setCancelled(false);
    m_formants->clear();
    showReadouts();
    const SliceProblem problem = checkSliceSettings(d.s, m_source.rate);
    if (problem.any()) {
        m_view->update();
        AlertSpec alert;
        alert.title = problem.message;
        alert.message = problem.message;
        alert.informative = problem.informative;
        alert.buttons = {"OK"};
        session().app().dialogs().alert(alert);
        return;
    }
    ++m_started;
    const SliceParams params = sliceParams(d.s, m_source.rate);
    m_waiting = true;
    m_worker.start(
        this,
        [params, source = m_source, start = m_start, stop = m_stop, hook = m_beforeComputing](SliceControl& control) {
            if (hook)
                hook(control);
            return computeSpectrumSlice(source.samples, source.length, start, stop, params, &control);
        },
        [this](SliceResult result) { install(std::move(result)); },
        [this](const std::string& why) {
            m_waiting = false;
            stopProgress();
            m_display.setResult(std::nullopt);
            m_formants->setText(analysisFailedText(why));
            m_view->setBusy(false, 0);
            showReadouts();
        });
    startProgress();
    m_view->setBusy(true, 0);
}

void SpectrumWindow::showProgress()
{
    if (m_waiting)
        m_view->setBusy(true, m_worker.progress());
}

void SpectrumWindow::install(SliceResult result)
{
    m_waiting = false;
    stopProgress();
    if (result.cancelled) {
        m_display.setResult(std::nullopt);
        m_formants->setText(tr("Cancelled."));
        m_view->setCancelled(true);
    } else {
        m_formants->setText(QString::fromStdString(sliceFormantText(result)));
        m_display.setResult(std::move(result));
    }
    m_view->setBusy(false, 0);
    showReadouts();
}

void SpectrumWindow::showReadouts()
{
    const SliceReadouts r = sliceReadouts(session().doc().s, m_source.rate);
    setReadout("Sample rate", QString::fromStdString(r.sampleRate));
    setReadout("Bandwidth", QString::fromStdString(r.bandwidth));
    setReadout("Window length", QString::fromStdString(r.windowLength));
    setReadout("LPC coefficients", QString::fromStdString(r.lpcCoefficients));
    setReadout("Applied window (ms)", QString::fromStdString(r.appliedWindow));
    setReadout("Average step (ms)", QString::fromStdString(r.averageStep));
    const bool silent = m_display.result() && m_display.result()->silent;
    setReadout("Frequency", QString::fromStdString(m_display.frequencyReadout()));
    setReadout("Level", silent ? tr("no signal") : QString::fromStdString(m_display.levelReadout()));
}

// The gate has stopped the worker; the new samples either still hold the
// stretch, which is analysed again, or not, and the window goes.
void SpectrumWindow::followSamples()
{
    const Document& d = session().doc();
    const int channel = sliceChannel(d);
    if (channel < 0) {
        close();
        return;
    }
    const SliceSource source = sliceSource(d.getChannel(channel));
    if (!source.samples || m_start < 0 || m_stop > source.length || m_start > m_stop) {
        close();
        return;
    }
    m_source = source;
    analyse();
}

SpectrumWindow* openSpectrumSlice(DocumentSession& session, const SliceSource& source, double start, double stop,
                                  bool selection)
{
    auto* w = new SpectrumWindow(session, source, start, stop, selection);
    w->show();
    w->analyse();
    return w;
}

SpectrumWindow* openSpectrumAtMarker(DocumentSession& session)
{
    const Document& d = session.doc();
    const int channel = sliceChannel(d);
    if (channel < 0 || !d.m_bHaveMarker)
        return nullptr;
    const Channels& c = d.getChannel(channel);
    return openSpectrumSlice(session, sliceSource(c), c.m_dMarkerFileValue, c.m_dMarkerFileValue, false);
}

SpectrumWindow* openSpectrumOfSelection(DocumentSession& session)
{
    const Document& d = session.doc();
    const int channel = sliceChannel(d);
    if (channel < 0 || !d.m_bHaveSelection)
        return nullptr;
    const Channels& c = d.getChannel(channel);
    return openSpectrumSlice(session, sliceSource(c), c.m_dDurationStartFile, c.m_dDurationStopFile, true);
}

} // namespace vx
