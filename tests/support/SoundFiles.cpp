#include "support/SoundFiles.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "support/TestFolders.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vxtest {

std::string inChildProcess(const std::function<std::string()>& f, bool exitHandlers)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("no pipe for a child process");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("no child process");
    if (child == 0) {
        ::close(fds[0]);
        const std::string said = f();
        (void)!::write(fds[1], said.data(), said.size());
        ::close(fds[1]);
        if (exitHandlers)
            std::exit(0);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string said;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        said.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return said;
}

Output runCommand(const std::string& command)
{
    const std::string errPath = tempPath("stderr.txt");
    Output o{};
    FILE* p = popen((command + " 2>'" + errPath + "'").c_str(), "r");
    if (!p)
        throw std::runtime_error("cannot run " + command);
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        o.out.append(buf, n);
    const int status = pclose(p);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = readBytes(errPath);
    o.err.assign(err.begin(), err.end());
    return o;
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
    int status = std::system(command.c_str());
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
    std::vector<std::uint8_t> out(36);
    std::memcpy(out.data(), "RIFF\0\0\0\0WAVEfmt ", 16);
    vx::putU32le(&out[16], 16);
    vx::putU16le(&out[20], 1);
    vx::putU16le(&out[22], static_cast<std::uint16_t>(channels));
    vx::putU32le(&out[24], static_cast<std::uint32_t>(rate));
    vx::putU32le(&out[28], static_cast<std::uint32_t>(rate) * 2u * static_cast<std::uint32_t>(channels));
    vx::putU16le(&out[32], static_cast<std::uint16_t>(2 * channels));
    vx::putU16le(&out[34], 16);
    out.insert(out.end(), extraChunks.begin(), extraChunks.end());
    std::uint8_t head[8] = {'d', 'a', 't', 'a'};
    vx::putU32le(head + 4, static_cast<std::uint32_t>(2 * samples.size()));
    out.insert(out.end(), head, head + 8);
    for (std::int16_t s : samples) {
        std::uint8_t b[2];
        vx::putU16le(b, static_cast<std::uint16_t>(s));
        out.insert(out.end(), b, b + 2);
    }
    vx::putU32le(&out[4], static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

std::vector<std::uint8_t> makeQadFloat(const std::vector<LegacyChannel>& channels, int declared)
{
    std::vector<std::uint8_t> out(512, 0);
    std::memcpy(out.data(), "QAD_PC_FLOAT", 12);
    vx::putU32le(out.data() + 32, static_cast<std::uint32_t>(declared < 0 ? int(channels.size()) : declared));
    for (const LegacyChannel& c : channels) {
        const double n = static_cast<double>(c.samples.size());
        std::vector<std::uint8_t> h(248, 0);
        vx::putF64le(h.data(), n * 1000.0 / c.rate);
        vx::putF64le(h.data() + 8, c.rate);
        vx::putF64le(h.data() + 16, n);
        vx::putU32le(h.data() + 64, static_cast<std::uint32_t>(c.type));
        vx::putU32le(h.data() + 92, 1);
        std::memcpy(h.data() + 116, "EGG", 3);
        out.insert(out.end(), h.begin(), h.end());
        std::vector<std::uint8_t> label(368, 0);
        vx::putF64le(label.data(), 1.0);
        std::memcpy(label.data() + 112, "onset", 5);
        out.insert(out.end(), label.begin(), label.end());
        for (float v : c.samples) {
            std::uint8_t f[4];
            vx::putF32le(f, v);
            out.insert(out.end(), f, f + 4);
        }
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
