// The Bus's read and write tables, the sprite DMA and the resets.
#include <gtest/gtest.h>

#include "test_support.h"

namespace korvanta {
namespace {

using test::FlatConsole;
using test::ProgramAt8000;

struct FakeDevice : InputDevice {
    uint8_t answer;
    int writes = 0;
    explicit FakeDevice(uint8_t a) : answer(a) {}
    uint8_t Read4016() override { return answer; }
    uint8_t Read4017() override { return static_cast<uint8_t>(answer << 1); }
    void Write4016(uint8_t) override { ++writes; }
};

// Counts what reaches the board.
struct RecordingBoard : Mapper {
    using Mapper::Mapper;
    int reads = 0, writes = 0;
    uint16_t lastAddress = 0;
    uint8_t lastValue = 0;
    uint8_t Read(uint16_t address) override {
        ++reads;
        lastAddress = address;
        return 0x5A;
    }
    void Write(uint16_t address, uint8_t value) override {
        ++writes;
        lastAddress = address;
        lastValue = value;
    }
};

TEST(Bus, RamMirrorsAndWordReads) {
    FlatConsole f(ProgramAt8000({}));
    Console& c = f.console;
    for (uint16_t mirror : {0x0000, 0x0800, 0x1000, 0x1800}) {
        c.WriteByte(mirror, static_cast<uint8_t>(mirror >> 8));
        for (uint16_t other : {0x0000, 0x0800, 0x1000, 0x1800}) EXPECT_EQ(c.ReadByte(other), mirror >> 8);
    }
    f.m().ram[0x7FF] = 0x34;
    f.m().ram[0] = 0x12;
    EXPECT_EQ(c.ReadWord(0x07FF), 0x1234);
    EXPECT_EQ(c.ReadWord(0x1FFF), 0x1234);

    // A word whose low byte ends a window takes its high byte from the next.
    std::vector<uint8_t> prg(0x8000, 0);
    prg[0x1FFF] = 0xCD;
    prg[0x2000] = 0xAB;
    FlatConsole g(prg);
    EXPECT_EQ(g.console.ReadWord(0x9FFF), 0xABCD);
}

TEST(Bus, PpuRegistersMirrorAndOnlyStatusAndDataRead) {
    FlatConsole f(ProgramAt8000({}));
    f.m().vblankFlag = 1;
    EXPECT_EQ(f.console.ReadByte(0x3FFA) & 0x80, 0x80);  // $3FFA mirrors $2002
    EXPECT_EQ(f.m().vblankFlag, 0u);
    for (uint16_t address : {0x2000, 0x2001, 0x2003, 0x2004, 0x2005, 0x2006, 0x3FF8, 0x4000, 0x4014})
        EXPECT_EQ(f.console.ReadByte(address), 0) << std::hex << address;
}

TEST(Bus, ControllerPortsOrTheDevicesInOrder) {
    FlatConsole f(ProgramAt8000({}));
    EXPECT_EQ(f.console.ReadByte(0x4016), 0);
    auto* first = new FakeDevice(1);
    f.console.devices.Add(std::unique_ptr<InputDevice>(first));
    f.console.devices.Add(std::make_unique<FakeDevice>(2));
    f.console.devices.Add(std::make_unique<FakeDevice>(0x40));
    EXPECT_EQ(f.console.ReadByte(0x4016), 0x43);
    EXPECT_EQ(f.console.ReadByte(0x4017), 0x86);
    f.console.WriteByte(0x4016, 1);
    f.console.WriteByte(0x4017, 0x40);  // the frame counter only
    EXPECT_EQ(first->writes, 1);
    EXPECT_EQ(f.m().apuFrameMode, 0x40);
}

TEST(Bus, CartridgeRamFollowsSramEnabled) {
    FlatConsole f(ProgramAt8000({}));
    auto board = std::make_unique<RecordingBoard>(f.console, MapperConfig{});
    RecordingBoard* b = board.get();
    f.console.mapper = std::move(board);
    f.console.WriteByte(0x6000, 0x77);
    EXPECT_EQ(f.console.ReadByte(0x6000), 0x5A);
    EXPECT_EQ(b->writes, 1);
    EXPECT_EQ(f.m().sram[0], 0);
    b->sramEnabled = 1;
    f.console.WriteByte(0x7FFF, 0x99);
    EXPECT_EQ(f.console.ReadByte(0x7FFF), 0x99);
    EXPECT_EQ(f.m().sram[0x1FFF], 0x99);
    EXPECT_EQ(b->writes, 1);
    // ROM writes go to the board, never to the pages.
    uint8_t before = f.console.ReadByte(0x8000);
    f.console.WriteByte(0x8000, static_cast<uint8_t>(~before));
    EXPECT_EQ(f.console.ReadByte(0x8000), before);
    EXPECT_EQ(b->lastAddress, 0x8000);
}

TEST(Bus, VsUnisystemBitsAndCharacterSwitch) {
    FlatConsole f(ProgramAt8000({}));
    MapperConfig vs;
    vs.vsUnisystem = true;
    auto board = std::make_unique<RecordingBoard>(f.console, vs);
    RecordingBoard* b = board.get();
    b->mapperNumber = 99;
    b->vsDipSwitches = 0xA7;
    f.console.mapper = std::move(board);
    EXPECT_EQ(f.console.ReadByte(0x4016), (0xA7 & 3) << 3);
    EXPECT_EQ(f.console.ReadByte(0x4017), 0xA7 & 0xFC);
    f.console.WriteByte(0x4016, 0x04);
    EXPECT_EQ(b->lastAddress, 0x8000);
    EXPECT_EQ(b->lastValue, 1);
}

TEST(Bus, SpriteDmaChargesCyclesAndReadsItsSource) {
    for (uint8_t page : {0x02, 0x0A, 0x80}) {
        FlatConsole f(ProgramAt8000({}));
        f.m().cycles = 100;
        f.console.WriteByte(0x4014, page);
        EXPECT_EQ(f.m().cycles, 612u) << int(page);
    }
}

TEST(Bus, ResetsKeepWhatTheyShould) {
    FlatConsole f(ProgramAt8000({}));
    Machine& m = f.m();
    m.ram[5] = 1;
    m.sram[5] = 2;
    m.p = 0x04;
    m.nmiEnabled = 1;
    m.RunState = 1;
    f.console.SoftReset();
    EXPECT_EQ(m.p, 0);
    EXPECT_EQ(m.s, 0xFF);
    EXPECT_EQ(m.pc, 0x8000);
    EXPECT_EQ(m.suppressFirstNmi, 1);
    EXPECT_EQ(m.nmiEnabled, 0);
    EXPECT_EQ(m.apuFrameMode, 0xFF);
    EXPECT_EQ(m.ram[5], 1);
    EXPECT_EQ(m.RunState, 1u);
    f.console.HardReset();
    EXPECT_EQ(m.ram[5], 0);
    EXPECT_EQ(m.sram[5], 2);
    f.console.AllReset();
    EXPECT_EQ(m.sram[5], 0);
}

TEST(Bus, PowerOnResetKeepsTheGameOptions) {
    FlatConsole f(ProgramAt8000({}));
    Machine& m = f.m();
    m.allowUndocumentedOpcodes = 1;
    m.perDotBankSwitching = 1;
    m.sram[0] = 9;
    m.extDeviceSelection = 2;
    f.console.PowerOnReset();
    EXPECT_EQ(m.sram[0], 0);
    EXPECT_EQ(m.extDeviceSelection, 0);
    EXPECT_EQ(m.allowUndocumentedOpcodes, 1);
    EXPECT_EQ(m.perDotBankSwitching, 1);
}

}  // namespace
}  // namespace korvanta
