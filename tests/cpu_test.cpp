// The CPU core: cycle counts, the 6502 quirks it keeps and the ones it drops,
// interrupts, the frame loop, the idle-loop and unrecognised opcodes.
#include <gtest/gtest.h>

#include <map>

#include "debug/disassembler.h"
#include "debug/trace.h"
#include "test_support.h"

namespace korvanta {
namespace {

constexpr uint16_t kNmiHandler = 0x9000;
constexpr uint16_t kIrqHandler = 0x9100;

// 32 KB of NOPs with `pieces` placed at their addresses; reset at $8000,
// NMI at $9000 and IRQ/BRK at $9100 unless a piece overrides the vectors.
std::vector<uint8_t> Rom(const std::map<uint16_t, std::vector<uint8_t>>& pieces) {
    std::vector<uint8_t> prg(0x8000, 0xEA);
    auto put = [&prg](uint16_t address, const std::vector<uint8_t>& bytes) {
        std::copy(bytes.begin(), bytes.end(), prg.begin() + (address - 0x8000));
    };
    put(0xFFFA, {kNmiHandler & 0xFF, kNmiHandler >> 8, 0x00, 0x80, kIrqHandler & 0xFF, kIrqHandler >> 8});
    for (const auto& [address, bytes] : pieces) put(address, bytes);
    return prg;
}

struct Rig {
    test::FlatConsole f;
    explicit Rig(const std::map<uint16_t, std::vector<uint8_t>>& pieces, bool sram = false) : f(Rom(pieces), sram) {
        m().pc = 0x8000;
    }
    Machine& m() { return f.m(); }
    Console& console() { return f.console; }
    void Step(int count = 1) {
        for (int i = 0; i < count; ++i) f.console.cpu.Run(RunMode::SingleStep);
    }
    uint8_t Stack(int depth) { return m().ram[0x100 + ((m().s + depth) & 0xFF)]; }
};

TEST(Cpu, CycleCounts) {
    struct Case {
        const char* name;
        uint16_t at;
        std::vector<uint8_t> code;
        uint8_t x, y, p;
        uint32_t cycles;
    };
    const Case cases[] = {
        {"LDA $10FF,X crossing", 0x8000, {0xBD, 0xFF, 0x10}, 1, 0, 0, 5},
        {"LDA $1000,X same page", 0x8000, {0xBD, 0x00, 0x10}, 1, 0, 0, 4},
        {"LDA $10FF,Y crossing", 0x8000, {0xB9, 0xFF, 0x10}, 0, 1, 0, 5},
        {"EOR $10FF,X no extra cycle", 0x8000, {0x5D, 0xFF, 0x10}, 1, 0, 0, 4},
        {"ADC $10FF,X no extra cycle", 0x8000, {0x7D, 0xFF, 0x10}, 1, 0, 0, 4},
        {"SBC $10FF,X no extra cycle", 0x8000, {0xFD, 0xFF, 0x10}, 1, 0, 0, 4},
        {"ORA $10FF,X crossing", 0x8000, {0x1D, 0xFF, 0x10}, 1, 0, 0, 5},
        {"LDA ($20),Y crossing", 0x8000, {0xB1, 0x20}, 0, 1, 0, 6},
        {"STA ($20),Y crossing", 0x8000, {0x91, 0x20}, 0, 1, 0, 7},
        {"STA ($20),Y same page", 0x8000, {0x91, 0x20}, 0, 0, 0, 6},
        {"STA $1000,X", 0x8000, {0x9D, 0x00, 0x10}, 0, 0, 0, 5},
        {"INC $1000,X", 0x8000, {0xFE, 0x00, 0x10}, 0, 0, 0, 7},
        {"LSR $10", 0x8000, {0x46, 0x10}, 0, 0, 0, 5},
        {"BNE taken, same page", 0x8000, {0xD0, 0x10}, 0, 0, 0, 3},
        {"BNE taken, other page", 0x80F0, {0xD0, 0x20}, 0, 0, 0, 4},
        {"BNE taken backwards, other page", 0x8000, {0xD0, 0xF0}, 0, 0, 0, 4},
        {"BNE not taken", 0x8000, {0xD0, 0x10}, 0, 0, 0x02, 2},
        {"JMP ($0200)", 0x8000, {0x6C, 0x00, 0x02}, 0, 0, 0, 5},
        {"JSR", 0x8000, {0x20, 0x00, 0x90}, 0, 0, 0, 6},
        {"BRK", 0x8000, {0x00, 0x00}, 0, 0, 0, 7},
        {"PLA", 0x8000, {0x68}, 0, 0, 0, 4},
        {"three-byte skip", 0x8000, {0x1C, 0xFF, 0x10}, 1, 0, 0, 4},
        {"two-byte skip", 0x8000, {0x89, 0x00}, 0, 0, 0, 2},
        {"one-byte NOP", 0x8000, {0xDA}, 0, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig({{c.at, c.code}});
        Machine& m = rig.m();
        m.pc = c.at;
        m.x = c.x;
        m.y = c.y;
        m.p = c.p;
        m.ram[0x20] = 0xFF;
        m.ram[0x21] = 0x10;
        rig.Step();
        EXPECT_EQ(m.cycles, c.cycles);
    }
}

TEST(Cpu, PointerWrapsAndJumps) {
    // JMP ($02FF) takes the high byte from $0200, not $0300.
    Rig jump({{0x8000, {0x6C, 0xFF, 0x02}}});
    jump.m().ram[0x2FF] = 0x34;
    jump.m().ram[0x200] = 0x12;
    jump.m().ram[0x300] = 0x56;
    jump.Step();
    EXPECT_EQ(jump.m().pc, 0x1234);

    // LDA ($FF),Y takes the pointer's high byte from $0000.
    Rig load({{0x8000, {0xB1, 0xFF}}});
    Machine& m = load.m();
    m.ram[0xFF] = 0x10;
    m.ram[0x00] = 0x03;
    m.ram[0x100] = 0x05;
    m.ram[0x312] = 0x77;
    m.y = 2;
    load.Step();
    EXPECT_EQ(m.a, 0x77);

    // LDA ($FF,X) with X = 0 as well; STA zp,X wraps within page zero.
    Rig indexed({{0x8000, {0xA1, 0xFF, 0x95, 0xF0}}});
    indexed.m().ram[0xFF] = 0x12;
    indexed.m().ram[0x00] = 0x03;
    indexed.m().ram[0x312] = 0x42;
    indexed.Step();
    EXPECT_EQ(indexed.m().a, 0x42);
    indexed.m().x = 0x20;
    indexed.Step();
    EXPECT_EQ(indexed.m().ram[0x10], 0x42);

    // JSR pushes the address of its last byte; RTS returns past it.
    Rig call({{0x8000, {0x20, 0x00, 0x90}}, {0x9000, {0x60}}});
    call.Step();
    EXPECT_EQ(call.m().pc, 0x9000);
    EXPECT_EQ(call.Stack(1), 0x02);
    EXPECT_EQ(call.Stack(2), 0x80);
    call.Step();
    EXPECT_EQ(call.m().pc, 0x8003);
}

TEST(Cpu, ArithmeticIgnoresDecimalMode) {
    // SED; LDA #$09; CLC; ADC #$01; SEC; SBC #$20
    Rig rig({{0x8000, {0xF8, 0xA9, 0x09, 0x18, 0x69, 0x01, 0x38, 0xE9, 0x20}}});
    Machine& m = rig.m();
    rig.Step(4);
    EXPECT_EQ(m.a, 0x0A);
    EXPECT_EQ(m.p, 0x08);  // D kept, no flags from the sum
    rig.Step(2);
    EXPECT_EQ(m.a, 0xEA);
    EXPECT_EQ(m.p, 0x88);  // N, borrow (C clear)

    struct Case {
        uint8_t a, operand, carryIn;
        bool subtract;
        uint8_t result, flags;  // N V Z C of the result
    };
    const Case cases[] = {
        {0x50, 0x50, 0, false, 0xA0, 0xC0},  // signed overflow
        {0xFF, 0x01, 0, false, 0x00, 0x03},  // carry and zero
        {0x80, 0xFF, 0, false, 0x7F, 0x41},
        {0x50, 0xB0, 1, true, 0xA0, 0xC0},
        {0x00, 0x01, 1, true, 0xFF, 0x80},
        {0x05, 0x05, 1, true, 0x00, 0x03},
    };
    for (const Case& c : cases) {
        Rig alu({{0x8000, {static_cast<uint8_t>(c.subtract ? 0xE9 : 0x69), c.operand}}});
        alu.m().a = c.a;
        alu.m().p = c.carryIn;
        alu.Step();
        EXPECT_EQ(alu.m().a, c.result) << std::hex << int(c.a) << (c.subtract ? " - " : " + ") << int(c.operand);
        EXPECT_EQ(alu.m().p & 0xC3, c.flags) << std::hex << int(c.a) << (c.subtract ? " - " : " + ") << int(c.operand);
    }
}

TEST(Cpu, StatusByteKeepsBreakAndBitFiveAsStored) {
    // BRK with B clear pushes B clear, returns two bytes on, then sets B and I.
    Rig brk({{0x8000, {0x00, 0xFF}}});
    Machine& m = brk.m();
    m.p = 0x41;
    brk.Step();
    EXPECT_EQ(m.pc, kIrqHandler);
    EXPECT_EQ(brk.Stack(1), 0x41);
    EXPECT_EQ(brk.Stack(2), 0x02);
    EXPECT_EQ(brk.Stack(3), 0x80);
    EXPECT_EQ(m.p, 0x55);

    // PHP pushes B and bit 5 as stored; PLP loads all eight bits, including
    // N and Z together, which no result can produce.
    Rig php({{0x8000, {0x08, 0xA9, 0xFF, 0x48, 0x28, 0x08, 0xA9, 0x82, 0x48, 0x28}}});
    php.Step();
    EXPECT_EQ(php.Stack(1), 0x00);
    php.Step(3);
    EXPECT_EQ(php.m().p, 0xFF);
    php.Step();
    EXPECT_EQ(php.Stack(1), 0xFF);
    php.Step(3);
    EXPECT_EQ(php.m().p, 0x82);

    // RTI loads the status and the return address.
    Rig rti({{0x8000, {0x40, 0xEA}}});
    rti.m().s = 0xFC;
    rti.m().ram[0x1FD] = 0x3C;
    rti.m().ram[0x1FE] = 0x34;
    rti.m().ram[0x1FF] = 0x92;
    rti.Step();
    EXPECT_EQ(rti.m().p, 0x3C);
    EXPECT_EQ(rti.m().pc, 0x9234);
    EXPECT_EQ(rti.m().s, 0xFF);
}

TEST(Cpu, IrqWaitsForClearedInterruptFlag) {
    // SEI; NOP; NOP; CLI; NOP with the sound-frame interrupt due at cycle 4.
    Rig rig({{0x8000, {0x78, 0xEA, 0xEA, 0x58, 0xEA}}});
    Machine& m = rig.m();
    m.apuFrameMode = 0x00;
    m.apuFrameIrqTime = 4;
    rig.Step(3);
    EXPECT_EQ(m.pc, 0x8003);
    EXPECT_EQ(m.irqPending, 1);
    EXPECT_EQ(m.apuFrameIrqFlag, 1);
    EXPECT_EQ(m.apuFrameIrqTime, 4u + 29828);  // fired after the first NOP
    rig.Step();  // CLI, then the interrupt at once
    EXPECT_EQ(m.pc, kIrqHandler);
    EXPECT_EQ(m.irqPending, 0);
    EXPECT_EQ(m.cycles, 8u);  // no cycles for the entry
    EXPECT_EQ(rig.Stack(1), 0x00);  // I clear; B and bit 5 clear as stored
    EXPECT_EQ(rig.Stack(2), 0x04);
    EXPECT_EQ(rig.Stack(3), 0x80);
    EXPECT_EQ(m.p, 0x04);

    // Bit 7 of the frame mode raises the flag without an interrupt; bit 6
    // stops both.
    for (uint8_t mode : {0x80, 0x40}) {
        Rig quiet({{0x8000, {0xEA, 0xEA}}});
        quiet.m().apuFrameMode = mode;
        quiet.Step();
        EXPECT_EQ(quiet.m().irqPending, 0);
        EXPECT_EQ(quiet.m().apuFrameIrqFlag, mode == 0x80 ? 1 : 0);
    }
}

// Counts the board hooks and stops its timer when it fires.
struct TimerBoard : Mapper {
    using Mapper::Mapper;
    std::vector<uint32_t> firedAt;
    int framesEnded = 0;
    std::vector<uint16_t> reads;
    void IrqTimeReached() override {
        firedAt.push_back(console_.machine.cycles);
        console_.machine.boardIrqTime = 0;
    }
    void EndOfFrame() override { ++framesEnded; }
    uint8_t Read(uint16_t address) override {
        reads.push_back(address);
        return 0xEA;
    }
    void Write(uint16_t address, uint8_t value) override {
        if (address == 0x8000) sramEnabled = value;
        if (address == 0x8001) console_.machine.RunState = value;
    }
};

TimerBoard& InstallTimerBoard(Rig& rig) {
    auto board = std::make_unique<TimerBoard>(rig.console(), MapperConfig{});
    TimerBoard& ref = *board;
    rig.console().mapper = std::move(board);
    return ref;
}

TEST(Cpu, BoardTimerFiresOnceCyclesExceedItsTime) {
    struct Case {
        uint32_t start;
        bool fires;
    };
    // LDA $10 takes 3 cycles.
    for (const Case& c : {Case{997, false}, Case{998, true}}) {
        Rig rig({{0x8000, {0xA5, 0x10}}});
        TimerBoard& board = InstallTimerBoard(rig);
        rig.m().cycles = c.start;
        rig.m().boardIrqTime = 1000;
        rig.Step();
        EXPECT_EQ(board.firedAt.size(), c.fires ? 1u : 0u) << c.start;
        EXPECT_EQ(rig.m().pc, c.fires ? kIrqHandler : 0x8002);
    }

    // The same during a whole frame: NOP; JMP $8000 ends at 1000, then 1002.
    Rig rig({{0x8000, {0xEA, 0x4C, 0x00, 0x80}}, {kIrqHandler, {0x02}}});
    TimerBoard& board = InstallTimerBoard(rig);
    rig.m().boardIrqTime = 1000;
    rig.console().cpu.Run(RunMode::RunToFrameEnd);
    ASSERT_EQ(board.firedAt.size(), 1u);
    EXPECT_EQ(board.firedAt[0], 1002u);
    EXPECT_EQ(board.framesEnded, 1);
}

TEST(Cpu, TimedInterruptsDuringAFrame) {
    // NOP; JMP $8000 ends instructions at 2, 5, 7, 10 ... 1000, 1002; the
    // IRQ handler ends the frame.
    enum Source { kSoundFrame, kSampleChannel, kBoardTimer };
    for (Source source : {kSoundFrame, kSampleChannel, kBoardTimer}) {
        SCOPED_TRACE(source);
        Rig rig({{0x8000, {0xEA, 0x4C, 0x00, 0x80}}, {kIrqHandler, {0x02}}});
        TimerBoard& board = InstallTimerBoard(rig);
        Machine& m = rig.m();
        if (source == kSoundFrame) {
            m.apuFrameMode = 0;
            m.apuFrameIrqTime = 1000;
        }
        if (source == kSampleChannel) m.dmcIrqTime = 1000;
        if (source == kBoardTimer) m.boardIrqTime = 1000;
        rig.console().cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(m.pc, kIrqHandler + 1);
        EXPECT_EQ(m.irqPending, 0);
        if (source == kSoundFrame) {
            EXPECT_EQ(m.apuFrameIrqFlag, 1);
            EXPECT_EQ(m.apuFrameIrqTime, 1000u + 29828);
        }
        if (source == kSampleChannel) {
            EXPECT_EQ(m.dmcIrqFlag, 1);
        }
        if (source == kBoardTimer) {
            EXPECT_EQ(board.firedAt, std::vector<uint32_t>{1002});
        }
    }
}

TEST(Cpu, IdleLoopOpcodesEndTheFrame) {
    struct Case {
        std::vector<uint8_t> code;
        uint16_t pc;
        uint8_t a, x, y;
    };
    const Case cases[] = {
        {{0xA2, 0x05, 0x02}, 0x8003, 0x00, 0x05, 0x00},
        {{0x0F, 0x34, 0x92}, 0x9234, 0x00, 0x00, 0x00},
        {{0x12, 0x40}, 0x8002, 0x81, 0x00, 0x00},
        {{0x13, 0x40}, 0x8002, 0x00, 0x81, 0x00},
        {{0x14, 0x40}, 0x8002, 0x00, 0x00, 0x81},
    };
    for (const Case& c : cases) {
        Rig rig({{0x8000, c.code}});
        TimerBoard& board = InstallTimerBoard(rig);
        Machine& m = rig.m();
        m.ram[0x40] = 0x81;
        rig.console().cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(m.cycles, kFrameCycleBudget + 8);
        EXPECT_EQ(m.vblankFlag, 1u);
        EXPECT_EQ(m.frameStartPending, 1);
        EXPECT_EQ(board.framesEnded, 1);
        EXPECT_EQ(m.pc, c.pc);
        EXPECT_EQ(m.a, c.a);
        EXPECT_EQ(m.x, c.x);
        EXPECT_EQ(m.y, c.y);
        if ((c.a | c.x | c.y) == 0x81) {
            EXPECT_EQ(m.p, 0x80);  // N from the load
        }
    }
}

TEST(Cpu, RunsWithoutABoard) {
    Rig rig({{0x8000, {0xA9, 0x01, 0x8D, 0x00, 0x60, 0x02}}});
    rig.console().mapper.reset();
    rig.console().cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_EQ(rig.m().frameStartPending, 1);
    EXPECT_EQ(rig.m().pc, 0x8006);
}

TEST(Cpu, FrameEndsEightCyclesAfterVerticalBlank) {
    // A long loop of NOPs: vblank shows at the budget, the run returns 8 later.
    Rig rig({{0x8000, {0xEA, 0x4C, 0x00, 0x80}}});
    Machine& m = rig.m();
    m.cycles = kFrameCycleBudget - 2;
    m.pc = 0x8001;  // JMP: 3 cycles
    rig.Step();
    EXPECT_EQ(m.vblankFlag, 1u);
    EXPECT_EQ(m.frameStartPending, 0);
    m.vblankFlag = 0;
    rig.console().cpu.Run(RunMode::RunToFrameEnd);
    EXPECT_GE(m.cycles, kFrameCycleBudget + 8);
    EXPECT_LT(m.cycles, kFrameCycleBudget + 8 + 3);
    EXPECT_EQ(m.vblankFlag, 1u);
    EXPECT_EQ(m.frameStartPending, 1);

    // The next run starts a frame: cycles restart, the timestamps beyond the
    // frame move back by one frame.
    m.apuFrameIrqTime = kFrameCycleBudget + 100;
    m.dmcIrqTime = 50;
    m.boardIrqTime = kFrameCycleBudget + 200;
    m.pc = 0x8000;
    rig.Step();
    EXPECT_EQ(m.cycles, 2u);
    EXPECT_EQ(m.apuFrameIrqTime, 100u);
    EXPECT_EQ(m.dmcIrqTime, 50u);
    EXPECT_EQ(m.boardIrqTime, kFrameCycleBudget + 200);
}

TEST(Cpu, NmiStartsWithTheThirdFrameAfterReset) {
    // LDA #$80; STA $2000; loop: JMP loop. The NMI handler counts in $10.
    Rig rig({{0x8000, {0xA9, 0x80, 0x8D, 0x00, 0x20, 0x4C, 0x05, 0x80}},
             {kNmiHandler, {0xE6, 0x10, 0x40}}});
    Machine& m = rig.m();
    rig.console().SoftReset();
    const uint8_t expected[] = {0, 0, 1, 2};
    for (uint8_t count : expected) {
        rig.console().cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(m.ram[0x10], count);
    }
    EXPECT_EQ(m.s, 0xFF);  // every NMI returned
}

TEST(Cpu, UnrecognisedOpcode) {
    // With the option: $07 skips three bytes ($07 & 3 == 3), $02-like ones one.
    Rig allowed({{0x8000, {0x07, 0xA9, 0x11, 0x42}}});
    allowed.m().allowUndocumentedOpcodes = 1;
    allowed.Step();
    EXPECT_EQ(allowed.m().pc, 0x8003);
    EXPECT_EQ(allowed.m().cycles, 0u);
    allowed.m().pc = 0x8000;
    allowed.f.console.machine.prgWindow[0][0] = 0x92;
    allowed.Step();
    EXPECT_EQ(allowed.m().pc, 0x8001);

    // Without it: the message, two cycles, paused, whatever the run mode.
    Rig refused({{0x8000, {0x07, 0xA9, 0x11}}});
    Machine& m = refused.m();
    m.RunState = 1;
    refused.console().cpu.Run(RunMode::RunToFrameEnd);
    ASSERT_EQ(refused.f.host.messages.size(), 1u);
    EXPECT_EQ(refused.f.host.messages[0].text, "Unknown opcode 07 at 8000");
    EXPECT_EQ(refused.f.host.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(m.RunState, 0u);
    EXPECT_EQ(m.cycles, 2u);
    EXPECT_EQ(m.pc, 0x8001);
    EXPECT_EQ(m.frameStartPending, 0);
}

TEST(Cpu, RunWhileRunningStopsWhenPaused) {
    // LDA #0; STA $8001 (the board pauses); NOP...
    Rig rig({{0x8000, {0xA9, 0x00, 0x8D, 0x01, 0x80}}});
    InstallTimerBoard(rig);
    Machine& m = rig.m();
    m.RunState = 1;
    rig.console().cpu.Run(RunMode::RunWhileRunning);
    EXPECT_EQ(m.pc, 0x8005);
    EXPECT_EQ(m.cycles, 6u);

    // Paused on entry: still one instruction.
    rig.console().cpu.Run(RunMode::RunWhileRunning);
    EXPECT_EQ(m.pc, 0x8006);
}

TEST(Cpu, OperandFetchContinuesAcrossWindows) {
    struct Case {
        uint16_t pc;
        uint8_t expectedA;
    };
    // LDA # at the last byte of each region; the operand comes from the next.
    Rig rig({{0x9FFF, {0xA9, 0x42}}, {0xFFFF, {0xA9}}}, true);
    Machine& m = rig.m();
    m.ram[0x000] = 0x55;
    m.ram[0x7FF] = 0xA9;
    m.sram[0x1FFF] = 0xA9;
    rig.f.console.machine.prgWindow[0][0] = 0x66;
    for (const Case& c : {Case{0x9FFF, 0x42}, Case{0xFFFF, 0x55}, Case{0x07FF, 0x55}, Case{0x1FFF, 0x55},
                          Case{0x7FFF, 0x66}}) {
        m.pc = c.pc;
        m.a = 0;
        rig.Step();
        EXPECT_EQ(m.a, c.expectedA) << std::hex << c.pc;
        EXPECT_EQ(m.pc, static_cast<uint16_t>(c.pc + 2)) << std::hex << c.pc;
    }
}

TEST(Cpu, FetchOutsideMemoryGoesThroughTheBus) {
    // Even a one-byte instruction reads its opcode and a whole operand word.
    Rig rig({});
    TimerBoard& board = InstallTimerBoard(rig);
    rig.m().pc = 0x5000;
    rig.Step();
    EXPECT_EQ(board.reads, (std::vector<uint16_t>{0x5000, 0x5001, 0x5002}));
    EXPECT_EQ(rig.m().pc, 0x5001);
}

TEST(Cpu, DataAccessesFollowTheBoardAndTheDma) {
    // STA $8000 (the board enables cartridge RAM); STA $6000; LDA $6000.
    Rig rig({{0x8000, {0xA9, 0x01, 0x8D, 0x00, 0x80, 0xA9, 0x37, 0x8D, 0x00, 0x60, 0xAD, 0x00, 0x60}}});
    InstallTimerBoard(rig);
    Machine& m = rig.m();
    rig.Step(4);
    EXPECT_EQ(m.sram[0], 0x37);
    m.sram[0] = 0x38;
    rig.Step();
    EXPECT_EQ(m.a, 0x38);

    // STA $4014 charges the DMA's 512 cycles on top of its own 4.
    Rig dma({{0x8000, {0x8D, 0x14, 0x40}}});
    dma.Step();
    EXPECT_EQ(dma.m().cycles, 516u);
}

TEST(Cpu, BoardWritesSeePcAtTheFirstOperandByte) {
    struct PcBoard : Mapper {
        using Mapper::Mapper;
        std::vector<uint16_t> pcs;
        void Write(uint16_t, uint8_t) override { pcs.push_back(console_.machine.pc); }
    };
    // STA $8000 at $8002; STA $C000,X at $8005.
    Rig rig({{0x8002, {0x8D, 0x00, 0x80, 0x9D, 0x00, 0xC0}}});
    rig.m().pc = 0x8002;
    auto board = std::make_unique<PcBoard>(rig.console(), MapperConfig{});
    PcBoard* b = board.get();
    rig.console().mapper = std::move(board);
    rig.Step(2);
    EXPECT_EQ(b->pcs, (std::vector<uint16_t>{0x8003, 0x8006}));
    EXPECT_EQ(rig.m().pc, 0x8008);
}

TEST(Disassembler, DebugConsoleTexts) {
    struct Case {
        uint16_t address;
        std::vector<uint8_t> bytes;
        const char* data;
        const char* op;
    };
    const Case cases[] = {
        {0xC000, {0xD0, 0xFE}, "C000  D0FE", "BNE\tC000"},
        {0xC000, {0x10, 0x10}, "C000  1010", "BPL\tC012"},
        {0x8000, {0xA9, 0x10}, "8000  A910", "LDA\t#10"},
        {0x8000, {0xBD, 0x34, 0x12}, "8000  BD3412", "LDA\t1234,X"},
        {0x8000, {0x6C, 0xFF, 0x02}, "8000  6CFF02", "JMP\t(02FF)"},
        {0x8000, {0xB1, 0x20}, "8000  B120", "LDA\t(20),Y"},
        {0x8000, {0x0A}, "8000  0A", "ASL\tA"},
        {0x8000, {0x18}, "8000  18", "CLC"},
        {0x8000, {0x00, 0x44}, "8000  0044", "BRK\t#44"},
        {0x8000, {0x14, 0x44}, "8000  1444", "SKB\t#44"},
        {0x8000, {0x0C, 0x34, 0x12}, "8000  0C3412", "SKW\t#1234"},
        {0x8000, {0x04}, "8000  04", "(Unknown)"},
        {0x8000, {0xDA}, "8000  DA", "NOP"},
    };
    for (const Case& c : cases) {
        Disassembly d = DisassembleBytes(c.address, c.bytes.data());
        EXPECT_EQ(d.data, c.data);
        EXPECT_EQ(d.op, c.op);
        EXPECT_EQ(d.next, c.address + c.bytes.size());
    }
}

TEST(Disassembler, TraceLineReadsWithoutSideEffects) {
    Rig rig({{0x8000, {0xAD, 0x02, 0x20, 0x1A}}});
    rig.m().vblankFlag = 1;
    EXPECT_EQ(TraceLine(rig.console(), 7),
              "8000  AD 02 20  LDA $2002 = 00                  A:00 X:00 Y:00 P:00 SP:FF CYC:7");
    EXPECT_EQ(rig.m().vblankFlag, 1u);
    rig.m().pc = 0x8003;
    EXPECT_EQ(TraceLine(rig.console(), 9).substr(0, 20), "8003  1A       *NOP ");  // outside the official set
}

}  // namespace
}  // namespace korvanta
