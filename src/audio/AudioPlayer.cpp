#include "AudioPlayer.h"

#include <soxr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace vx {

namespace {

constexpr std::size_t kChunk = 4096;
constexpr double kRingSeconds = 4.0;

} // namespace

// Streaming rate conversion from the data's rate to the device's.
struct AudioPlayer::Converter {
    soxr_t soxr = nullptr;
    double ratio = 1;
    std::vector<float> out;
    bool flushed = false;

    Converter(double inRate, double outRate, std::string& error)
    {
        soxr_error_t err = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
        soxr = soxr_create(inRate, outRate, 1, &err, &io, &q, nullptr);
        if (err) {
            error = std::string("The samples could not be converted to the device's rate (") + err + ").";
            soxr = nullptr;
        }
        ratio = outRate / inRate;
        out.resize(static_cast<std::size_t>(std::ceil(kChunk * ratio)) + 64);
    }
    ~Converter()
    {
        if (soxr)
            soxr_delete(soxr);
    }
};

AudioPlayer::AudioPlayer(AudioBackend& backend) : m_backend(backend) {}

AudioPlayer::~AudioPlayer()
{
    stopPlay();
}

void AudioPlayer::setData(const float* samples, double count, double first)
{
    m_samples = samples;
    m_first = first > 0 ? static_cast<std::size_t>(first) : 0;
    m_count = count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string AudioPlayer::startPlay()
{
    stopPlay();
    std::string error;
    m_stream = m_backend.openOutput(m_sampleRate, *this, error);
    if (!m_stream)
        return error;
    const double rate = m_stream->sampleRate();
    m_converter.reset();
    if (rate != m_sampleRate) {
        m_converter = std::make_unique<Converter>(m_sampleRate, rate, error);
        if (!error.empty()) {
            m_stream.reset();
            return error;
        }
    }
    m_ring = std::make_unique<SpscRing<float>>(static_cast<std::size_t>(rate * kRingSeconds));
    m_fed = 0;
    m_played = 0;
    m_underruns = 0;
    m_stopFeeder = false;
    // The ring starts full, so that the device never waits for the feeder
    // at the start.
    m_fedAll = feed();
    if (!m_fedAll)
        m_feeder = std::thread([this] { feederLoop(); });
    error = m_stream->start();
    if (!error.empty()) {
        stopPlay();
        return error;
    }
    m_playing = true;
    return {};
}

void AudioPlayer::stopPlay()
{
    m_playing = false;
    if (m_stream)
        m_stream->stop(false);
    m_stopFeeder = true;
    if (m_feeder.joinable())
        m_feeder.join();
}

double AudioPlayer::playedNanoseconds() const
{
    const double rate = deviceRate();
    return rate > 0 ? static_cast<double>(m_played.load()) / rate * 1e9 : 0.0;
}

bool AudioPlayer::feed()
{
    const float* src = m_samples ? m_samples + m_first : nullptr;
    while (m_fed < m_count || (m_converter && !m_converter->flushed)) {
        if (!m_converter) {
            const std::size_t n = std::min(m_count - m_fed, m_ring->writable());
            if (n == 0)
                return false;
            m_ring->push(src + m_fed, n);
            m_fed += n;
            continue;
        }
        Converter& c = *m_converter;
        if (m_ring->writable() < c.out.size())
            return false;
        const std::size_t in = std::min(kChunk, m_count - m_fed);
        std::size_t used = 0, made = 0;
        // No input flushes the converter's tail.
        soxr_process(c.soxr, in ? src + m_fed : nullptr, in, &used, c.out.data(), c.out.size(), &made);
        m_fed += used;
        m_ring->push(c.out.data(), made);
        if (in == 0 && made == 0)
            c.flushed = true;
    }
    return true;
}

void AudioPlayer::feederLoop()
{
    while (!m_stopFeeder) {
        if (feed()) {
            m_fedAll = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool AudioPlayer::render(float* out, std::size_t frames) noexcept
{
    // Read before taking from the ring: once everything is in, a short
    // read is the end, not a feeder that fell behind.
    const bool all = m_fedAll.load(std::memory_order_acquire);
    const std::size_t n = m_ring->pop(out, frames);
    std::fill(out + n, out + frames, 0.0f);
    m_played.fetch_add(n, std::memory_order_relaxed);
    if (n < frames) {
        if (all)
            return false;
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

} // namespace vx
