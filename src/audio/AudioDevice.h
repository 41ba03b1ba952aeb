#pragma once
// The seam between the player and recorder and a sound system: mono
// 32-bit float streams on the default output and input devices. The
// callbacks run on the sound system's thread and must not allocate, lock,
// wait or touch files.

#include <cstddef>
#include <memory>
#include <string>

namespace vx {

class OutputSource {
public:
    virtual ~OutputSource() = default;
    // Fills `frames` frames. Returns false once the data is exhausted; out
    // then holds the last frames followed by silence, and no further call
    // comes.
    virtual bool render(float* out, std::size_t frames) noexcept = 0;
};

class InputSink {
public:
    virtual ~InputSink() = default;
    virtual void capture(const float* in, std::size_t frames) noexcept = 0;
};

class AudioStream {
public:
    virtual ~AudioStream() = default;
    // The rate the device runs at, which may differ from the one asked for.
    virtual double sampleRate() const = 0;
    // Empty on success, else why the stream could not start.
    virtual std::string start() = 0;
    // Ends the stream; no callback runs once this returns. `drain` lets an
    // output play what it has been given first.
    virtual void stop(bool drain) = 0;
    // An output whose source reported the end has played it out.
    virtual bool finished() const = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // The default device at `rate`, or at the device's own rate when it
    // cannot run at that one. Nothing, with the reason in `error`, when
    // there is no usable device.
    virtual std::unique_ptr<AudioStream> openOutput(double rate, OutputSource& source, std::string& error) = 0;
    virtual std::unique_ptr<AudioStream> openInput(double rate, InputSink& sink, std::string& error) = 0;
};

// PortAudio's default devices. A non-zero `deviceRate` runs every stream at
// that rate, whatever the data's rate, as a device fixed to one rate does.
std::unique_ptr<AudioBackend> makePortAudioBackend(double deviceRate = 0);

} // namespace vx
