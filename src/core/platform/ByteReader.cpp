#include "platform/ByteReader.h"

#include <bit>
#include <cstring>

namespace vx {

void ByteReader::seek(std::size_t pos)
{
    if (pos > m_data.size())
        throw ReadPastEnd();
    m_pos = pos;
}

void ByteReader::skip(std::size_t n)
{
    need(n);
    m_pos += n;
}

const std::uint8_t* ByteReader::need(std::size_t n)
{
    if (n > remaining())
        throw ReadPastEnd();
    return m_data.data() + m_pos;
}

std::uint8_t ByteReader::u8()
{
    const std::uint8_t* p = need(1);
    m_pos += 1;
    return p[0];
}

std::uint16_t ByteReader::u16le()
{
    const std::uint8_t* p = need(2);
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint16_t ByteReader::u16be()
{
    const std::uint8_t* p = need(2);
    m_pos += 2;
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t ByteReader::u32le()
{
    const std::uint8_t* p = need(4);
    m_pos += 4;
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
         | (std::uint32_t(p[3]) << 24);
}

std::uint32_t ByteReader::u32be()
{
    const std::uint8_t* p = need(4);
    m_pos += 4;
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
         | std::uint32_t(p[3]);
}

float ByteReader::f32le() { return std::bit_cast<float>(u32le()); }
float ByteReader::f32be() { return std::bit_cast<float>(u32be()); }

double ByteReader::f64le()
{
    std::uint64_t lo = u32le();
    std::uint64_t hi = u32le();
    return std::bit_cast<double>(lo | (hi << 32));
}

double ByteReader::f64be()
{
    std::uint64_t hi = u32be();
    std::uint64_t lo = u32be();
    return std::bit_cast<double>(lo | (hi << 32));
}

std::string ByteReader::fourcc()
{
    const std::uint8_t* p = need(4);
    m_pos += 4;
    return std::string(reinterpret_cast<const char*>(p), 4);
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t n)
{
    const std::uint8_t* p = need(n);
    m_pos += n;
    return {p, n};
}

void putU16le(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void putU16be(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

void putU32le(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

void putU32be(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * (3 - i)));
}

void putF32be(std::uint8_t* p, float v) { putU32be(p, std::bit_cast<std::uint32_t>(v)); }
void putF32le(std::uint8_t* p, float v) { putU32le(p, std::bit_cast<std::uint32_t>(v)); }

void putF64be(std::uint8_t* p, double v)
{
    auto b = std::bit_cast<std::uint64_t>(v);
    putU32be(p, std::uint32_t(b >> 32));
    putU32be(p + 4, std::uint32_t(b));
}

void putF64le(std::uint8_t* p, double v)
{
    auto b = std::bit_cast<std::uint64_t>(v);
    putU32le(p, std::uint32_t(b));
    putU32le(p + 4, std::uint32_t(b >> 32));
}

} // namespace vx
