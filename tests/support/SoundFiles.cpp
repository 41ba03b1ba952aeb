#include "support/SoundFiles.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "support/TestFolders.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vxtest {

std::string inChildProcess(const std::function<std::string()>& f, bool exitHandlers)
{
    const std::string path = tempPath("said-by-child");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("no child process");
    if (child == 0) {
        std::ofstream(path, std::ios::binary) << f();
        if (exitHandlers)
            std::exit(0);
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    std::ifstream in(path, std::ios::binary); // none when the child died
    return {std::istreambuf_iterator<char>(in), {}};
}

Output runCommand(const std::string& command)
{
    const std::string out = tempPath("stdout.txt"), err = tempPath("stderr.txt");
    const int status = run("{ " + command + "\n} >" + q(out) + " 2>" + q(err));
    return {status, readText(out), readText(err)};
}

Output runCli(const std::string& arguments, const std::string& environment)
{
    return runCommand((environment.empty() ? "" : "env " + environment + " ") + std::string(VOXTRACE_CLI) + " "
                      + arguments);
}

std::string q(const std::string& path)
{
    return "'" + path + "'";
}

std::vector<std::vector<std::string>> tsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        std::size_t a = 0;
        for (std::size_t tab; (tab = line.find('\t', a)) != std::string::npos; a = tab + 1)
            rows.back().push_back(line.substr(a, tab - a));
        rows.back().push_back(line.substr(a));
    }
    return rows;
}

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string tempPath(const std::string& name)
{
    static std::atomic<int> counter{0};
    return testRoot() + "/" + std::to_string(counter++) + "-" + name;
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    auto bytes = vx::readWholeFile(path);
    if (!bytes)
        throw std::runtime_error("cannot read " + path);
    return *bytes;
}

std::string readText(const std::string& path)
{
    const auto b = readBytes(path);
    return {b.begin(), b.end()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<float> readF32(const std::string& path)
{
    std::vector<std::uint8_t> b = readBytes(path);
    std::vector<float> out(b.size() / 4);
    std::memcpy(out.data(), b.data(), out.size() * 4);
    return out;
}

std::vector<std::uint8_t> makeWave(const std::vector<std::int16_t>& samples, int channels, int rate,
                                   const std::vector<std::uint8_t>& extraChunks)
{
    const auto K = static_cast<std::uint16_t>(channels);
    const auto R = static_cast<std::uint32_t>(rate), dataSize = static_cast<std::uint32_t>(2 * samples.size());
    std::vector<std::uint8_t> out(44 + extraChunks.size() + dataSize);
    std::memcpy(out.data(), "RIFF\0\0\0\0WAVEfmt ", 16);
    vx::putU32le(&out[4], static_cast<std::uint32_t>(out.size() - 8));
    vx::putU32le(&out[16], 16);
    vx::putU16le(&out[20], 1);
    vx::putU16le(&out[22], K);
    vx::putU32le(&out[24], R);
    vx::putU32le(&out[28], R * 2u * K);
    vx::putU16le(&out[32], static_cast<std::uint16_t>(2 * K));
    vx::putU16le(&out[34], 16);
    std::copy(extraChunks.begin(), extraChunks.end(), out.begin() + 36);
    std::uint8_t* data = &out[36 + extraChunks.size()];
    std::memcpy(data, "data", 4);
    vx::putU32le(data + 4, dataSize);
    for (std::size_t k = 0; k < samples.size(); ++k)
        vx::putU16le(data + 8 + 2 * k, static_cast<std::uint16_t>(samples[k]));
    return out;
}

std::vector<std::uint8_t> makeQadFloat(const std::vector<LegacyChannel>& channels, int declared)
{
    std::vector<std::uint8_t> out(512, 0);
    std::memcpy(out.data(), "QAD_PC_FLOAT", 12);
    vx::putU32le(out.data() + 32, static_cast<std::uint32_t>(declared < 0 ? int(channels.size()) : declared));
    for (const LegacyChannel& c : channels) {
        const double n = static_cast<double>(c.samples.size());
        std::uint8_t* h = &*out.insert(out.end(), 248 + 368 + 4 * c.samples.size(), 0); // header, label, samples
        vx::putF64le(h, n * 1000.0 / c.rate);
        vx::putF64le(h + 8, c.rate);
        vx::putF64le(h + 16, n);
        vx::putU32le(h + 64, static_cast<std::uint32_t>(c.type));
        vx::putU32le(h + 92, 1);
        std::memcpy(h + 116, "EGG", 3);
        vx::putF64le(h + 248, 1.0);
        std::memcpy(h + 248 + 112, "onset", 5);
        for (std::size_t k = 0; k < c.samples.size(); ++k)
            vx::putF32le(h + 248 + 368 + 4 * k, c.samples[k]);
    }
    return out;
}

void fillChannel(vx::Document& d, const std::vector<float>& samples, double rate)
{
    vx::Channels& c = d.getChannel(0);
    c.m_hData.newClear(samples.size());
    std::copy(samples.begin(), samples.end(), c.m_hData.data());
    c.m_dwFileLength = static_cast<double>(samples.size());
    c.m_dSampleRate = rate;
    c.m_dLengthMS = samples.size() * 1000.0 / rate;
    vx::setWholePage(c);
    d.m_bHaveData = true;
    d.m_nNumofChannels = 1;
}

} // namespace vxtest
