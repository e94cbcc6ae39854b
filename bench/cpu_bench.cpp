// Emulated CPU cycles per second for a long instruction mix: a loop in ROM
// that reads and writes RAM, reads ROM tables, branches and calls a routine
// that runs from RAM. One benchmark iteration is one frame.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "core/console.h"
#include "platform/headless/headless_host.h"
#include "../tests/test_support.h"

namespace korvanta {
namespace {

const std::vector<uint8_t> kRomLoop = {
    0xA2, 0x00,        // $8000 LDX #$00
    0xBD, 0x00, 0x02,  // $8002 LDA $0200,X
    0x18,              //       CLC
    0x69, 0x03,        //       ADC #$03
    0x9D, 0x00, 0x02,  //       STA $0200,X
    0x45, 0x10,        //       EOR $10
    0x85, 0x10,        //       STA $10
    0xA4, 0x11,        //       LDY $11
    0xC8,              //       INY
    0x84, 0x11,        //       STY $11
    0xB1, 0x20,        //       LDA ($20),Y
    0x29, 0x7F,        //       AND #$7F
    0x1D, 0x00, 0x90,  //       ORA $9000,X
    0xC9, 0x40,        //       CMP #$40
    0x90, 0x02,        //       BCC +2
    0xE9, 0x10,        //       SBC #$10
    0x0A,              //       ASL A
    0x26, 0x12,        //       ROL $12
    0x46, 0x13,        //       LSR $13
    0x20, 0x00, 0x06,  //       JSR $0600
    0xE8,              //       INX
    0xD0, 0xD6,        //       BNE $8002
    0x4C, 0x00, 0x80,  //       JMP $8000
};

const std::vector<uint8_t> kRamRoutine = {
    0x48,        // $0600 PHA
    0xA5, 0x14,  //       LDA $14
    0x38,        //       SEC
    0xE9, 0x01,  //       SBC #$01
    0x85, 0x14,  //       STA $14
    0x24, 0x15,  //       BIT $15
    0x68,        //       PLA
    0xC6, 0x16,  //       DEC $16
    0x60,        //       RTS
};

void BM_CpuInstructionMix(benchmark::State& state) {
    test::FlatConsole f(test::ProgramAt8000(kRomLoop));
    Machine& m = f.m();
    std::copy(kRamRoutine.begin(), kRamRoutine.end(), m.ram.begin() + 0x600);
    m.ram[0x20] = 0x00;
    m.ram[0x21] = 0x03;
    f.console.SoftReset();
    uint64_t cycles = 0;
    for (auto _ : state) {
        f.console.cpu.Run(RunMode::RunToFrameEnd);
        cycles += m.cycles;
    }
    benchmark::DoNotOptimize(m.a);
    state.counters["emulated_cycles"] = benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CpuInstructionMix);

}  // namespace
}  // namespace korvanta
