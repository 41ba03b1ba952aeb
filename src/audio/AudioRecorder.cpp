#include "AudioRecorder.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <vector>

namespace vx {

namespace {

constexpr double kRingSeconds = 10.0;
constexpr std::size_t kChunk = 8192;

} // namespace

struct AudioRecorder::FileAndConverter {
    SNDFILE* file = nullptr;
    soxr_t soxr = nullptr;
    std::vector<float> converted;

    ~FileAndConverter()
    {
        if (soxr)
            soxr_delete(soxr);
        if (file)
            sf_close(file);
    }
};

AudioRecorder::AudioRecorder(AudioBackend& backend) : m_backend(backend) {}

AudioRecorder::~AudioRecorder()
{
    try {
        stop();
    } catch (const RecorderError&) {
        // The file keeps what was written; nobody is left to tell.
    }
}

void AudioRecorder::setOutputFilePath(const std::string& path)
{
    if (path == m_path)
        return;
    if (m_recording)
        stop();
    m_path = path;
}

void AudioRecorder::start()
{
    if (m_recording)
        return;
    if (m_path.empty())
        throw RecorderError("ZUSoundFileRecorderCantPrepare", "No file to record into.");
    std::string error;
    m_stream = m_backend.openInput(m_sampleRate, *this, error);
    if (!m_stream)
        throw RecorderError("ZUSoundFileRecorderCantPrepare", error);
    m_deviceRate = m_stream->sampleRate();

    auto out = std::make_unique<FileAndConverter>();
    SF_INFO info{};
    info.samplerate = static_cast<int>(m_sampleRate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    out->file = sf_open(m_path.c_str(), SFM_WRITE, &info);
    if (!out->file) {
        m_stream.reset();
        throw RecorderError("ZUSoundFileRecorderCantPrepare",
                            "The file \"" + m_path + "\" could not be created to record into ("
                                + sf_strerror(nullptr) + ").");
    }
    if (m_deviceRate != m_sampleRate) {
        soxr_error_t err = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
        out->soxr = soxr_create(m_deviceRate, m_sampleRate, 1, &err, &io, &q, nullptr);
        if (err) {
            m_stream.reset();
            throw RecorderError("ZUSoundFileRecorderCantPrepare",
                                std::string("The input could not be converted to the record rate (") + err + ").");
        }
        out->converted.resize(static_cast<std::size_t>(std::ceil(kChunk * m_sampleRate / m_deviceRate)) + 64);
    }
    m_out = std::move(out);
    m_ring = std::make_unique<SpscRing<float>>(static_cast<std::size_t>(m_deviceRate * kRingSeconds));
    m_captured = 0;
    m_lost = 0;
    m_written = 0;
    m_haveLevels = false;
    m_writeError.clear();
    m_stopWriter = false;
    m_writer = std::thread([this] { writerLoop(); });

    error = m_stream->start();
    if (!error.empty()) {
        m_stopWriter = true;
        m_writer.join();
        m_stream.reset();
        m_out.reset();
        throw RecorderError("ZUSoundFileRecorderCantStart", error);
    }
    m_recording = true;
}

void AudioRecorder::stop()
{
    if (!m_recording)
        return;
    m_recording = false;
    m_stream->stop(false);
    m_stream.reset();
    m_stopWriter = true;
    m_writer.join();
    closeFile();
    if (!m_writeError.empty())
        throw RecorderError("ZUSoundFileRecorderCantStop", m_writeError);
}

double AudioRecorder::seconds() const
{
    return m_deviceRate > 0 ? static_cast<double>(m_captured.load()) / m_deviceRate : 0.0;
}

BlockLevels AudioRecorder::latestLevels() const
{
    BlockLevels b;
    if (!m_haveLevels.load(std::memory_order_acquire))
        return b;
    const std::uint64_t v = m_levels.load(std::memory_order_relaxed);
    b.valid = true;
    b.min = std::bit_cast<float>(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    b.max = std::bit_cast<float>(static_cast<std::uint32_t>(v >> 32));
    return b;
}

void AudioRecorder::capture(const float* in, std::size_t frames) noexcept
{
    if (!in || frames == 0)
        return;
    float lo = in[0], hi = in[0];
    for (std::size_t i = 1; i < frames; ++i) {
        lo = std::min(lo, in[i]);
        hi = std::max(hi, in[i]);
    }
    m_levels.store(std::uint64_t(std::bit_cast<std::uint32_t>(lo)) | std::uint64_t(std::bit_cast<std::uint32_t>(hi)) << 32,
                   std::memory_order_relaxed);
    m_haveLevels.store(true, std::memory_order_release);
    const std::size_t n = m_ring->push(in, frames);
    m_lost.fetch_add(frames - n, std::memory_order_relaxed);
    m_captured.fetch_add(frames, std::memory_order_relaxed);
}

void AudioRecorder::writerLoop()
{
    std::vector<float> buf(kChunk);
    for (;;) {
        // The flag is read first: once it is set no block arrives any more,
        // so one more drain takes everything.
        const bool last = m_stopWriter.load(std::memory_order_acquire);
        while (drain(buf.data(), buf.size())) {
        }
        if (last)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool AudioRecorder::drain(float* buf, std::size_t size)
{
    const std::size_t n = m_ring->pop(buf, size);
    if (n == 0)
        return false;
    if (!m_out->soxr) {
        write(buf, n);
        return true;
    }
    std::size_t used = 0;
    while (used < n) {
        std::size_t u = 0, made = 0;
        soxr_process(m_out->soxr, buf + used, n - used, &u, m_out->converted.data(), m_out->converted.size(), &made);
        used += u;
        write(m_out->converted.data(), made);
        if (u == 0 && made == 0)
            break;
    }
    return true;
}

void AudioRecorder::write(const float* data, std::size_t n)
{
    if (n == 0 || !m_writeError.empty())
        return;
    const sf_count_t done = sf_writef_float(m_out->file, data, static_cast<sf_count_t>(n));
    if (done > 0)
        m_written += static_cast<std::uint64_t>(done);
    if (done != static_cast<sf_count_t>(n))
        m_writeError = "The recording could not be written to \"" + m_path + "\" (" + sf_strerror(m_out->file)
                     + "); it stops after " + std::to_string(m_written.load()) + " samples.";
}

void AudioRecorder::closeFile()
{
    if (!m_out)
        return;
    if (m_out->soxr) {
        // The converter's tail.
        for (;;) {
            std::size_t made = 0;
            soxr_process(m_out->soxr, nullptr, 0, nullptr, m_out->converted.data(), m_out->converted.size(), &made);
            if (made == 0)
                break;
            write(m_out->converted.data(), made);
        }
    }
    if (m_out->file && sf_close(m_out->file) != 0 && m_writeError.empty())
        m_writeError = "The recording file \"" + m_path + "\" could not be closed.";
    m_out->file = nullptr;
    m_out.reset();
}

} // namespace vx
