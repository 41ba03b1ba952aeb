#include "gui/mainview/AnalysisRunner.h"

#include <QMetaObject>

namespace vx {

AnalysisRunner::~AnalysisRunner()
{
    cancelAndJoin();
}

void AnalysisRunner::cancelAndJoin()
{
    if (m_state) {
        m_state->abandoned = true;
        m_state->control.cancel = true;
    }
    if (m_thread.joinable())
        m_thread.join();
    m_busy = false;
}

void AnalysisRunner::start(const AnalysisRequest& request, QObject* context, Receiver receiver)
{
    cancelAndJoin();
    m_state = std::make_shared<State>();
    m_busy = true;
    auto state = m_state;
    // The context outlives the thread: its owner joins before destroying it.
    m_thread = std::thread([this, request, state, context, receiver = std::move(receiver)] {
        AnalysisResult result;
        if (request.pitch && request.samples)
            result.pitch = computePitchTrack(request.samples, request.dataLength, request.pitchParams,
                                             request.startPoint, request.stopPoint, request.startTime,
                                             request.stopTime, &state->control);
        result.cancelled = state->control.cancel;
        if (request.intensity && request.samples && !state->abandoned)
            result.intensity = computeIntensity(request.samples, request.dataLength, request.intensityParams);
        m_busy = false;
        if (!state->abandoned)
            QMetaObject::invokeMethod(
                context, [receiver, result = std::move(result)]() mutable { receiver(std::move(result)); },
                Qt::QueuedConnection);
    });
}

} // namespace vx
