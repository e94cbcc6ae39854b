// The portable Display: colours, palette-set marking, the overlay font and
// the on-screen message.
#include <gtest/gtest.h>

#include "ppu_fixture.h"
#include "video/display.h"
#include "video/overlay_font.h"

namespace korvanta {
namespace {

using test::PpuRig;

TEST(VideoColours, BaseTableAndRemapping) {
    const MasterPalette& base = BasePalette();
    EXPECT_EQ(base[0x00], 0x808080u);
    EXPECT_EQ(base[0x01], 0x0020A0u);
    EXPECT_EQ(base[0x21], 0x80A0FFu);
    EXPECT_EQ(base[0x2D], 0x606060u);
    EXPECT_EQ(base[0x30], 0xFFFFFFu);
    EXPECT_EQ(base[0x3C], 0x80E0FFu);
    EXPECT_EQ(base[0x3F], 0x000000u);
    std::array<uint8_t, 64> mapping{};
    for (int i = 0; i < 64; ++i) mapping[i] = static_cast<uint8_t>(63 - i);
    MasterPalette remapped = RemappedPalette(mapping);
    EXPECT_EQ(remapped[0x0F], base[0x30]);
    mapping.fill(0xC1);  // colour numbers keep six bits
    EXPECT_EQ(RemappedPalette(mapping)[5], base[1]);
}

TEST(VideoColours, TableHas32EntriesPerSetThenTheOverlayColours) {
    PpuRig rig;
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 32; ++i) rig.ppu().palette[k][i] = static_cast<uint8_t>(0xC0 | (k * 16 + i));
    for (int count = 0; count <= 3; ++count) {
        rig.ppu().paletteSetCount = count;
        ColourTable table = BuildColourTable(rig.ppu(), BasePalette());
        ASSERT_EQ(table.size, 32 * (count + 1) + 4);
        for (int k = 0; k <= count; ++k)
            for (int i = 0; i < 32; ++i) EXPECT_EQ(table.colours[32 * k + i], BasePalette()[(k * 16 + i) & 0x3F]);
        for (int o = 0; o < 4; ++o) EXPECT_EQ(table.colours[32 * (count + 1) + o], kOverlayColours[o]);
        // A value marked for a set the table lacks shows set 0's colour.
        uint8_t beyond = static_cast<uint8_t>(table.size + 3);
        EXPECT_EQ(table.ColourOf(beyond), table.colours[beyond & 31]);
    }
}

TEST(VideoPresent, LinesAfterAMidFramePaletteChangeUseTheSecondSet) {
    PpuRig rig;
    rig.FillNameTables(1);
    rig.Write(0x2001, 0x0A);
    rig.SetAddress(0x3F00);
    for (int i = 0; i < 32; ++i) rig.Write(0x2007, static_cast<uint8_t>(i));
    rig.m().cycles = 0;
    rig.ppu().BeginDrawnFrame();
    rig.AtLine(100);
    rig.SetAddress(0x3F01);
    rig.Write(0x2007, 0x30);
    rig.SetAddress(0x2000);  // games restore the scroll after palette writes
    rig.m().cycles = kFrameCycleBudget;
    rig.ppu().EndDrawnFrame();
    auto before = rig.ppu().frameBuffer;

    Display display;
    display.Present(rig.ppu());
    for (int line = 0; line < 240; ++line)
        for (int x = 0; x < 256; ++x) {
            uint8_t raw = before[line * 256 + x];
            ASSERT_EQ(rig.Pixel(line, x), line < 100 ? raw : raw | 32) << line << " " << x;
        }
    auto marked = rig.ppu().frameBuffer;
    display.Present(rig.ppu(), false);  // a repaint marks the same bytes again
    EXPECT_EQ(rig.ppu().frameBuffer, marked);

    std::vector<uint32_t> rgb(256 * 224);
    display.ConvertPicture(rig.ppu(), rgb.data());
    for (int line = 8; line < 232; ++line)
        for (int x = 0; x < 256; ++x) {
            uint8_t raw = before[line * 256 + x];
            int set = line < 100 ? 0 : 1;
            uint8_t colourNumber = rig.ppu().palette[set][raw];
            ASSERT_EQ(rgb[(line - 8) * 256 + x], BasePalette()[colourNumber & 0x3F]) << line << " " << x;
        }
    // Entry 1 differs between the sets, so some pixels below line 100 and
    // above it must show the two colours.
    EXPECT_EQ(rig.ppu().palette[1][1], 0x30);
    EXPECT_EQ(rig.ppu().palette[0][1], 0x01);
}

TEST(VideoFont, GlyphsHaveLettersWithABlackEdgeAndNothingFrom96On) {
    for (int c = 33; c < 96; ++c) {
        int letters = 0;
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) {
                if (GlyphPixel(static_cast<unsigned char>(c), x, y) != 1) continue;
                ++letters;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        ASSERT_TRUE(nx >= 0 && nx < kGlyphWidth && ny >= 0 && ny < kGlyphHeight) << c;
                        EXPECT_NE(GlyphPixel(static_cast<unsigned char>(c), nx, ny), 0) << c;
                    }
            }
        EXPECT_GT(letters, 0) << c;
    }
    for (int c : {0, 10, 31, 96, 97, int('z'), 200, 255})
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) EXPECT_EQ(GlyphPixel(static_cast<unsigned char>(c), x, y), 0);
}

TEST(VideoMessage, SaveMessageShowsWhiteLettersWithBlackEdgesFor60Frames) {
    PpuRig rig;
    rig.ppu().frameBuffer.fill(5);
    rig.ppu().paletteSetCount = 1;  // overlay values start after two sets
    rig.ppu().paletteSetStart[1] = kFrameCycleBudget;  // a set that marks no line
    Display display;
    display.ShowScreenMessage(60, true, 200, 16, "SAVE-%d", 3);
    EXPECT_EQ(display.screenMessage.text, "SAVE-3");
    display.Present(rig.ppu());
    std::vector<uint32_t> rgb(256 * 224);
    display.ConvertPicture(rig.ppu(), rgb.data());
    const std::string text = "SAVE-3";
    int letters = 0;
    for (size_t i = 0; i < text.size(); ++i)
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x) {
                int px = 200 + static_cast<int>(i) * 8 + x, py = 16 + y;
                int value = GlyphPixel(static_cast<unsigned char>(text[i]), x, y);
                uint8_t byte = rig.Pixel(py, px);
                uint32_t colour = rgb[(py - 8) * 256 + px];
                if (value == 1) {
                    ++letters;
                    EXPECT_EQ(byte, 64 + 1);
                    EXPECT_EQ(colour, 0xFFFFFFu);
                } else if (value == 2) {
                    EXPECT_EQ(byte, 64 + 2);
                    EXPECT_EQ(colour, 0x000000u);
                } else {
                    EXPECT_EQ(byte, 5);
                }
            }
    EXPECT_GT(letters, 20);

    for (int frame = 0; frame < 59; ++frame) display.CountFrame();
    EXPECT_TRUE(display.screenMessage.Active());
    display.CountFrame();
    EXPECT_FALSE(display.screenMessage.Active());
    rig.ppu().frameBuffer.fill(5);
    display.Present(rig.ppu());
    for (uint8_t byte : rig.ppu().frameBuffer) ASSERT_EQ(byte, 5);
}

TEST(VideoMessage, NoMessageSuppressesOnlySuppressibleTexts) {
    Display display;
    display.noMessage = true;
    display.ShowScreenMessage(60, true, 0, 210, "SPEED %d%%", 50);
    EXPECT_FALSE(display.screenMessage.Active());
    display.ShowScreenMessage(300, false, 140, 16, "TAPE PLAY!(%02X)", 0xA5);
    EXPECT_TRUE(display.screenMessage.Active());
    EXPECT_EQ(display.screenMessage.text, "TAPE PLAY!(A5)");
    // Long texts are cut to 255 characters.
    std::string longText(400, 'A');
    display.ShowScreenMessage(1, false, 0, 0, "%s", longText.c_str());
    EXPECT_EQ(display.screenMessage.text.size(), 255u);
}

TEST(VideoMessage, TextIsClippedToThePicture) {
    PpuRig rig;
    rig.ppu().frameBuffer.fill(0);
    Display display;
    display.ShowScreenMessage(5, false, 250, 235, "WWWWWWWWWWWW");
    display.Present(rig.ppu());
    display.ShowScreenMessage(5, false, -20, -5, "MMMMMMMMM");
    display.Present(rig.ppu());
    EXPECT_NE(rig.Pixel(236, 251), 0);  // inside both: drawn
    EXPECT_NE(rig.Pixel(0, 0), 0);
}

}  // namespace
}  // namespace korvanta
