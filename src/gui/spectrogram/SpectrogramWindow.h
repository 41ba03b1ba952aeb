#pragma once
// The spectrogram window: a grey-scale spectrogram of one stretch of a
// document's channel, with formant dots, grids, tiers and waveform, its own
// cursor, marker and selection, the spectra at them and playback.
//
// It belongs to a document session and closes with it. The analysis runs on
// a worker the window owns: the worker reads a snapshot (samples, stretch,
// sizes, settings) and hands its columns to the main thread, which draws the
// picture. A new start, the session's gate and the destructor cancel and
// join the running worker first.

#include "draw/SpectrogramPicture.h"
#include "gui/app/DocumentWindow.h"
#include "gui/platform/PictureCommands.h"
#include "gui/platform/Worker.h"
#include "log/LogEntries.h"
#include "mainview/SoundDisplay.h"
#include "model/SampleSummary.h"
#include "spectrogram/SpectrogramDisplay.h"
#include "spectrum/SliceDisplay.h"

#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

namespace vx {

class SpectrogramWindow;

// Draws the window's picture and overlays; hands the mouse to the window.
class SpectrogramView : public QWidget {
    Q_OBJECT

public:
    explicit SpectrogramView(SpectrogramWindow& window, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SpectrogramWindow& m_window;
};

class SpectrogramWindow : public DocumentWindow {
    Q_OBJECT

public:
    SpectrogramWindow(DocumentSession& session, SpectrogramKind kind, int channel, const SpectrogramStretch& stretch);
    ~SpectrogramWindow() override;

    // Lays out for the view's size and analyses the stretch anew; a running
    // analysis is cancelled and joined first.
    void start();

    SpectrogramView& view() { return *m_view; }
    const SpectrogramLayout& layout() const { return m_layout; }
    const SpectrogramCursor& cursor() const { return m_cursor; }
    const SpectrogramStretch& stretch() const { return m_stretch; }
    const SpectrogramOptions& settings() const { return m_settings; }
    const SpectrogramResult* result() const { return m_result.get(); }
    const QImage& picture() const { return m_picture; }
    bool busy() const { return m_waiting; }
    // A picture or printout is being computed.
    bool picturing() const { return m_picturing != nullptr; }
    int progress() const;
    bool cancelled() const { return m_result && m_result->cancelled; }
    const QString& failure() const { return m_failure; }
    bool playing() const { return m_playing; }
    // Where the play cursor is drawn while playing.
    std::optional<double> playCursorX() const;
    int analysesStarted() const { return m_started; }
    // The sample the marker names.
    double markerSample() const;

    // Mouse in view coordinates; false when ignored.
    bool mousePressed(QPointF at);
    bool mouseDragged(QPointF at);
    void mouseReleased();
    bool mouseMoved(QPointF at);
    void viewResized();
    // Draws the picture (or progress) and the overlays.
    void paint(QPainter& p, QSize viewSize);

    std::optional<bool> commandEnabled(Command id) const override;
    void runCommand(Command id) override;
    void stopReading() override;

private:
    bool haveSpectrogram() const;
    void install(std::shared_ptr<SpectrogramResult> result);
    void render();
    void paintOverlays(QPainter& p);
    void followSamples();
    // The spectrogram options: analyse again; other groups do not concern it.
    void followSettings(OptionGroup group);
    void showReadouts();
    void play(PlayCode code);
    void openSpectrum(bool selection);
    // Save as Picture... and Print...: the levels are computed for the
    // picture's own pixels on the worker, then drawn and written or printed.
    void makePicture(bool print);
    void finishPicture(std::shared_ptr<SpectrogramResult> result);
    SpectrogramLogSource logSource() const;
    void addLogEntries(SpectrogramLogEntry kind);

    SpectrogramKind m_kind;
    int m_channel;
    SliceSource m_source;
    SpectrogramStretch m_stretch;
    SpectrogramOptions m_settings;
    SpectrogramLayout m_layout;
    SpectrogramCursor m_cursor;
    std::shared_ptr<SpectrogramResult> m_result;
    QImage m_picture;
    QSize m_analysedSize;
    double m_analysedScale = 0;

    SpectrogramView* m_view = nullptr;
    QTimer m_resizeTimer;
    Worker<AnalysisControl> m_worker;
    bool m_waiting = false;
    // Why the last computation failed; empty when it did not.
    QString m_failure;
    int m_started = 0;

    struct PictureJob {
        PictureSize size;
        SpectrogramLayout layout;
        QString file;
        std::unique_ptr<QPrinter> printer;
    };
    std::unique_ptr<PictureJob> m_picturing;

    bool m_playing = false;
    double m_playStartTime = 0; // ms where the played stretch begins
    double m_playedNs = 0;
};

// Opens a spectrogram window of the document's channel for the stretch of
// `kind`, shown and analysing; an empty stretch is refused with a message
// (null).
SpectrogramWindow* openSpectrogram(DocumentSession& session, SpectrogramKind kind);

} // namespace vx
