// Programs written by others (../shared/roms) on the MMC1 and MMC3 boards:
// they run headless for a number of frames and the test reads what they
// leave in memory or in the name tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mapper_fixture.h"
#include "test_support.h"

namespace korvanta::test {
namespace {

bool LoadShared(BoardConsole& b, const std::string& relative) {
    std::vector<uint8_t> file = ReadFileBytes(SharedRom(relative));
    return !file.empty() && b.Load(file);
}

void RunFrames(BoardConsole& b, int frames) {
    b.m().RunState = 1;
    for (int i = 0; i < frames && b.m().RunState == 1; ++i) {
        b.ppu().BeginDrawnFrame();
        b.console.cpu.Run(RunMode::RunWhileRunning);
        b.ppu().EndDrawnFrame();
    }
}

// The text shell of the instruction tests: $6000 status, DE B0 61 at
// $6001, NUL-terminated text from $6004.
std::string ShellText(BoardConsole& b) {
    std::string text;
    for (uint16_t a = 0x6004; a < 0x7000; ++a) {
        uint8_t c = b.console.PeekByte(a);
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

#define SKIP_WITHOUT_SHARED_ROMS()                                                  \
    if (!std::filesystem::exists(SharedRom("")))                                    \
    GTEST_SKIP() << "../shared/roms is missing"

TEST(RomPrograms, InstrTestOfficialOnlyOnMmc1) {
    SKIP_WITHOUT_SHARED_ROMS();
    BoardConsole b;
    ASSERT_TRUE(LoadShared(b, "cpu/instr_test-v5/official_only.nes"));
    int frames = 0;
    for (; frames < 4000; frames += 60) {
        RunFrames(b, 60);
        if (b.m().RunState != 1) break;
        bool signature = b.console.PeekByte(0x6001) == 0xDE && b.console.PeekByte(0x6002) == 0xB0 &&
                         b.console.PeekByte(0x6003) == 0x61;
        if (signature && b.console.PeekByte(0x6000) < 0x80) break;
    }
    std::string text = ShellText(b);
    std::printf("official_only after %d frames: status %02X\n%s\n", frames, b.console.PeekByte(0x6000),
                text.c_str());
    EXPECT_EQ(b.console.PeekByte(0x6000), 0);
}

}  // namespace
}  // namespace korvanta::test

#include "media/png_writer.h"
#include "video/master_palette.h"
namespace korvanta::test {
TEST(RomProgramsScratch, HelloMmc3Picture) {
    BoardConsole b;
    const char* game = std::getenv("SCRATCH_ROM");
    ASSERT_TRUE(LoadShared(b, game ? game : "programs/hello_mmc3.nes"));
    RunFrames(b, 120);
    std::vector<uint32_t> px(256 * 240);
    for (int i = 0; i < 256 * 240; ++i) {
        uint8_t v = b.ppu().frameBuffer[i];
        px[i] = BasePalette()[b.ppu().palette[0][v & 31] & 63];
    }
    WritePngFile("/tmp/mmc_hello.png", 256, 240, px);
    {
        std::vector<uint32_t> big(512 * 480);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 512; ++x) big[y * 512 + x] = px[(y / 2) * 256 + x / 2];
        for (int line : {47, 143})
            for (int x = 0; x < 12; ++x) big[(2 * line) * 512 + x] = 0xFF0000;
        WritePngFile("/tmp/mmc_hello2x.png", 512, 480, big);
    }
    // One more frame, stepped: when do windows, scroll and the target change?
    b.ppu().BeginDrawnFrame();
    uint32_t lastIrq = b.m().boardIrqTime;
    auto chr = b.ppu().chrWindow;
    int sy = b.ppu().renderScrollY, sx = b.ppu().renderScrollX, nt = b.ppu().renderNameTable;
    for (int i = 0; i < 40000; ++i) {
        uint32_t before = b.m().cycles;
        b.console.cpu.Run(RunMode::SingleStep);
        uint32_t c = b.m().cycles;
        int line = (256 * (int64_t)c - 611519) / 29119;
        if (b.m().boardIrqTime != lastIrq) { std::printf("cyc %u line %d irqTime %u pc %04X\n", c, line, b.m().boardIrqTime, b.m().pc); lastIrq = b.m().boardIrqTime; }
        if (b.ppu().chrWindow != chr) { std::printf("cyc %u line %d CHR change\n", c, line); chr = b.ppu().chrWindow; }
        if (b.ppu().renderScrollY != sy || b.ppu().renderScrollX != sx || b.ppu().renderNameTable != nt) {
            sy = b.ppu().renderScrollY; sx = b.ppu().renderScrollX; nt = b.ppu().renderNameTable;
            std::printf("cyc %u line %d scroll x %d y %d nt %d\n", c, line, sx, sy, nt);
        }
        if (i > 0 && c < before) break;
    }
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 32; ++col) std::printf("%02X", b.ppu().nameTable[0][row * 32 + col]);
        std::printf("\n");
    }
    std::printf("sram %d boardIrq %u mirroring %d\n", b.console.mapper->sramEnabled, b.m().boardIrqTime, b.ppu().mirroring);
}
}  // namespace korvanta::test
