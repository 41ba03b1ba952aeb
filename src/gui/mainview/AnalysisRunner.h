#pragma once
// Runs the pitch and intensity analysis of a main view on one worker
// thread. A new request cancels and joins the running one first; the
// destructor does the same, so no worker outlives the samples it reads.
// Results reach the receiver on the main thread through a queued call.

#include "analysis/PitchIntensity.h"
#include "gui/platform/Worker.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace vx {

struct AnalysisRequest {
    const float* samples = nullptr;
    double dataLength = 0;
    bool pitch = true;
    PitchParams pitchParams;
    double startPoint = 0, stopPoint = 0, startTime = 0, stopTime = 0;
    bool intensity = true;
    IntensityParams intensityParams;
};

struct AnalysisResult {
    std::optional<PitchTrack> pitch;
    std::optional<IntensityContour> intensity;
    bool cancelled = false;
    // Why the computation failed; empty when it did not.
    std::string failure;
};

class AnalysisRunner {
public:
    using Receiver = std::function<void(AnalysisResult)>;
    AnalysisRunner() = default;
    ~AnalysisRunner() { cancelAndJoin(); }

    // `context` must live on the main thread; the receiver runs there, and
    // not at all when the context has gone.
    void start(const AnalysisRequest& request, QObject* context, Receiver receiver);
    void cancelAndJoin()
    {
        m_stopping = true;
        m_worker.stop();
        m_stopping = false;
        m_busy = false;
    }

    bool busy() const { return m_busy; }
    int progress() const { return m_worker.progress(); }
    // A click while busy: the pitch track is dropped, intensity still runs.
    void cancel() { m_worker.cancel(); }

private:
    // Declared first, so that the worker is joined before the flags go.
    std::atomic<bool> m_busy{false};
    // A stop under way: the result will be dropped, so intensity is skipped.
    std::atomic<bool> m_stopping{false};
    Worker<AnalysisControl> m_worker;
};

} // namespace vx
