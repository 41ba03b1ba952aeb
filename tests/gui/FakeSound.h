#pragma once
// A simulated sound system: what is played is collected in real time, as a
// device would play it; a recording is a 440 Hz tone at 0.95 of full scale.

#include "audio/AudioDevice.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxtest {

struct FakeSound {
    std::mutex lock;
    std::vector<float> played;
    bool refuse = false;
    std::atomic<int> outputsOpened{0};
};

// Runs its callback from a thread in blocks of 256 frames, in real time.
class FakeStream : public vx::AudioStream {
public:
    FakeStream(double rate, vx::OutputSource* out, vx::InputSink* in, FakeSound& s)
        : m_rate(rate), m_out(out), m_in(in), m_s(s)
    {
    }
    ~FakeStream() override { stop(false); }
    double sampleRate() const override { return m_rate; }
    std::string start() override
    {
        m_thread = std::thread([this] { run(); });
        return {};
    }
    void stop(bool) override
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool finished() const override { return m_finished; }

private:
    void run()
    {
        constexpr std::size_t kBlock = 256;
        std::vector<float> buf(kBlock);
        auto next = std::chrono::steady_clock::now();
        std::size_t n = 0;
        while (!m_stop && !m_finished) {
            next += std::chrono::microseconds(static_cast<long>(kBlock * 1e6 / m_rate));
            std::this_thread::sleep_until(next);
            if (m_out) {
                const bool more = m_out->render(buf.data(), kBlock);
                std::lock_guard<std::mutex> g(m_s.lock);
                m_s.played.insert(m_s.played.end(), buf.begin(), buf.end());
                m_finished = !more;
            } else {
                for (std::size_t k = 0; k < kBlock; ++k, ++n)
                    buf[k] = 0.95f * static_cast<float>(std::sin(2 * M_PI * 440 * double(n) / m_rate));
                m_in->capture(buf.data(), kBlock);
            }
        }
    }

    double m_rate;
    vx::OutputSource* m_out;
    vx::InputSink* m_in;
    FakeSound& m_s;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_finished{false};
};

class FakeBackend : public vx::AudioBackend {
public:
    explicit FakeBackend(FakeSound& s) : m_s(s) {}
    std::unique_ptr<vx::AudioStream> openOutput(double rate, vx::OutputSource& source, std::string& error) override
    {
        if (m_s.refuse) {
            error = "No sound output device is available.";
            return nullptr;
        }
        ++m_s.outputsOpened;
        return std::make_unique<FakeStream>(rate, &source, nullptr, m_s);
    }
    std::unique_ptr<vx::AudioStream> openInput(double rate, vx::InputSink& sink, std::string& error) override
    {
        if (m_s.refuse) {
            error = "No sound input device is available.";
            return nullptr;
        }
        return std::make_unique<FakeStream>(rate, nullptr, &sink, m_s);
    }

private:
    FakeSound& m_s;
};

} // namespace vxtest
