// State tables and the chunk stream: defaults, lengths that differ from the
// reader's table, and streams broken in the ways that used to hang readers.
#include <gtest/gtest.h>

#include <vector>

#include "media/state.h"
#include "test_support.h"

namespace korvanta {
namespace {

struct Sample {
    uint8_t byte = 0;
    uint32_t wideByte = 0;  // one stored byte kept in a 32-bit variable
    uint16_t word = 0;
    uint32_t dword = 0;
    uint8_t block[5] = {};
    std::vector<StateField> Table() {
        return {Field(kFieldByte, byte, 0x11), Field(kFieldByte, wideByte, 0x22), Field(kFieldWord, word, 0x3f),
                Field(kFieldDword, dword), BlockField(block, 5)};
    }
};

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int v : list) out.push_back(static_cast<uint8_t>(v));
    return out;
}

TEST(StateTable, ResetFillsDefaultsAndClearsWholeDestination) {
    Sample s;
    s.wideByte = 0xAABBCCDD;
    s.block[4] = 9;
    s.dword = 7;
    auto table = s.Table();
    ResetTable(table);
    EXPECT_EQ(s.byte, 0x11);
    EXPECT_EQ(s.wideByte, 0x22u);
    EXPECT_EQ(s.word, 0x3f);
    EXPECT_EQ(s.dword, 0u);
    EXPECT_EQ(s.block[4], 0);
}

TEST(StateTable, RoundTripWritesStoredWidths) {
    Sample out;
    auto outTable = out.Table();
    out.byte = 1;
    out.wideByte = 0x1234;  // only the low byte is stored
    out.word = 0xBEEF;
    out.dword = 0xCAFEF00D;
    out.block[2] = 5;
    MemoryStream stream;
    ASSERT_EQ(WriteChunk(stream, outTable, 13), 0);
    EXPECT_EQ(stream.Data().size(), 6u + 1 + 1 + 2 + 4 + 5);

    Sample in;
    in.wideByte = 0xFFFFFFFF;
    auto inTable = in.Table();
    stream.Seek(0);
    int16_t tag;
    ASSERT_TRUE(ReadTag(stream, tag));
    EXPECT_EQ(tag, 13);
    ASSERT_EQ(ReadChunk(stream, inTable), 0);
    EXPECT_EQ(in.byte, 1);
    EXPECT_EQ(in.wideByte, 0x34u);  // reset cleared all four bytes, the read filled one
    EXPECT_EQ(in.word, 0xBEEF);
    EXPECT_EQ(in.dword, 0xCAFEF00Du);
    EXPECT_EQ(in.block[2], 5);
    EXPECT_EQ(stream.Tell(), static_cast<int64_t>(stream.Data().size()));
}

TEST(StateTable, ShorterChunkLeavesDefaultsLongerChunkIsSkipped) {
    // Length 8: the byte and the wide byte only; the rest keep their defaults.
    Sample in;
    in.word = 0;
    auto table = in.Table();
    MemoryStream shortChunk(Bytes({13, 0, 8, 0, 0, 0, 0x55, 0x66, 0xEE, 0xEE}));
    int16_t tag;
    ReadTag(shortChunk, tag);
    ASSERT_EQ(ReadChunk(shortChunk, table), 0);
    EXPECT_EQ(in.byte, 0x55);
    EXPECT_EQ(in.wideByte, 0x66u);
    EXPECT_EQ(in.word, 0x3f);
    EXPECT_EQ(shortChunk.Tell(), 8);

    // A chunk with surplus payload: the final seek passes over it.
    uint8_t one = 0;
    std::vector<StateField> small = {Field(kFieldByte, one)};
    MemoryStream longChunk(Bytes({4, 0, 10, 0, 0, 0, 7, 1, 2, 3, 0xFF, 0xFF, 6, 0, 0, 0}));
    ReadTag(longChunk, tag);
    ASSERT_EQ(ReadChunk(longChunk, small), 0);
    EXPECT_EQ(one, 7);
    EXPECT_EQ(longChunk.Tell(), 10);
}

TEST(StateTable, EndChunkAndEmptyBlock) {
    MemoryStream stream;
    ASSERT_EQ(WriteEndChunk(stream), 0);
    EXPECT_EQ(stream.Data(), Bytes({0xFF, 0xFF, 6, 0, 0, 0}));
    stream.Seek(0);
    int16_t tag;
    ReadTag(stream, tag);
    EXPECT_EQ(tag, kTagEnd);
    ASSERT_EQ(SkipChunk(stream), 0);
    EXPECT_EQ(stream.Tell(), 6);

    uint8_t nothing[1];
    std::vector<StateField> empty = {BlockField(nothing, 0)};
    MemoryStream out;
    ASSERT_EQ(WriteChunk(out, empty, 25), 0);
    EXPECT_EQ(out.Data().size(), 6u);
}

TEST(StateTable, ShortWriteFails) {
    Sample s;
    auto table = s.Table();
    MemoryStream full;
    full.SetCapacity(9);
    EXPECT_EQ(WriteChunk(full, table, 13), -1);
}

// Streams broken in each way a reader meets: every one is a clean failure
// (the loaders then show "Can't load this broken file."), never a hang.
TEST(StateStream, BrokenStreamsFailCleanly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"length below 6 (would seek backwards)", Bytes({4, 0, 2, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0, 0})},
        {"length zero", Bytes({99, 0, 0, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0, 0})},
        {"length past the end", Bytes({4, 0, 0, 1, 0, 0, 1, 2, 3})},
        {"unknown chunk past the end", Bytes({99, 0, 0x40, 0, 0, 0, 1})},
        {"truncated tag", Bytes({4})},
        {"truncated length", Bytes({4, 0, 6, 0})},
        {"no end chunk", Bytes({99, 0, 6, 0, 0, 0})},
        {"empty", {}},
    };
    std::array<uint8_t, 2048> ram{};
    std::vector<StateField> table = {BlockField(ram.data(), 2048)};
    std::vector<TaggedTable> tables = {{kTagRam, table}};
    for (const Case& c : cases) {
        MemoryStream stream(c.bytes);
        EXPECT_FALSE(ReadTables(stream, 0, tables)) << c.what;
    }
}

TEST(StateStream, ReaderPicksItsTagsAndStopsAtEnd) {
    uint8_t mine = 0;
    std::vector<StateField> table = {Field(kFieldByte, mine, 3)};
    std::vector<TaggedTable> tables = {{kTagMirroring, table}};
    MemoryStream stream(Bytes({99, 0, 8, 0, 0, 0, 1, 2, 8, 0, 7, 0, 0, 0, 2, 0xFF, 0xFF, 6, 0, 0, 0}));
    ASSERT_TRUE(ReadTables(stream, 0, tables));
    EXPECT_EQ(mine, 2);
    EXPECT_EQ(stream.Tell(), 15);  // the end chunk is left for the caller
}

TEST(MachineState, ChunksRoundTripAndMissingChunksTakeDefaults) {
    test::FlatConsole a(test::ProgramAt8000({}));
    Machine& m = a.m();
    m.ram[0x123] = 0x45;
    m.sram[0x1FFF] = 0x67;
    m.a = 1, m.x = 2, m.y = 3, m.p = 0x24, m.s = 0xFD, m.pc = 0xC123;
    m.cycles = 0x12345;
    m.boardIrqTime = 777;
    m.apuFrameMode = 0x40;
    m.allowUndocumentedOpcodes = 1;
    m.extDeviceSelection = 3;
    MemoryStream stream;
    for (const TaggedTable& t : a.console.MachineTables()) ASSERT_EQ(WriteChunk(stream, t.table, t.tag), 0);
    ASSERT_EQ(WriteEndChunk(stream), 0);
    EXPECT_EQ(stream.Data().size(), 6u * 6 + 2048 + 21 + 8192 + 4 + 16);

    test::FlatConsole b(test::ProgramAt8000({}));
    ASSERT_TRUE(ReadTables(stream, 0, b.console.MachineTables()));
    Machine& n = b.m();
    EXPECT_EQ(n.ram[0x123], 0x45);
    EXPECT_EQ(n.sram[0x1FFF], 0x67);
    EXPECT_EQ(n.pc, 0xC123);
    EXPECT_EQ(n.p, 0x24);
    EXPECT_EQ(n.cycles, 0x2345u);  // only the low 16 bits are kept
    EXPECT_EQ(n.boardIrqTime, 777u);
    EXPECT_EQ(n.apuFrameMode, 0x40);
    EXPECT_EQ(n.allowUndocumentedOpcodes, 1);
    EXPECT_EQ(n.extDeviceSelection, 3);

    // Only the end chunk: every field at its default.
    MemoryStream empty;
    WriteEndChunk(empty);
    ASSERT_TRUE(ReadTables(empty, 0, b.console.MachineTables()));
    EXPECT_EQ(n.ram[0x123], 0);
    EXPECT_EQ(n.apuFrameMode, 0xFF);
    EXPECT_EQ(n.pc, 0);
}

}  // namespace
}  // namespace korvanta
