#pragma once
// Bounds-checked reading of a byte span. Every getter throws ReadPastEnd
// when the bytes it needs are not there; readers rely on that instead of
// checking each length themselves.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace vx {

struct ReadPastEnd : std::runtime_error {
    ReadPastEnd() : std::runtime_error("read past the end of the data") {}
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t size() const { return m_data.size(); }
    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    void seek(std::size_t pos);
    void skip(std::size_t n);

    std::uint8_t u8();
    std::uint16_t u16le();
    std::uint16_t u16be();
    std::uint32_t u32le();
    std::uint32_t u32be();
    std::int16_t i16le() { return static_cast<std::int16_t>(u16le()); }
    std::int16_t i16be() { return static_cast<std::int16_t>(u16be()); }
    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
    std::int32_t i32be() { return static_cast<std::int32_t>(u32be()); }
    float f32le();
    float f32be();
    double f64le();
    double f64be();
    std::string fourcc();
    std::span<const std::uint8_t> bytes(std::size_t n);

private:
    const std::uint8_t* need(std::size_t n);

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

// Little- and big-endian stores into a byte buffer, for writers.
void putU16le(std::uint8_t* p, std::uint16_t v);
void putU16be(std::uint8_t* p, std::uint16_t v);
void putU32le(std::uint8_t* p, std::uint32_t v);
void putU32be(std::uint8_t* p, std::uint32_t v);
void putF32be(std::uint8_t* p, float v);
void putF64be(std::uint8_t* p, double v);
void putF32le(std::uint8_t* p, float v);
void putF64le(std::uint8_t* p, double v);

} // namespace vx
