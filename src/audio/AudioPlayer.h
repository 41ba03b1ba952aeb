#pragma once
// Plays a stretch of mono float samples on the default output. A feeder
// thread reads the stretch, converts it to the device's rate when the device
// runs at another one, and hands it to the sound callback through a ring;
// the callback only copies from the ring and counts what it played.
// Lives on the main thread; the samples must stay valid and unchanged until
// stopPlay returns (or the player is destroyed).

#include "AudioDevice.h"
#include "SpscRing.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace vx {

class AudioPlayer final : private OutputSource {
public:
    explicit AudioPlayer(AudioBackend& backend);
    ~AudioPlayer() override;
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // `count` samples from index `first` of `samples`.
    void setData(const float* samples, double count, double first);
    void setSampleRate(double rate) { m_sampleRate = rate; }
    double sampleRate() const { return m_sampleRate; }

    // Empty on success, else why playback could not start.
    std::string startPlay();
    // Stops at once; no callback runs afterwards.
    void stopPlay();
    bool isPlaying() const { return m_playing; }
    // The whole stretch has been played out.
    bool finished() const { return m_stream && m_stream->finished(); }
    // Time of the stretch played so far, in nanoseconds.
    double playedNanoseconds() const;
    double deviceRate() const { return m_stream ? m_stream->sampleRate() : m_sampleRate; }
    std::size_t underruns() const { return m_underruns; }

private:
    bool render(float* out, std::size_t frames) noexcept override;
    // Moves what fits of the stretch into the ring; true once all of it is in.
    bool feed();
    void feederLoop();

    struct Converter;

    AudioBackend& m_backend;
    const float* m_samples = nullptr;
    std::size_t m_first = 0, m_count = 0;
    double m_sampleRate = 22050;
    std::unique_ptr<AudioStream> m_stream;
    std::unique_ptr<SpscRing<float>> m_ring;
    std::unique_ptr<Converter> m_converter;
    std::size_t m_fed = 0;
    std::thread m_feeder;
    std::atomic<bool> m_stopFeeder{false};
    std::atomic<bool> m_fedAll{false};
    std::atomic<std::uint64_t> m_played{0};
    std::atomic<std::size_t> m_underruns{0};
    bool m_playing = false;
};

} // namespace vx
