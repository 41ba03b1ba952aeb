#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vx;

TEST(ByteReader, ReadsBothByteOrdersAndThrowsPastTheEnd)
{
    std::vector<std::uint8_t> d = {0x01, 0x02, 0x03, 0x04, 'R', 'I', 'F', 'F', 0xAA};
    ByteReader r(d);
    EXPECT_EQ(r.u16le(), 0x0201);
    r.seek(0);
    EXPECT_EQ(r.u16be(), 0x0102);
    r.seek(0);
    EXPECT_EQ(r.u32le(), 0x04030201u);
    r.seek(0);
    EXPECT_EQ(r.u32be(), 0x01020304u);
    EXPECT_EQ(r.fourcc(), "RIFF");
    EXPECT_THROW(r.u16le(), ReadPastEnd);
    EXPECT_EQ(r.pos(), 8u) << "a failed read must not move the position";
    EXPECT_EQ(r.u8(), 0xAA);
    EXPECT_THROW(r.u8(), ReadPastEnd);
    EXPECT_THROW(r.seek(10), ReadPastEnd);
    EXPECT_THROW(r.skip(1), ReadPastEnd);
}
