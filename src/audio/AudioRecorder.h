#pragma once
// Records the default input into a 32-bit float mono WAVE file at the
// record rate. The sound callback only copies each block into a ring and
// publishes the block's lowest and highest sample; a writer thread takes
// the ring's contents, converts them from the device's rate when the device
// cannot run at the record rate, and writes the file.
// Lives on the main thread.

#include "AudioDevice.h"
#include "SpscRing.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace vx {

// A recorder failure: `name` says which step failed, what() why.
struct RecorderError : std::runtime_error {
    RecorderError(std::string n, const std::string& reason) : std::runtime_error(reason), name(std::move(n)) {}
    std::string name;
};

// The lowest and highest sample of the latest captured block.
struct BlockLevels {
    bool valid = false;
    float min = 0, max = 0;
};

class AudioRecorder final : private InputSink {
public:
    explicit AudioRecorder(AudioBackend& backend);
    ~AudioRecorder() override;
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    void setOutputFilePath(const std::string& path);
    const std::string& outputFilePath() const { return m_path; }
    void setSampleRate(double rate) { m_sampleRate = rate; }
    double sampleRate() const { return m_sampleRate; }

    // Opens the input and creates the file (erasing one already there).
    // Throws RecorderError; nothing stays open after a failure.
    void start();
    // Ends the input, writes what is still in transit and closes the file.
    // Throws RecorderError when the file could not be written completely;
    // the file then holds what was written before the failure.
    void stop();
    bool isRecording() const { return m_recording; }

    // Seconds captured so far.
    double seconds() const;
    BlockLevels latestLevels() const;
    // Frames the device delivered while the ring was full, and the frames
    // written to the file (at the record rate).
    std::uint64_t framesLost() const { return m_lost; }
    std::uint64_t framesWritten() const { return m_written; }
    double deviceRate() const { return m_deviceRate; }

private:
    void capture(const float* in, std::size_t frames) noexcept override;
    void writerLoop();
    // Writes what the ring holds; true if there was anything.
    bool drain(float* buf, std::size_t size);
    void write(const float* data, std::size_t n);
    void closeFile();

    struct FileAndConverter;

    AudioBackend& m_backend;
    std::string m_path;
    double m_sampleRate = 44100;
    double m_deviceRate = 0;
    std::unique_ptr<AudioStream> m_stream;
    std::unique_ptr<SpscRing<float>> m_ring;
    std::unique_ptr<FileAndConverter> m_out;
    std::thread m_writer;
    std::atomic<bool> m_stopWriter{false};
    std::atomic<std::uint64_t> m_captured{0};
    std::atomic<std::uint64_t> m_lost{0};
    std::atomic<std::uint64_t> m_written{0};
    // Lowest and highest sample of the latest block as two float bit patterns.
    std::atomic<std::uint64_t> m_levels{0};
    std::atomic<bool> m_haveLevels{false};
    std::string m_writeError; // writer thread until joined
    bool m_recording = false;
};

} // namespace vx
