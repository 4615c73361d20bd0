#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dvi/KsDvi.h"
#include "stream/BinFileStream.h"
#include "support/TempFile.h"

namespace {

struct ReadCase {
    friend void PrintTo(ReadCase const& c, std::ostream* os) { *os << "op " << c.op << " -> " << c.expected; }
    std::string bytes;
    int op;  // 0 Int8 ... 7 UInt32
    int64_t expected;
    bool bigEndian = true;
};

int64_t ReadOne(BinInStream& s, int op) {
    switch (op) {
    case 0: return s.ReadInt8();
    case 1: return s.ReadUInt8();
    case 2: return s.ReadInt16();
    case 3: return s.ReadUInt16();
    case 4: return s.ReadInt24();
    case 5: return s.ReadUInt24();
    case 6: return s.ReadInt32();
    default: return s.ReadUInt32();
    }
}

class ByteOrder : public testing::TestWithParam<ReadCase> {};

TEST_P(ByteOrder, BigEndianWithSignExtensionUnlessAsked) {
    ReadCase const& c = GetParam();
    BinInStrStream s(c.bytes.data(), static_cast<int>(c.bytes.size()));
    s.SetBigEndian(c.bigEndian);
    EXPECT_EQ(ReadOne(s, c.op), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ByteOrder,
    testing::Values(ReadCase{"\xFF", 0, -1}, ReadCase{"\xFF", 1, 255}, ReadCase{std::string("\x80\x00", 2), 2, -32768},
                    ReadCase{std::string("\x80\x00", 2), 3, 32768}, ReadCase{"\xFF\xFF\xFE", 4, -2},
                    ReadCase{"\xFF\xFF\xFE", 5, 16777214}, ReadCase{std::string("\x7F\xFF\xFF", 3), 4, 0x7FFFFF},
                    ReadCase{"\x80\x01\x02\x03", 6, -2147417597}, ReadCase{"\x12\x34\x56\x78", 7, 0x12345678},
                    ReadCase{"\x01\x02\x03\x04", 7, 0x04030201, false}),
    [](auto const& info) { return "case" + std::to_string(info.index); });

// Reads past the end give ones and set eof; seeks past it fail.
TEST(BinInStrStream, EndsSeeksAndRawBytes) {
    std::string bytes =
        "\x01\x02"
        "cdef";
    BinInStrStream s(bytes.data(), 6);
    s.seekg(4);
    EXPECT_EQ(s.tellg(), 4);
    char two[2];
    s.read(two, 2);
    EXPECT_EQ(std::string(two, 2), "ef");
    s.seekg(10);
    EXPECT_TRUE(s.fail());

    BinInStrStream shorter(bytes.data(), 2);
    EXPECT_EQ(shorter.ReadUInt32(), 0x0102FFFFu);
    EXPECT_TRUE(shorter.eof());
    EXPECT_EQ(shorter.ReadInt16(), -1);
}

// Writes keep the low bytes, most significant first; a file stream reads
// back what it wrote.
TEST(BinOutStream, WritesLowBytesMostSignificantFirst) {
    TempFile file(".bin");
    {
        BinOutFileStream out(file.Path().c_str());
        out.WriteUInt24(0x12345678);
        out.WriteInt16(-2);
        out.WriteUInt32(0xA1B2C3D4);
        out.WriteInt8(0x1FF);
    }
    EXPECT_EQ(ReadFileBytes(file.Path()),
              (std::vector<uint8_t>{0x34, 0x56, 0x78, 0xFF, 0xFE, 0xA1, 0xB2, 0xC3, 0xD4, 0xFF}));
    BinFileStream io(file.Path().c_str());
    io.WriteUInt16(0xBEEF);
    io.seekg(0);
    EXPECT_EQ(io.ReadUInt24(), 0xBEEF78u);
}

TEST(Dviifstream, ReadsAFileAnotherWriterHoldsOpen) {
    TempFile file;
    std::ofstream writer(file.Path(), std::ios::binary);
    writer << "\xF7\x02" << std::flush;
    KsDvi::Dviifstream reader(String8(file.Path().c_str()));
    ASSERT_TRUE(reader.is_open());
    EXPECT_EQ(reader.ReadUInt16(), 0xF702u);
    // The writer goes on while the reader is open.
    writer << "more" << std::flush;
    EXPECT_TRUE(writer.good());
}

}  // namespace
