// The bundled demo (asm/demo.s) run headless: official opcodes only, a
// picture that changes every frame, and a palette split at line 120 below
// which the scroll carries on as above it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "core/console.h"
#include "media/loader.h"
#include "platform/headless/headless_host.h"
#include "ppu/ppu_timing.h"
#include "test_support.h"
#include "video/frame_views.h"

namespace korvanta::test {
namespace {

struct DemoConsole {
    HeadlessHost host;
    Console console{host};

    DemoConsole() {
        EXPECT_TRUE(OpenGame(console, BuildRom("demo.nes"), LoadOptions{}));
        console.machine.RunState = 1;
    }
    void Frame() {
        console.ppu.BeginDrawnFrame();
        console.cpu.Run(RunMode::RunWhileRunning);
        console.ppu.EndDrawnFrame();
    }
    const uint8_t* Line(int line) const { return &console.ppu.frameBuffer[line * 256]; }
};

// The demo sets up for a few frames before rendering is on.
constexpr int kSetUpFrames = 5;

TEST(Demo, RunsWithoutErrorsAndChangesEveryFrame) {
    DemoConsole d;
    for (int i = 0; i < kSetUpFrames; ++i) d.Frame();
    uint64_t previous = FrameBufferHash(d.console.ppu);
    for (int frame = 0; frame < 600; ++frame) {
        d.Frame();
        ASSERT_EQ(d.console.machine.RunState, 1) << "frame " << frame;
        uint64_t hash = FrameBufferHash(d.console.ppu);
        ASSERT_NE(hash, previous) << "frame " << frame;
        previous = hash;
    }
    EXPECT_TRUE(d.host.messages.empty()) << d.host.messages.front().text;
}

// Every frame over a whole turn of the 512-pixel field: one palette set from
// line 120, and the rows below the split where the scroll puts them.
TEST(Demo, PaletteSplitKeepsTheScroll) {
    DemoConsole d;
    for (int i = 0; i < kSetUpFrames; ++i) d.Frame();
    const Ppu& ppu = d.console.ppu;
    int titlePixels = 0;
    for (int frame = 0; frame < 520; ++frame) {
        d.Frame();
        SCOPED_TRACE(frame);
        ASSERT_EQ(ppu.paletteSetCount, 1);
        EXPECT_EQ(ScanlineOf(ppu.paletteSetStart[1]), 120);
        EXPECT_EQ(ppu.palette[0][0], 0x01);  // night sky above
        EXPECT_EQ(ppu.palette[1][0], 0x09);  // dark green below
        EXPECT_EQ(ppu.palette[1][1], 0x10);  // grey bricks below

        // The horizon (colour 3 of palette 3) hides sprite 0 on lines 119-126.
        for (int line = 119; line <= 126; ++line)
            ASSERT_TRUE(std::all_of(d.Line(line), d.Line(line) + 256, [](uint8_t v) { return v == 15; }))
                << "line " << line;
        // The next row of tiles starts with a full line of mortar; the line
        // after it repeats the top bricks' second line, so scroll Y and fine X
        // are the same on both sides of the split.
        ASSERT_TRUE(std::all_of(d.Line(127), d.Line(127) + 256, [](uint8_t v) { return v == 2; }));
        ASSERT_TRUE(std::equal(d.Line(8), d.Line(8) + 256, d.Line(128)));
        ASSERT_EQ(std::count(d.Line(128), d.Line(128) + 256, 2), 32);

        // Line 178 crosses the lower titles, name table 0 columns 3-10 and
        // name table 1 columns 15-22: their pixels (palette 1, colours 1-2)
        // must lie where the field's coarse X and name table put them.
        int scroll = (ppu.nameTableLatch & 1) * 256 + ppu.scrollXLatch;
        for (int x = 0; x < 256; ++x) {
            uint8_t v = d.Line(178)[x];
            if (v != 5 && v != 6) continue;
            int field = (scroll + x) % 512;
            bool inTitle = (field >= 3 * 8 && field < 11 * 8) || (field >= 256 + 15 * 8 && field < 256 + 23 * 8);
            ASSERT_TRUE(inTitle) << "x " << x << " field " << field;
            ++titlePixels;
        }
    }
    EXPECT_GT(titlePixels, 0);
}

}  // namespace
}  // namespace korvanta::test
