#include "AudioDevice.h"

#include <portaudio.h>

#include <atomic>

namespace vx {

namespace {

std::string paReason(const char* what, PaError err)
{
    return std::string(what) + " (" + Pa_GetErrorText(err) + ").";
}

class PaStream_ final : public AudioStream {
public:
    PaStream_(double rate, OutputSource* source, InputSink* sink) : m_rate(rate), m_source(source), m_sink(sink) {}
    ~PaStream_() override
    {
        stop(false);
        if (m_stream)
            Pa_CloseStream(m_stream);
    }

    std::string open(const PaStreamParameters& params)
    {
        const bool output = m_source != nullptr;
        PaError err = Pa_OpenStream(&m_stream, output ? nullptr : &params, output ? &params : nullptr, m_rate,
                                    paFramesPerBufferUnspecified, output ? paClipOff | paPrimeOutputBuffersUsingStreamCallback : paClipOff,
                                    &PaStream_::callback, this);
        if (err != paNoError) {
            m_stream = nullptr;
            return paReason(output ? "The sound output could not be opened" : "The sound input could not be opened",
                            err);
        }
        Pa_SetStreamFinishedCallback(m_stream, &PaStream_::streamFinished);
        return {};
    }

    double sampleRate() const override { return m_rate; }

    std::string start() override
    {
        m_finished = false;
        m_ended = false;
        PaError err = Pa_StartStream(m_stream);
        if (err != paNoError)
            return paReason(m_source ? "Playback could not start" : "Recording could not start", err);
        m_running = true;
        return {};
    }

    void stop(bool drain) override
    {
        if (!m_running)
            return;
        m_running = false;
        // Once the source has ended, the stream stops by itself; stopping
        // it again only waits for that.
        if (drain || m_ended)
            Pa_StopStream(m_stream);
        else
            Pa_AbortStream(m_stream);
    }

    bool finished() const override { return m_finished; }

private:
    static int callback(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user)
    {
        auto* self = static_cast<PaStream_*>(user);
        if (self->m_sink) {
            self->m_sink->capture(static_cast<const float*>(in), frames);
            return paContinue;
        }
        float* o = static_cast<float*>(out);
        if (self->m_ended) {
            for (unsigned long i = 0; i < frames; ++i)
                o[i] = 0.0f;
            return paComplete;
        }
        if (!self->m_source->render(o, frames)) {
            self->m_ended = true;
            return paComplete;
        }
        return paContinue;
    }

    static void streamFinished(void* user)
    {
        auto* self = static_cast<PaStream_*>(user);
        if (self->m_ended)
            self->m_finished = true;
    }

    PaStream* m_stream = nullptr;
    double m_rate;
    OutputSource* m_source;
    InputSink* m_sink;
    bool m_running = false;
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_finished{false};
};

class PortAudioBackend final : public AudioBackend {
public:
    explicit PortAudioBackend(double deviceRate) : m_deviceRate(deviceRate), m_init(Pa_Initialize()) {}
    ~PortAudioBackend() override
    {
        if (m_init == paNoError)
            Pa_Terminate();
    }

    std::unique_ptr<AudioStream> openOutput(double rate, OutputSource& source, std::string& error) override
    {
        return open(true, rate, &source, nullptr, error);
    }
    std::unique_ptr<AudioStream> openInput(double rate, InputSink& sink, std::string& error) override
    {
        return open(false, rate, nullptr, &sink, error);
    }

private:
    std::unique_ptr<AudioStream> open(bool output, double rate, OutputSource* source, InputSink* sink,
                                      std::string& error)
    {
        if (m_init != paNoError) {
            error = paReason("The sound system could not be started", m_init);
            return nullptr;
        }
        const PaDeviceIndex dev = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
        const PaDeviceInfo* info = dev == paNoDevice ? nullptr : Pa_GetDeviceInfo(dev);
        if (!info || (output ? info->maxOutputChannels : info->maxInputChannels) < 1) {
            error = output ? "No sound output device is available." : "No sound input device is available.";
            return nullptr;
        }
        PaStreamParameters params{};
        params.device = dev;
        params.channelCount = 1;
        params.sampleFormat = paFloat32;
        params.suggestedLatency = output ? info->defaultHighOutputLatency : info->defaultHighInputLatency;
        double deviceRate = m_deviceRate > 0 ? m_deviceRate : rate;
        if (m_deviceRate <= 0) {
            const PaError ok = output ? Pa_IsFormatSupported(nullptr, &params, rate)
                                      : Pa_IsFormatSupported(&params, nullptr, rate);
            if (ok != paFormatIsSupported)
                deviceRate = info->defaultSampleRate;
        }
        auto stream = std::make_unique<PaStream_>(deviceRate, source, sink);
        error = stream->open(params);
        if (!error.empty())
            return nullptr;
        return stream;
    }

    double m_deviceRate;
    PaError m_init;
};

} // namespace

std::unique_ptr<AudioBackend> makePortAudioBackend(double deviceRate)
{
    return std::make_unique<PortAudioBackend>(deviceRate);
}

} // namespace vx
