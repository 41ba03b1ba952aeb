#pragma once
// The spectrum-slice window: the FFT spectrum and LPC envelope of one frame
// at a position, or averaged over a stretch, with its formants and
// bandwidths. It belongs to a document session and closes with it; its
// analysis runs on a worker of its own, which the session's gate and the
// destructor stop.

#include "gui/app/DocumentWindow.h"
#include "gui/platform/Worker.h"
#include "spectrum/SliceDisplay.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

namespace vx {

// Draws the display's graph; mouse moves and clicks go to the display.
class SpectrumView : public QWidget {
    Q_OBJECT

public:
    SpectrumView(SliceDisplay& display, QWidget* parent = nullptr);
    // While busy the view shows the progress and a click cancels; once
    // cancelled, a click asks for the computation again.
    void setBusy(bool busy, int progress);
    void setCancelled(bool cancelled);

signals:
    void readoutsChanged();
    void cancelRequested();
    void againRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    SliceDisplay& m_display;
    bool m_busy = false;
    bool m_cancelled = false;
    int m_progress = 0;
};

class SpectrumWindow : public DocumentWindow {
    Q_OBJECT

public:
    // `selection`: the stretch start..stop is averaged; otherwise start is
    // the one frame's first sample.
    SpectrumWindow(DocumentSession& session, const SliceSource& source, double start, double stop, bool selection);
    ~SpectrumWindow() override;

    // Checks the settings and analyses the stretch anew; a problem with the
    // settings is shown and leaves the window empty.
    void analyse();

    SliceDisplay& display() { return m_display; }
    SpectrumView& view() { return *m_view; }
    bool busy() const { return m_waiting; }
    int analysesStarted() const { return m_started; }
    QString formantText() const { return m_formants->text(); }
    double startPoint() const { return m_start; }
    double stopPoint() const { return m_stop; }
    // Titles the window `prefix` followed by the owner's title, while the
    // owner exists.
    void setTitleOwner(QWidget* owner, const QString& prefix);
    // Runs on the worker thread before each computation: a test holds a
    // computation there to act on it while it is under way.
    void setBeforeComputing(std::function<void(SliceControl&)> hook) { m_beforeComputing = std::move(hook); }

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;
    void stopReading() override;

protected:
    QString titleText() const override;
    void showProgress() override;

private:
    void install(SliceResult result);
    void followSamples();
    void showReadouts();

    SliceSource m_source;
    double m_start, m_stop;
    bool m_selection;
    SliceDisplay m_display;
    SpectrumView* m_view = nullptr;
    QLabel* m_formants = nullptr;
    Worker<SliceControl> m_worker;
    std::function<void(SliceControl&)> m_beforeComputing;
    bool m_waiting = false;
    int m_started = 0;
    QPointer<QWidget> m_titleOwner;
    QString m_titlePrefix;
};

// Opens a slice window on samples the caller names (a view of the
// document's channel that sliceChannel picks), shown and analysing.
SpectrumWindow* openSpectrumSlice(DocumentSession& session, const SliceSource& source, double start, double stop,
                                  bool selection);
// At the marker, or averaged over the selection, of the document's channel.
SpectrumWindow* openSpectrumAtMarker(DocumentSession& session);
SpectrumWindow* openSpectrumOfSelection(DocumentSession& session);

} // namespace vx
