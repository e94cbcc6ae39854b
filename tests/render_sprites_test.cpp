// Sprites: the sixteen routines (size x priority x flip), clipping at the
// right and bottom edges, priority between sprites, no per-line limit, and
// the board's tile lookups. Expected frames come from a pixel-by-pixel model
// of the drawing rules over the fixture's background.
#include <gtest/gtest.h>

#include "ppu_fixture.h"

namespace korvanta {
namespace {

using test::ExpectedBackground;
using test::Half;
using test::PpuRig;

struct Placed {
    int y, x, tile, attribute;
};

void PlaceSprites(PpuRig& rig, const std::vector<Placed>& list) {
    rig.Write(0x2003, 0);
    for (int i = 0; i < 64; ++i) {
        Placed s = i < static_cast<int>(list.size()) ? list[i] : Placed{0xF8, 0, 0, 0};
        for (int v : {s.y, s.tile, s.attribute, s.x}) rig.Write(0x2004, static_cast<uint8_t>(v));
    }
}

// The frame the rules give: background from the model (or 0 when off),
// then each sprite in order; `claimed` stands for an earlier sprite there.
std::vector<uint8_t> ModelFrame(const std::vector<Placed>& list, bool tall, int spriteHalf, bool background,
                                int mode, int sx, int sy) {
    std::vector<uint8_t> frame(256 * 240);
    std::vector<bool> claimed(256 * 240);
    for (int line = 0; line < 240; ++line)
        for (int x = 0; x < 256; ++x)
            frame[line * 256 + x] = background ? ExpectedBackground(mode, 0, sx, sy, Half(0), line, x) : 0;
    int height = tall ? 16 : 8;
    for (const Placed& s : list) {
        bool flipH = s.attribute & 0x40, flipV = s.attribute & 0x80, behind = s.attribute & 0x20;
        int width = s.x > 248 ? 256 - s.x : 8;
        for (int r = 0; r < height; ++r) {
            int line = s.y + r;
            if (line >= 240) break;
            int patternRow = flipV ? height - 1 - r : r;
            int number = tall ? (s.tile & 0xFE) + 256 * (s.tile & 1) + patternRow / 8 : spriteHalf * 256 + s.tile;
            for (int j = 0; j < width; ++j) {
                int value = test::PatternOf(number / 64, number % 64, j, patternRow % 8);
                if (!value) continue;
                int x = flipH ? s.x + width - 1 - j : s.x + j;
                uint8_t colour = static_cast<uint8_t>(16 + (s.attribute & 3) * 4 + value);
                size_t at = static_cast<size_t>(line) * 256 + x;
                if (claimed[at]) continue;
                if (!behind || (frame[at] & 3) == 0) frame[at] = colour;
                claimed[at] = true;
            }
        }
    }
    return frame;
}

void ExpectFrame(PpuRig& rig, const std::vector<uint8_t>& expected, const std::string& what) {
    for (int i = 0; i < 256 * 240; ++i)
        if (rig.ppu().frameBuffer[i] != expected[i]) {
            ADD_FAILURE() << what << ": line " << i / 256 << " x " << i % 256 << " got "
                          << int(rig.ppu().frameBuffer[i]) << " want " << int(expected[i]);
            return;
        }
}

TEST(RenderSprites, EveryRoutineDrawsByTheRules) {
    for (int tall = 0; tall < 2; ++tall)
        for (int behind = 0; behind < 2; ++behind)
            for (int flip = 0; flip < 4; ++flip) {
                int attribute = (behind ? 0x20 : 0) | flip << 6 | 2;
                // The sprite under test, overlapped by a front and a behind
                // sprite, clipped at the right edge and at the bottom, and
                // split across two drawing batches.
                std::vector<Placed> list = {
                    {50, 40, 0x35, attribute},
                    {54, 44, 0x62, 0x01},
                    {52, 36, 0x17, 0x23 ^ (flip << 6)},
                    {100, 252, 0x4B, attribute},
                    {tall ? 236 : 235, 120, 0x9C, attribute},
                    {0, 0, 0xE1, attribute},
                };
                PpuRig rig;
                rig.FillNameTables(1);
                rig.Write(0x2000, static_cast<uint8_t>(tall ? 0x20 : 0x08));
                rig.Write(0x2001, 0x1E);
                PlaceSprites(rig, list);
                rig.m().cycles = 0;
                rig.ppu().BeginDrawnFrame();
                rig.AtLine(54);
                rig.ppu().RenderCatchUp(true);
                rig.m().cycles = kFrameCycleBudget;
                rig.ppu().EndDrawnFrame();
                std::string what = "tall " + std::to_string(tall) + " behind " + std::to_string(behind) +
                                   " flip " + std::to_string(flip);
                ExpectFrame(rig, ModelFrame(list, tall, 1, true, 1, 0, 0), what);
            }
}

TEST(RenderSprites, EdgeClippingKeepsTheDrawnPart) {
    // X = 252 shows four columns; flipped, they are pattern columns 0-3
    // mirrored. Y = 236 in 8x16 shows four rows.
    PpuRig rig;
    uint8_t* tile = &rig.raw[0x20 * 16];  // page 0 tile 0x20: one opaque pixel per row at column r
    for (int r = 0; r < 8; ++r) tile[r] = static_cast<uint8_t>(0x80 >> r), tile[r + 8] = 0;
    DecodeChrPage(&rig.raw[0], &rig.decoded[0]);
    rig.Write(0x2001, 0x10);
    PlaceSprites(rig, {{10, 252, 0x20, 0x40}, {20, 252, 0x20, 0x00}});
    rig.DrawFrame();
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(rig.Pixel(10 + r, 252 + c), r == 3 - c ? 17 : 0) << "flipped row " << r << " col " << c;
            EXPECT_EQ(rig.Pixel(20 + r, 252 + c), r == c ? 17 : 0) << "row " << r << " col " << c;
        }

    PpuRig tallRig;
    tallRig.Write(0x2000, 0x20);
    tallRig.Write(0x2001, 0x10);
    PlaceSprites(tallRig, {{236, 100, 0x41, 0}});
    tallRig.DrawFrame();
    ExpectFrame(tallRig, ModelFrame({{236, 100, 0x41, 0}}, true, 0, false, 0, 0, 0), "8x16 at Y 236");
}

TEST(RenderSprites, LowerNumbersWinAndABehindSpriteHidesLaterOnes) {
    // Page 0 tile 0x30 all value 1, tile 0x31 all value 2, tile 0x32 with
    // value 3 (opaque background tile).
    PpuRig rig;
    for (int r = 0; r < 8; ++r) {
        rig.raw[0x30 * 16 + r] = 0xFF, rig.raw[0x30 * 16 + 8 + r] = 0x00;
        rig.raw[0x31 * 16 + r] = 0x00, rig.raw[0x31 * 16 + 8 + r] = 0xFF;
        rig.raw[0x32 * 16 + r] = 0xFF, rig.raw[0x32 * 16 + 8 + r] = 0xFF;
    }
    DecodeChrPage(&rig.raw[0], &rig.decoded[0]);
    rig.m().cycles = 0;
    rig.SetAddress(0x2000);
    for (int i = 0; i < 960; ++i) rig.Write(0x2007, i / 32 < 15 ? 0x00 : 0x32);  // top half tile 0, bottom opaque
    for (int r = 0; r < 8; ++r) rig.raw[r] = 0, rig.raw[8 + r] = 0;  // tile 0 transparent
    DecodeChrPage(&rig.raw[0], &rig.decoded[0]);
    rig.Write(0x2001, 0x1E);
    PlaceSprites(rig, {
                          {20, 10, 0x30, 0x20},   // 0: behind, over transparent background
                          {20, 14, 0x31, 0x00},   // 1: front, overlaps 0 at x 14-17
                          {20, 16, 0x30, 0x01},   // 2: front, under 1 at x 16-21
                          {160, 10, 0x30, 0x20},  // 3: behind, over the opaque half
                          {160, 14, 0x31, 0x00},  // 4: front, hidden where 3 is opaque
                      });
    rig.DrawFrame();
    int line = 21, low = 160 + 1;
    EXPECT_EQ(rig.Pixel(line, 10), 17);  // behind sprite shows through transparency
    EXPECT_EQ(rig.Pixel(line, 15), 17);  // ... and hides the later front sprite
    EXPECT_EQ(rig.Pixel(line, 19), 18);  // sprite 1 over sprite 2
    EXPECT_EQ(rig.Pixel(line, 23), 21);  // sprite 2 alone (palette 1)
    EXPECT_EQ(rig.Pixel(low, 10), 3);    // opaque background over the behind sprite
    EXPECT_EQ(rig.Pixel(low, 15), 3);    // the front sprite stays hidden under it
    EXPECT_EQ(rig.Pixel(low, 19), 18);   // beyond sprite 3 the front sprite shows
}

TEST(RenderSprites, NineSpritesOnOneLineAreAllDrawn) {
    PpuRig rig;
    rig.Write(0x2001, 0x10);
    std::vector<Placed> list;
    for (int i = 0; i < 9; ++i) list.push_back({30, 20 * i, 0x40 + i, i & 3});
    PlaceSprites(rig, list);
    rig.DrawFrame();
    ExpectFrame(rig, ModelFrame(list, false, 0, false, 0, 0, 0), "nine sprites");
    for (int i = 0; i < 9; ++i) {
        bool any = false;
        for (int x = 20 * i; x < 20 * i + 8; ++x) any = any || rig.Pixel(32, x) != 0 || rig.Pixel(33, x) != 0;
        EXPECT_TRUE(any) << i;
    }
}

TEST(RenderSprites, BoardTileLookupsForSprites) {
    // Mode 1: the board supplies the pattern; 8x16 passes the number with
    // the table bit moved up (0-511).
    PpuRig rig;
    rig.board->renderMode = 1;
    static const std::array<uint8_t, 128> solid = [] {
        std::array<uint8_t, 128> t{};
        t.fill(2);
        return t;
    }();
    rig.board->overrideTile = [](int half, int, int) -> const uint8_t* {
        return half == 1 ? solid.data() : nullptr;
    };
    rig.Write(0x2000, 0x20);
    rig.Write(0x2001, 0x10);
    PlaceSprites(rig, {{40, 40, 0x13, 0}});
    rig.ppu().spriteExtension[0] = 0xFD;
    rig.DrawFrame();
    ASSERT_FALSE(rig.board->overrides.empty());
    EXPECT_EQ(rig.board->overrides[0], (std::array<int, 3>{1, 0x112, 0xFD}));
    for (int r = 0; r < 16; ++r) EXPECT_EQ(rig.Pixel(40 + r, 43), 18) << r;

    // Mode 2: a message per change of the sprite's extension value.
    PpuRig latch;
    latch.board->renderMode = 2;
    latch.board->onMessage = [&latch](uint32_t code, intptr_t value) {
        if (code == 11)
            for (int w = 0; w < 4; ++w) latch.MapWindow(w, static_cast<int>(value) + w);
    };
    latch.Write(0x2001, 0x10);
    std::vector<Placed> list = {{30, 0, 0x05, 0}, {30, 20, 0x05, 0}, {30, 40, 0x05, 0}};
    PlaceSprites(latch, list);
    latch.ppu().spriteExtension[0] = 8;
    latch.ppu().spriteExtension[1] = 8;
    latch.ppu().spriteExtension[2] = 12;
    latch.board->messages.clear();
    latch.DrawFrame();
    std::vector<intptr_t> sent;
    for (const auto& [code, value] : latch.board->messages)
        if (code == 11) sent.push_back(value);
    EXPECT_EQ(sent, (std::vector<intptr_t>{8, 12}));
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j) {
            int v8 = test::PatternOf(8, 5, j, r), v12 = test::PatternOf(12, 5, j, r);
            EXPECT_EQ(latch.Pixel(30 + r, 20 + j), v8 ? 16 + v8 : 0);
            EXPECT_EQ(latch.Pixel(30 + r, 40 + j), v12 ? 16 + v12 : 0);
        }
}

}  // namespace
}  // namespace korvanta
