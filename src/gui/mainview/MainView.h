#pragma once
// The document window's central view: draws channel 0 from the main view
// model into a cached picture (rendered at the screen's pixel ratio) and
// composites the cursor, marker, selection and play cursor over it on every
// paint. Mouse input goes to the model; a picture is rendered again only
// when the model's redraw flag is set. Analysis, playback and recording are
// the controllers' business: the view shows their state and a click stops
// them.

#include "gui/mainview/AnalysisScheduler.h"
#include "gui/mainview/PlaybackController.h"
#include "gui/mainview/RecordingController.h"
#include "mainview/MainViewModel.h"
#include "mainview/SoundDisplay.h"
#include "model/SampleSummary.h"

#include <QImage>
#include <QWidget>

#include <memory>

namespace vx {

// What the view shows besides the picture, and stops on a click.
struct ViewControllers {
    AnalysisScheduler* analysis = nullptr;
    PlaybackController* playback = nullptr;
    RecordingController* recording = nullptr;
};

class MainView : public QWidget {
    Q_OBJECT

public:
    MainView(MainViewModel& model, ViewControllers controllers, QWidget* parent = nullptr);

    MainViewModel& model() { return m_model; }
    bool busy() const { return m_c.analysis && m_c.analysis->busy(); }
    bool playing() const { return m_c.playback && m_c.playback->playing(); }
    bool recording() const { return m_c.recording && m_c.recording->recording(); }

    // Renders the picture now if it is stale; counts renders (for tests).
    void renderIfNeeded();
    int renderCount() const { return m_renders; }
    const QImage& picture() const { return m_image; }
    // Called when the samples changed (load, recording, edit).
    void dataChanged();
    // The waveform summary of channel 0, for other windows to share.
    std::shared_ptr<const SampleSummary> waveSummary() const { return m_summary; }

    // The cached picture with the cursor, marker and selection over it.
    void compose(QPainter& p);

    // After the model's labels changed here: redraw and tell the others.
    void labelsEditedHere();
    // Centres the page on time t (ms), as the label list's zoom does.
    void jumpToLabel(double t);

    double playCursorColumn() const { return m_animateX; }
    const LevelBar& levelBar() const { return m_levelBar; }

signals:
    void readoutsChanged();
    void pageChanged();
    // A label was dragged, added, edited or removed in this view.
    void labelsEdited();
    // A release in label mode asks for the label editor.
    void labelEditorRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void paintOverlays(QPainter& p);
    void paintRecording(QPainter& p);
    void paintProgress(QPainter& p);

    MainViewModel& m_model;
    ViewControllers m_c;
    std::shared_ptr<const SampleSummary> m_summary;
    QImage m_image;
    int m_renders = 0;
    bool m_buttonDown = false;
    // No cursor line until the mouse has been over the view.
    bool m_cursorSeen = false;
    double m_animateX = 0;
    LevelBar m_levelBar;
    double m_levelX = 0;
};

} // namespace vx
