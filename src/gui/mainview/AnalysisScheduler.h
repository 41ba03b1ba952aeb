#pragma once
// Schedules the pitch and intensity analysis of a main view's stretches on
// the worker, installs the results in the view model on the main thread,
// and stops the worker whenever the document's samples are about to change.

#include "gui/app/DocumentSession.h"
#include "gui/mainview/AnalysisRunner.h"
#include "mainview/MainViewModel.h"

#include <QObject>
#include <QTimer>

namespace vx {

class AnalysisScheduler : public QObject, public SampleReader {
    Q_OBJECT

public:
    AnalysisScheduler(DocumentSession& session, MainViewModel& model);
    ~AnalysisScheduler() override;

    // Analyses the model's pitch and intensity stretches.
    void start();
    void analyseWholeFile();
    void analyseSelection();
    void analyseWindow();

    bool busy() const { return m_runner.busy() || m_waiting; }
    int progress() const { return m_runner.progress(); }
    // A click while busy: the pitch track is dropped, intensity still runs.
    void cancel() { m_runner.cancel(); }
    // Cancels and joins the worker; nothing is delivered.
    void stopReading() override;

signals:
    // Every half second while busy.
    void progressTick();
    void finished();
    // The computation threw; the text says why, as the window shows it.
    void failed(const QString& message);

private:
    void analyseStretch(double startPoint, double stopPoint, double startTime, double stopTime);

    DocumentSession& m_session;
    MainViewModel& m_model;
    AnalysisRunner m_runner;
    QTimer m_progressTimer;
    bool m_waiting = false;
    int m_generation = 0;
};

} // namespace vx
