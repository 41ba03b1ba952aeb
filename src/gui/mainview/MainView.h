#pragma once
// The document window's central view: draws channel 0 from the main view
// model into a cached picture (rendered at the screen's pixel ratio) and
// composites the cursor, marker and selection over it on every paint.
// Mouse input goes to the model; a picture is rendered again only when the
// model's redraw flag is set.

#include "gui/mainview/AnalysisRunner.h"
#include "mainview/MainViewModel.h"
#include "mainview/SoundDisplay.h"
#include "model/SampleSummary.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace vx {

class SoundController;

class MainView : public QWidget {
    Q_OBJECT

public:
    MainView(MainViewModel& model, QWidget* parent = nullptr);
    ~MainView() override;

    MainViewModel& model() { return m_model; }

    // The pitch and intensity of the model's stretches, on the worker.
    void doAnalysisFunctions();
    void analysisPitchWhole();
    void analysisPitchSelection();
    void analysisPitchWindow();
    bool busy() const { return m_runner.busy() || m_waiting; }

    // Renders the picture now if it is stale; counts renders (for tests).
    void renderIfNeeded();
    int renderCount() const { return m_renders; }
    const QImage& picture() const { return m_image; }
    // Called when the data changed (load, edit).
    void dataChanged();

    // Renders the model's picture laid out by `geometry` (the model's own,
    // or one from geometryFor for another size). Reads the document only.
    static void renderPicture(QPainter& p, const MainViewModel& model, const ViewGeometry& geometry,
                              const SampleSummary* summary, const SampleSummary* intensitySummary);
    static void renderPicture(QPainter& p, const MainViewModel& model, const SampleSummary* summary,
                              const SampleSummary* intensitySummary)
    {
        renderPicture(p, model, model.geometry(), summary, intensitySummary);
    }
    // The cached picture with the cursor, marker and selection over it.
    void compose(QPainter& p);

    // Playback and recording through the application's one player and
    // recorder. play toggles: while anything plays it only stops it.
    // Each returns why it could not start, or an empty string.
    void setSound(SoundController* sound);
    QString play(PlayCode code);
    bool playing() const { return m_bPlaying; }
    double playCursorColumn() const { return m_animateX; }
    QString startRecording();
    bool recording() const { return m_bRecording; }
    const LevelBar& levelBar() const { return m_levelBar; }
    // Where recordings are written.
    static std::string recordingPath();

signals:
    void soundError(const QString& title, const QString& message, const QString& informative);
    void soundStateChanged();
    void recordingLoaded();
    void readoutsChanged();
    void pageChanged();
    void analysisFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void startAnalysis();
    void analyseStretch(double startPoint, double stopPoint, double startTime, double stopTime);
    void paintOverlays(QPainter& p);
    void paintRecording(QPainter& p);
    void stopRecordingByClick();
    void loadRecording(const QString& writeError);
    // Cancels a running analysis and waits for its worker.
    void stopAnalysis();

    MainViewModel& m_model;
    std::unique_ptr<SampleSummary> m_summary;
    std::unique_ptr<SampleSummary> m_intensitySummary;
    const IntensityContour* m_summarisedContour = nullptr;
    QImage m_image;
    int m_renders = 0;
    AnalysisRunner m_runner;
    QTimer m_progressTimer;
    bool m_waiting = false;
    int m_generation = 0;
    bool m_buttonDown = false;

    SoundController* m_sound = nullptr;
    bool m_bPlaying = false;
    double m_playFirst = 0;
    double m_dAnimatenanoSeconds = 0;
    double m_animateX = 0;
    bool m_bRecording = false;
    double m_dSeconds = 0;
    LevelBar m_levelBar;
    double m_levelX = 0;
};

} // namespace vx
