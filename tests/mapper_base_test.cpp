// The board base class and the factory: the number table, state chunks,
// the VS Unisystem menu item.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "mapper_fixture.h"
#include "mappers/mapper_factory.h"

namespace korvanta::test {
namespace {

const std::set<uint32_t> kDiscreteNumbers = {0,  2,  93, 94, 71, 3,  99, 101, 66,  240, 113, 181, 7,  11,
                                             13, 34, 70, 72, 92, 77, 78, 87,  89,  97,  122, 184, 185};

TEST(MapperFactory, TableListsEveryNumberOnce) {
    std::vector<uint32_t> numbers = MapperTableNumbers();
    std::set<uint32_t> unique(numbers.begin(), numbers.end());
    EXPECT_EQ(unique.size(), numbers.size()) << "a number appears twice";
    EXPECT_EQ(numbers.size(), 78u);  // 77 cartridge numbers and the Disk System
    EXPECT_TRUE(unique.count(1000));
    for (uint32_t n : {1u, 4u, 5u, 9u, 19u, 64u, 90u, 245u, 254u}) EXPECT_TRUE(unique.count(n)) << n;
}

TEST(MapperFactory, EverySupportedNumberBuildsItsBoard) {
    for (uint32_t number : MapperTableNumbers()) {
        if (kDiscreteNumbers.count(number)) {
            EXPECT_TRUE(IsMapperSupported(number)) << number;
        }
        if (!IsMapperSupported(number)) continue;
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{0, 4, 4}));
        MapperConfig config;
        config.prgBankCount = 8;
        config.chrBankCount = 32;
        b.host.icon = -1;
        ASSERT_TRUE(CreateMapper(b.console, number, config, b.console.mapper)) << number;
        EXPECT_EQ(b.console.mapper->mapperNumber, number);
        // The Disk System shows its drive instead of a cartridge.
        if (number == 1000) {
            EXPECT_EQ(b.host.icon, 163);
        } else {
            EXPECT_GE(b.host.icon, 170) << number;
            EXPECT_LE(b.host.icon, 176) << number;
        }
        EXPECT_EQ(b.host.windowTitle, "Korvanta Ver5.1");
        b.console.SoftReset();
        for (uint16_t address : {0x4020, 0x6000, 0x7FFF, 0x8000, 0xC000, 0xFFFF}) b.console.WriteByte(address, 0xFF);
    }
}

TEST(MapperFactory, UnsupportedNumbersLeaveTheSlotAlone) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{2, 4, 0}));
    Mapper* before = b.console.mapper.get();
    for (uint32_t number : {6u, 255u, 8u, 100000u}) {
        EXPECT_FALSE(CreateMapper(b.console, number, MapperConfig{}, b.console.mapper)) << number;
        EXPECT_EQ(b.console.mapper.get(), before) << number;
    }
}

TEST(MapperFactory, SuspectImageFlagMarksTheTitle) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{0, 2, 1}));
    MapperConfig config;
    config.suspectImage = true;
    ASSERT_TRUE(CreateMapper(b.console, 3, config, b.console.mapper));
    EXPECT_EQ(b.host.windowTitle, "This is maybe different from original.");
    EXPECT_EQ(b.console.mapper->suspectCheckDone, 1);
}

// Tags of the chunks in a stream, in order.
std::vector<int16_t> Tags(const MemoryStream& stream) {
    std::vector<int16_t> tags;
    MemoryStream copy(stream.Data());
    int16_t tag;
    while (ReadTag(copy, tag) && tag != kTagEnd) {
        tags.push_back(tag);
        if (SkipChunk(copy) != 0) break;
    }
    return tags;
}

TEST(MapperState, BoardWithoutTableWritesNoBoardChunkAndKeepsItsWindows) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{0, 2, 1}));
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    EXPECT_EQ(Tags(stream), std::vector<int16_t>{kTagLegacyBank});

    // A board chunk from another board is skipped.
    BoardConsole other;
    ASSERT_TRUE(other.Load(InesLayout{3, 2, 2}));
    other.console.WriteByte(0x8000, 1);
    MemoryStream foreign;
    ASSERT_TRUE(other.console.mapper->SaveState(foreign));
    WriteEndChunk(foreign);
    auto windows = b.ChrWindows();
    EXPECT_TRUE(b.console.mapper->LoadState(foreign, OldFormatImage{}, 0));
    EXPECT_EQ(b.ChrWindows(), windows);
}

TEST(MapperState, BoardChunkPrecedesTheLegacyBlock) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{2, 4, 0}));
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    EXPECT_EQ(Tags(stream), (std::vector<int16_t>{kTagBoard, kTagLegacyBank}));
    EXPECT_EQ(stream.Data().size(), 6u + 1u + 6u + 17u);
}

TEST(MapperState, StreamWithoutEndChunkFails) {
    BoardConsole b;
    ASSERT_TRUE(b.Load(InesLayout{2, 8, 0}));
    b.console.WriteByte(0x8000, 3);
    MemoryStream stream;
    ASSERT_TRUE(b.console.mapper->SaveState(stream));
    b.console.WriteByte(0x8000, 5);
    EXPECT_FALSE(b.console.mapper->LoadState(stream, OldFormatImage{}, 0));
    EXPECT_EQ(b.Prg(0), 6);  // the complete board chunk was applied
}

// Records the legacy path.
class LegacyBoard final : public Mapper {
public:
    LegacyBoard(Console& console, bool withTable) : Mapper(console, MapperConfig{}) {
        if (withTable) SetStateTable({Field(kFieldByte, reg)});
    }
    void LoadLegacyState(const LegacyBlock& block, const OldFormatImage& image) override {
        ++legacyCalls;
        lastBlock = block;
        lastPrg = image.prgCurrent;
    }
    void AfterStateLoad() override { ++afterLoads; }
    uint8_t reg = 0;
    int legacyCalls = 0;
    int afterLoads = 0;
    LegacyBlock lastBlock{};
    uint16_t lastPrg = 0;
};

void WriteLegacyChunk(MemoryStream& stream, uint8_t first) {
    LegacyBlock block{};
    block[0] = first;
    StateField field = BlockField(block.data(), 17);
    WriteChunk(stream, StateTable(&field, 1), kTagLegacyBank);
}

TEST(MapperState, LegacyBlockOnlyWithoutBoardChunk) {
    BoardConsole b;
    LegacyBoard board(b.console, true);
    OldFormatImage image;
    image.prgCurrent = 7;

    MemoryStream legacyOnly;
    WriteLegacyChunk(legacyOnly, 0x42);
    WriteEndChunk(legacyOnly);
    EXPECT_TRUE(board.LoadState(legacyOnly, image, 0));
    EXPECT_EQ(board.legacyCalls, 1);
    EXPECT_EQ(board.lastBlock[0], 0x42);
    EXPECT_EQ(board.lastPrg, 7);
    EXPECT_EQ(board.afterLoads, 0);

    MemoryStream both;
    board.reg = 9;
    ASSERT_TRUE(board.SaveState(both));
    WriteEndChunk(both);
    board.reg = 0;
    EXPECT_TRUE(board.LoadState(both, image, 0));
    EXPECT_EQ(board.legacyCalls, 1);
    EXPECT_EQ(board.afterLoads, 1);
    EXPECT_EQ(board.reg, 9);
}

TEST(MapperMenu, VsItemOnlyOnVsCartridges) {
    BoardConsole vs;
    ASSERT_TRUE(vs.Load(InesLayout{99, 2, 2, 0, 0x01}));
    char buffer[kMenuBufferSize] = {};
    vs.console.mapper->Message(kMessageMenuItems, reinterpret_cast<intptr_t>(buffer));
    EXPECT_STREQ(buffer, "&VS Unisystem");
    EXPECT_EQ(buffer[std::strlen(buffer) + 1], 0);  // the list ends with an empty string
    vs.console.mapper->Message(kMessageMenuCommand, 0);

    BoardConsole plain;
    ASSERT_TRUE(plain.Load(InesLayout{3, 2, 2}));
    char empty[kMenuBufferSize] = {};
    plain.console.mapper->Message(kMessageMenuItems, reinterpret_cast<intptr_t>(empty));
    EXPECT_EQ(empty[0], 0);
}

}  // namespace
}  // namespace korvanta::test
