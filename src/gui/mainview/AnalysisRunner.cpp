#include "gui/mainview/AnalysisRunner.h"

namespace vx {

void AnalysisRunner::start(const AnalysisRequest& request, QObject* context, Receiver receiver)
{
    cancelAndJoin();
    m_busy = true;
    const auto compute = [this, request](AnalysisControl& control) {
        AnalysisResult result;
        if (request.pitch && request.samples)
            result.pitch = computePitchTrack(request.samples, request.dataLength, request.pitchParams,
                                             request.startPoint, request.stopPoint, request.startTime,
                                             request.stopTime, &control);
        result.cancelled = control.cancel;
        if (request.intensity && request.samples && !m_stopping)
            result.intensity = computeIntensity(request.samples, request.dataLength, request.intensityParams);
        m_busy = false;
        return result;
    };
    m_worker.start(context, compute, receiver, [this, receiver](const std::string& why) {
        m_busy = false;
        AnalysisResult failed;
        failed.failure = why;
        receiver(std::move(failed));
    });
}

} // namespace vx
