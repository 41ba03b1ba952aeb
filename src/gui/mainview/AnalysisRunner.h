#pragma once
// Runs the pitch and intensity analysis of a main view on one worker
// thread. A new request cancels and joins the running one first; the
// destructor does the same, so no worker outlives the samples it reads.
// Results reach the receiver on the main thread through a queued call.

#include "analysis/PitchIntensity.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

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
};

class AnalysisRunner {
public:
    using Receiver = std::function<void(AnalysisResult)>;
    AnalysisRunner() = default;
    ~AnalysisRunner();
    AnalysisRunner(const AnalysisRunner&) = delete;
    AnalysisRunner& operator=(const AnalysisRunner&) = delete;

    // `context` must live on the main thread; the receiver runs there, and
    // not at all when the context has gone.
    void start(const AnalysisRequest& request, QObject* context, Receiver receiver);
    void cancelAndJoin();

    bool busy() const { return m_busy; }
    int progress() const { return m_state ? m_state->control.progress.load() : 0; }
    // A click while busy: the pitch track is dropped, intensity still runs.
    void cancel()
    {
        if (m_state)
            m_state->control.cancel = true;
    }

private:
    struct State {
        AnalysisControl control;
        std::atomic<bool> abandoned{false}; // superseded or closing: deliver nothing
    };
    std::thread m_thread;
    std::shared_ptr<State> m_state;
    std::atomic<bool> m_busy{false};
};

} // namespace vx
