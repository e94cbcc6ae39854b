// The Linux desktop program shows the bundled demo in a real window: run it
// under a virtual display for some frames and read the window's pixels back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "test_support.h"

namespace korvanta {
namespace {

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Reads the program's own PNG files: RGB, stored deflate blocks, no filter.
bool ReadOwnPng(const std::vector<uint8_t>& file, int& width, int& height, std::vector<uint32_t>& pixels) {
    if (file.size() < 8) return false;
    std::vector<uint8_t> zlib;
    for (size_t at = 8; at + 8 <= file.size();) {
        uint32_t length = BigEndian(file, at);
        std::string type(file.begin() + at + 4, file.begin() + at + 8);
        if (at + 12 + length > file.size()) return false;
        if (type == "IHDR") {
            width = static_cast<int>(BigEndian(file, at + 8));
            height = static_cast<int>(BigEndian(file, at + 12));
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
        }
        at += 12 + length;
    }
    std::vector<uint8_t> raw;
    for (size_t at = 2; at + 5 <= zlib.size();) {
        bool last = zlib[at] & 1;
        size_t length = zlib[at + 1] | zlib[at + 2] << 8;
        raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
        at += 5 + length;
        if (last) break;
    }
    if (raw.size() != static_cast<size_t>(height) * (1 + 3 * width)) return false;
    pixels.clear();
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &raw[y * (1 + 3 * width) + 1];
        for (int x = 0; x < width; ++x) pixels.push_back(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]);
    }
    return true;
}

TEST(DesktopProgram, ShowsTheDemoInAWindow) {
    if (std::string(KORVANTA_SDL_PROGRAM).empty()) GTEST_SKIP() << "built without the desktop program";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (the test script runs this under Xvfb)";
    std::string shot = ::testing::TempDir() + "korvanta-window.png";
    std::string command = std::string("SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME=") + ::testing::TempDir() + " '" +
                          KORVANTA_SDL_PROGRAM + "' --scale 2 --quit-after-frames 90 --window-shot '" + shot + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(ReadOwnPng(test::ReadFileBytes(shot), width, height, pixels));
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 448);
    // The demo's picture: many colours, and its deep-blue sky behind the title.
    std::set<uint32_t> colours(pixels.begin(), pixels.end());
    EXPECT_GE(colours.size(), 8u);
    uint32_t sky = pixels[60 * width + 400];
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF) << std::hex << sky;
}

}  // namespace
}  // namespace korvanta
