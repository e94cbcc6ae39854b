// Screen captures (the bitmap layout and the PNG encoder) and the views the
// command-line runner prints: the frame hash and the name-table dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "media/png_writer.h"
#include "media/screenshot.h"
#include "ppu_fixture.h"
#include "test_support.h"
#include "video/display.h"
#include "video/frame_views.h"

namespace korvanta {
namespace {

using test::PpuRig;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("korvanta_" + name)).string();
}

TEST(ScreenBitmap, LayoutPaletteAndMaskedPixels) {
    PpuRig rig;
    for (int i = 0; i < 32; ++i) rig.ppu().palette[0][i] = static_cast<uint8_t>(0xC0 | (i + 16));
    rig.ppu().palette[1].fill(0x30);  // later sets play no part
    for (int line = 0; line < 240; ++line)
        for (int x = 0; x < 256; ++x)
            // Marked and overlay values (up to 131) must land inside 32 colours.
            rig.ppu().frameBuffer[line * 256 + x] = static_cast<uint8_t>((line * 7 + x) % 132);

    std::vector<uint8_t> bmp = BuildScreenBitmap(rig.ppu(), BasePalette());
    ASSERT_EQ(bmp.size(), kScreenBitmapSize);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), 57526u);
    EXPECT_EQ(Le32(bmp, 6), 0u);
    EXPECT_EQ(Le32(bmp, 10), 182u);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(Le32(bmp, 18), 256u);
    EXPECT_EQ(Le32(bmp, 22), 224u);
    EXPECT_EQ(Le16(bmp, 26), 1u);
    EXPECT_EQ(Le16(bmp, 28), 8u);
    EXPECT_EQ(Le32(bmp, 30), 0u);
    EXPECT_EQ(Le32(bmp, 34), 57344u);
    EXPECT_EQ(Le32(bmp, 38), 0u);
    EXPECT_EQ(Le32(bmp, 42), 0u);
    EXPECT_EQ(Le32(bmp, 46), 32u);
    EXPECT_EQ(Le32(bmp, 50), 32u);
    for (int i = 0; i < 32; ++i) {
        uint32_t rgb = BasePalette()[(i + 16) & 0x3F];
        size_t at = 54 + 4 * i;
        EXPECT_EQ(bmp[at], rgb & 0xFF) << i;
        EXPECT_EQ(bmp[at + 1], (rgb >> 8) & 0xFF) << i;
        EXPECT_EQ(bmp[at + 2], rgb >> 16) << i;
        EXPECT_EQ(bmp[at + 3], 0) << i;
    }
    for (int row = 0; row < 224; ++row) {
        int line = 231 - row;  // bottom row first
        for (int x = 0; x < 256; ++x) {
            uint8_t pixel = bmp[182 + row * 256 + x];
            ASSERT_LT(pixel, 32);
            ASSERT_EQ(pixel, rig.ppu().frameBuffer[line * 256 + x] & 31) << row << " " << x;
        }
    }
}

TEST(ScreenBitmap, SaveScreenWritesTheFileOrReportsThePath) {
    PpuRig rig;
    rig.ppu().frameBuffer.fill(9);
    std::string path = TempPath("shot.bmp");
    ASSERT_TRUE(SaveScreen(rig.host, rig.ppu(), BasePalette(), path));
    EXPECT_EQ(test::ReadFileBytes(path), BuildScreenBitmap(rig.ppu(), BasePalette()));
    std::filesystem::remove(path);

    std::string bad = TempPath("no_such_folder/shot.bmp");
    EXPECT_FALSE(SaveScreen(rig.host, rig.ppu(), BasePalette(), bad));
    ASSERT_EQ(rig.host.messages.size(), 1u);
    EXPECT_EQ(rig.host.messages[0].text, "Couldn't open file.(" + bad + ")");
}

TEST(PngWriter, ChecksumsMatchTheirStandardValues) {
    const std::string iend = "IEND";
    EXPECT_EQ(Crc32({reinterpret_cast<const uint8_t*>(iend.data()), iend.size()}), 0xAE426082u);
    const std::string check = "123456789";
    EXPECT_EQ(Crc32({reinterpret_cast<const uint8_t*>(check.data()), check.size()}), 0xCBF43926u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(Adler32({reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size()}), 0x11E60398u);
}

// Reads the chunks back, checks every CRC and inflates the stored blocks.
std::vector<uint8_t> InflateStoredPng(const std::vector<uint8_t>& png, uint32_t& width, uint32_t& height) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(std::equal(kSignature, kSignature + 8, png.begin()));
    std::vector<uint8_t> zlib;
    size_t at = 8;
    std::vector<std::string> types;
    while (at + 12 <= png.size()) {
        uint32_t length = Be32(png, at);
        std::string type(png.begin() + at + 4, png.begin() + at + 8);
        types.push_back(type);
        std::span<const uint8_t> covered(png.data() + at + 4, length + 4);
        EXPECT_EQ(Crc32(covered), Be32(png, at + 8 + length)) << type;
        if (type == "IHDR") {
            width = Be32(png, at + 8);
            height = Be32(png, at + 12);
            EXPECT_EQ(png[at + 16], 8);  // bit depth
            EXPECT_EQ(png[at + 17], 2);  // RGB
        }
        if (type == "IDAT") zlib.insert(zlib.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<uint8_t> raw;
    size_t p = 2;
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
    for (bool last = false; !last;) {
        last = zlib[p] & 1;
        EXPECT_EQ(zlib[p] & 6, 0);  // stored
        uint32_t length = zlib[p + 1] | zlib[p + 2] << 8;
        uint32_t inverse = zlib[p + 3] | zlib[p + 4] << 8;
        EXPECT_EQ(length ^ 0xFFFF, inverse);
        raw.insert(raw.end(), zlib.begin() + p + 5, zlib.begin() + p + 5 + length);
        p += 5 + length;
    }
    EXPECT_EQ(Be32(zlib, p), Adler32(raw));
    EXPECT_EQ(p + 4, zlib.size());
    return raw;
}

TEST(PngWriter, StoredBlocksCarryEveryPixel) {
    for (auto [w, h] : {std::pair{256, 224}, std::pair{3, 2}}) {
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
        std::vector<uint8_t> png = EncodePng(w, h, pixels);
        uint32_t width = 0, height = 0;
        std::vector<uint8_t> raw = InflateStoredPng(png, width, height);
        ASSERT_EQ(width, static_cast<uint32_t>(w));
        ASSERT_EQ(height, static_cast<uint32_t>(h));
        ASSERT_EQ(raw.size(), static_cast<size_t>(h) * (1 + 3 * w));
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = &raw[static_cast<size_t>(y) * (1 + 3 * w)];
            ASSERT_EQ(row[0], 0);
            for (int x = 0; x < w; ++x) {
                uint32_t p = pixels[static_cast<size_t>(y) * w + x];
                ASSERT_EQ(row[1 + 3 * x], p >> 16);
                ASSERT_EQ(row[2 + 3 * x], (p >> 8) & 0xFF);
                ASSERT_EQ(row[3 + 3 * x], p & 0xFF);
            }
        }
    }
    EXPECT_TRUE(EncodePng(4, 4, std::vector<uint32_t>(15)).empty());
}

TEST(PngWriter, ScreenPngHoldsThePresentedColours) {
    PpuRig rig;
    rig.ppu().palette[0][3] = 0x21;
    rig.ppu().frameBuffer.fill(3);
    Display display;
    display.Present(rig.ppu());
    std::string path = TempPath("shot.png");
    ASSERT_TRUE(SaveScreenPng(display, rig.ppu(), path));
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> raw = InflateStoredPng(test::ReadFileBytes(path), width, height);
    std::filesystem::remove(path);
    EXPECT_EQ(width, 256u);
    EXPECT_EQ(height, 224u);
    EXPECT_EQ(raw[1], 0x80);
    EXPECT_EQ(raw[2], 0xA0);
    EXPECT_EQ(raw[3], 0xFF);
    EXPECT_FALSE(SaveScreenPng(display, rig.ppu(), TempPath("no_such_folder/shot.png")));
}

TEST(PngWriter, ScreenshotPicksTheFormatByExtension) {
    PpuRig rig;
    Display display;
    display.Present(rig.ppu());
    std::string png = TempPath("pick.PNG"), bmp = TempPath("pick.bmp");
    ASSERT_TRUE(SaveScreenshot(rig.host, display, rig.ppu(), png));
    ASSERT_TRUE(SaveScreenshot(rig.host, display, rig.ppu(), bmp));
    std::vector<uint8_t> pngBytes = test::ReadFileBytes(png), bmpBytes = test::ReadFileBytes(bmp);
    std::filesystem::remove(png);
    std::filesystem::remove(bmp);
    ASSERT_GT(pngBytes.size(), 8u);
    EXPECT_EQ(pngBytes[1], 'P');
    EXPECT_EQ(bmpBytes.size(), kScreenBitmapSize);
}

TEST(FrameInspect, HashFollowsEveryByteAndDumpListsTheTables) {
    PpuRig a, b;
    a.ppu().frameBuffer.fill(0);
    b.ppu().frameBuffer.fill(0);
    EXPECT_EQ(FrameBufferHash(a.ppu()), FrameBufferHash(b.ppu()));
    b.ppu().frameBuffer[256 * 239 + 255] = 1;
    EXPECT_NE(FrameBufferHash(a.ppu()), FrameBufferHash(b.ppu()));
    // FNV-1a 64 of 61440 zero bytes, folded by hand from the offset basis.
    uint64_t h = 0xCBF29CE484222325ull;
    for (int i = 0; i < 61440; ++i) h *= 0x100000001B3ull;
    EXPECT_EQ(FrameBufferHash(a.ppu()), h);

    a.FillNameTables(2);
    std::istringstream dump(DumpNameTables(a.ppu()));
    std::string line;
    for (int table = 0; table < 4; ++table) {
        std::getline(dump, line);
        char header[8];
        std::snprintf(header, sizeof header, "$%04X", 0x2000 + 0x400 * table);
        EXPECT_EQ(line, header);
        int page = test::PageOfTable(2, table);
        for (int row = 0; row < 30; ++row) {
            std::getline(dump, line);
            std::istringstream cells(line);
            for (int column = 0; column < 32; ++column) {
                unsigned value = 999;
                cells >> std::hex >> value;
                EXPECT_EQ(value, test::TileAt(page, row, column)) << table << " " << row << " " << column;
            }
        }
    }
    EXPECT_FALSE(std::getline(dump, line));
}

}  // namespace
}  // namespace korvanta
