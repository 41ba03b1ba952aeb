#include "gui/mainview/AnalysisScheduler.h"

namespace vx {

AnalysisScheduler::AnalysisScheduler(DocumentSession& session, MainViewModel& model)
    : m_session(session), m_model(model)
{
    m_progressTimer.setInterval(500);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        if (!busy())
            m_progressTimer.stop();
        emit progressTick();
    });
    m_session.addReader(this);
}

AnalysisScheduler::~AnalysisScheduler()
{
    m_session.removeReader(this);
    m_runner.cancelAndJoin();
}

void AnalysisScheduler::start()
{
    const Document& d = m_model.doc();
    const Channels& c = d.getChannel(0);
    if (!d.m_bHaveData || c.m_hData.size() == 0)
        return;
    AnalysisRequest r;
    r.samples = c.m_hData.data();
    r.dataLength = std::min<double>(c.m_dwFileLength, static_cast<double>(c.m_hData.size()));
    r.pitch = d.s.m_bCepstral;
    r.pitchParams = pitchParams(d.s, c.m_dSampleRate);
    r.startPoint = m_model.m_dPitchSelectionStartPoint;
    r.stopPoint = m_model.m_dPitchSelectionStopPoint;
    r.startTime = m_model.m_dPitchSelectionStartTime;
    r.stopTime = m_model.m_dPitchSelectionStopTime;
    r.intensity = c.m_bDrawIntensity;
    r.intensityParams = intensityParams(c, c.m_dSampleRate, c.m_dReference);
    const int generation = ++m_generation;
    m_waiting = true;
    m_runner.start(r, this, [this, generation](AnalysisResult result) {
        if (generation != m_generation)
            return;
        m_waiting = false;
        if (!result.failure.empty()) {
            m_model.setPitch(std::nullopt);
            m_model.m_bRedraw = true;
            emit finished();
            emit failed(analysisFailedText(result.failure));
            return;
        }
        m_model.setPitch(result.cancelled ? std::nullopt : std::move(result.pitch));
        if (result.intensity)
            m_model.setIntensity(std::move(result.intensity));
        m_model.m_bRedraw = true;
        emit finished();
    });
    m_progressTimer.start();
    emit progressTick();
}

void AnalysisScheduler::analyseWholeFile()
{
    m_model.setWholeFileStretches();
    start();
}

void AnalysisScheduler::analyseStretch(double startPoint, double stopPoint, double startTime, double stopTime)
{
    m_model.m_dPitchSelectionStartPoint = m_model.m_dIntensitySelectionStartPoint = startPoint;
    m_model.m_dPitchSelectionStopPoint = m_model.m_dIntensitySelectionStopPoint = stopPoint;
    m_model.m_dPitchSelectionStartTime = m_model.m_dIntensitySelectionStartTime = startTime;
    m_model.m_dPitchSelectionStopTime = m_model.m_dIntensitySelectionStopTime = stopTime;
    start();
}

void AnalysisScheduler::analyseSelection()
{
    const Channels& c = m_model.doc().getChannel(0);
    analyseStretch(c.m_dDurationStartFile, c.m_dDurationStopFile, c.m_dDurationStartTime, c.m_dDurationStopTime);
}

void AnalysisScheduler::analyseWindow()
{
    const Channels& c = m_model.doc().getChannel(0);
    analyseStretch(c.m_dPageMin, c.m_dPageMax, c.m_dPageTimeMin, c.m_dPageTimeMax);
}

void AnalysisScheduler::stopReading()
{
    m_runner.cancelAndJoin();
    // A result already on its way to the main thread is of the old samples.
    if (!m_waiting)
        return;
    ++m_generation;
    m_waiting = false;
    emit progressTick();
}

} // namespace vx
