#include "gui/mainview/MainView.h"

#include "app/AppState.h"
#include "draw/MainViewPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cmath>

namespace vx {

MainView::MainView(MainViewModel& model, ViewControllers controllers, QWidget* parent)
    : QWidget(parent), m_model(model), m_c(controllers)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    if (m_c.analysis) {
        connect(m_c.analysis, &AnalysisScheduler::progressTick, this, qOverload<>(&QWidget::update));
        connect(m_c.analysis, &AnalysisScheduler::finished, this, qOverload<>(&QWidget::update));
    }
    if (m_c.playback) {
        connect(m_c.playback, &PlaybackController::tick, this, qOverload<>(&QWidget::update));
        connect(m_c.playback, &PlaybackController::stateChanged, this, [this] {
            m_animateX = 0;
            update();
        });
    }
    if (m_c.recording) {
        connect(m_c.recording, &RecordingController::tick, this, qOverload<>(&QWidget::update));
        connect(m_c.recording, &RecordingController::stateChanged, this, [this] {
            if (recording()) {
                m_levelX = 0;
                m_levelBar = {};
            }
            update();
        });
    }
    dataChanged();
}

void MainView::dataChanged()
{
    const Channels& c = m_model.doc().getChannel(0);
    m_summary = c.m_hData.size() ? std::make_shared<SampleSummary>(c.m_hData.data(), c.m_hData.size()) : nullptr;
    m_model.m_bRedraw = true;
    update();
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_model.SetupDisplay(width(), height());
    m_model.m_bRedraw = true;
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
    drawMainView(p, m_model, m_model.geometry(), m_summary.get());
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
    if (!playing()) {
        if (m_cursorSeen)
            p.fillRect(QRectF(m_model._rectCursor.x, 0, m_model._rectCursor.width, l.frameHeight), Qt::red);
        return;
    }
    m_animateX = playCursorX(m_model.channel0(), m_model.geometry().dataArea, m_c.playback->playFirst(),
                             m_c.playback->playedNanoseconds());
    if (m_animateX < width())
        p.fillRect(QRectF(m_animateX, 0, 1, l.frameHeight), Qt::red);
}

void MainView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (recording()) {
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
        paintProgress(p);
        return;
    }
    compose(p);
}

void MainView::paintProgress(QPainter& p)
{
    if (!m_image.isNull())
        p.drawImage(QPointF(0, 0), m_image);
    QFont font("Arial");
    font.setPixelSize(24);
    p.setFont(font);
    p.setPen(Qt::blue);
    p.drawText(QPointF(width() / 3.0, 100), QString::asprintf(" Progress = %d %%", m_c.analysis->progress()));
    p.drawText(QPointF(width() / 3.0, 150), " Press mouse to cancel...");
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
        m_c.analysis->cancel();
        return;
    }
    if (recording()) {
        m_c.recording->stopByClick();
        return;
    }
    if (playing())
        m_c.playback->stop();
    m_buttonDown = event->button() == Qt::LeftButton;
    if (!m_buttonDown)
        return;
    m_model.DoOnLButtonDown({event->position().x(), event->position().y()}, 0, true);
    emit readoutsChanged();
    update();
}

void MainView::mouseMoveEvent(QMouseEvent* event)
{
    if (recording() || playing())
        return;
    m_cursorSeen = true;
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
    const ReleaseOutcome outcome = m_model.DoOnLButtonUp({event->position().x(), event->position().y()}, 0, true);
    emit readoutsChanged();
    if (outcome == ReleaseOutcome::LabelMoved) {
        m_model.MoveLabel();
        emit labelsEdited();
    } else if (outcome == ReleaseOutcome::OpenLabelEditorForLabel || outcome == ReleaseOutcome::OpenLabelEditorAtPoint) {
        emit labelEditorRequested();
    }
    update();
}

void MainView::labelsEditedHere()
{
    m_model.m_bRedraw = true;
    emit labelsEdited();
    update();
}

void MainView::jumpToLabel(double t)
{
    m_model.DoZoomJumpLabel(t);
    emit pageChanged();
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

void MainView::paintRecording(QPainter& p)
{
    p.fillRect(rect(), Qt::white);
    QFont font("Arial");
    font.setPixelSize(18);
    p.setFont(font);
    p.setPen(Qt::blue);
    p.drawText(QPointF(10, 30),
               QString::asprintf("(press mouse here to stop) recorded time = %.1f", m_c.recording->seconds()));
    const BlockLevels levels = m_c.recording->latestLevels();
    m_levelBar = nextLevelBar(m_levelX, levels.valid, levels.min, levels.max, width(), height());
    m_levelX = m_levelBar.x;
    p.fillRect(QRectF(m_levelBar.x, m_levelBar.y, m_levelBar.width, m_levelBar.height),
               m_levelBar.red ? QColor(255, 0, 0) : QColor(0, 0, 255));
}

} // namespace vx
