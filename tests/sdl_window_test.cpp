// The Linux desktop program shows the bundled demo in a real window: run it
// under a virtual display for some frames and read the window's pixels back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Runs the desktop program under the test's virtual display with a settings
// file of its own; skips without a display or without the program.
class DesktopProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KORVANTA_SDL_PROGRAM).empty()) GTEST_SKIP() << "built without the desktop program";
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display (the test script runs this under Xvfb)";
        folder = ::testing::TempDir() + "korvanta-desktop-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "'").c_str());
    }
    void WriteIni(const std::string& text) {
        std::ofstream out(folder + "/korvanta.ini");
        out << text;
    }
    // Runs a bash script with `program` (the desktop program, as the process
    // itself, so `program ... &` leaves its pid in $!) and
    // `window NAME` (waits for a window of that exact title and prints its id).
    int Script(const std::string& body) const {
        std::string path = folder + "/script.sh";
        std::ofstream out(path);
        out << "program() { SDL_AUDIODRIVER=dummy exec '" << KORVANTA_SDL_PROGRAM << "' --ini '" << folder
            << "/korvanta.ini' \"$@\"; }\n"
            << "window() { for i in $(seq 100); do id=$(xwininfo -root -tree | grep -F \"\\\"$1\\\"\" | head -n 1 | "
               "awk '{print $1}'); [ -n \"$id\" ] && { echo $id; return 0; }; sleep 0.1; done; return 1; }\n"
            << body << "\n";
        out.close();
        return std::system(("bash '" + path + "'").c_str());
    }
    static bool Shot(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels) {
        return ReadOwnPng(test::ReadFileBytes(path), width, height, pixels);
    }
    std::string folder;
};

TEST_F(DesktopProgram, ShowsTheDemoInAWindow) {
    std::string shot = folder + "/window.png";
    ASSERT_EQ(Script("program --scale 2 --quit-after-frames 90 --window-shot '" + shot + "'"), 0);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(Shot(shot, width, height, pixels));
    EXPECT_EQ(width, 512);
    EXPECT_EQ(height, 448);
    // The demo's picture: many colours, and its deep-blue sky behind the title.
    std::set<uint32_t> colours(pixels.begin(), pixels.end());
    EXPECT_GE(colours.size(), 8u);
    uint32_t sky = pixels[60 * width + 400];
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF) << std::hex << sky;
}

TEST_F(DesktopProgram, WindowShowsTheHeadlessPictureOfTheSameFrame) {
    std::string shot = folder + "/window.png";
    ASSERT_EQ(Script("program --scale 1 --quit-after-frames 120 --window-shot '" + shot + "'"), 0);
    int width = 0, height = 0;
    std::vector<uint32_t> window;
    ASSERT_TRUE(Shot(shot, width, height, window));
    ASSERT_EQ(width, 256);
    // Frames may be skipped near the end: one of the last few is the one shown.
    bool matched = false;
    for (int frames = 120; frames >= 100 && !matched; --frames) {
        std::string headless = folder + "/headless.png";
        std::string command = std::string("'") + KORVANTA_CLI + "' -f " + std::to_string(frames) + " -o '" + headless +
                              "' '" + test::BuildRom("demo.nes") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        int w = 0, h = 0;
        std::vector<uint32_t> picture;
        ASSERT_TRUE(Shot(headless, w, h, picture));
        matched = picture == window;
    }
    EXPECT_TRUE(matched) << "the window matches none of the headless frames 100-120";
}

TEST_F(DesktopProgram, KeysReachThePad) {
    WriteIni("[Speed]\nFullSpeed=0\nExecSpeed=100\nOccupation=3\n");
    std::string shot = folder + "/pad.png";
    // The key is held for a second, then the program is told to quit and
    // takes its window shot.
    ASSERT_EQ(Script("program --scale 1 --window-shot '" + shot + "' '" + test::BuildRom("pad_echo.nes") +
                     "' & pid=$!\n"
                     "id=$(window 'Korvanta Ver5.1') || { kill -9 $pid; exit 3; }\n"
                     "xdotool windowfocus --sync $id; xdotool keydown x; sleep 1; kill -TERM $pid\n"
                     "wait $pid; status=$?; xdotool keyup x; exit $status"),
              0);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(Shot(shot, width, height, pixels));
    uint32_t backdrop = pixels[100 * width + 100];
    // Colour $16 (red) while A is held; $12 (blue) would mean the key was lost.
    EXPECT_GT((backdrop >> 16) & 0xFF, backdrop & 0xFF) << std::hex << backdrop;
}

// A movie recorded in the window while A is held replays the held key with
// no key pressed.
TEST_F(DesktopProgram, MovieRecordedFromKeysReplaysThem) {
    WriteIni("[Speed]\nFullSpeed=0\nExecSpeed=100\nOccupation=3\n");
    std::string rom = test::BuildRom("pad_echo.nes");
    std::string kmv = folder + "/pad.kmv";
    ASSERT_EQ(Script("program --scale 1 --record '" + kmv + "' '" + rom +
                     "' & pid=$!\n"
                     "id=$(window 'Korvanta Ver5.1') || { kill -9 $pid; exit 3; }\n"
                     "sleep 0.3; xdotool windowfocus --sync $id; xdotool keydown x; sleep 1; kill -TERM $pid\n"
                     "wait $pid; status=$?; xdotool keyup x; exit $status"),
              0);
    auto movie = test::ReadFileBytes(kmv);
    ASSERT_GT(movie.size(), 144u + 60);
    size_t frames = movie.size() - 144;  // pad 1 only: a byte per frame
    EXPECT_EQ(movie[0x90], 0) << "A was not held at power-on";
    EXPECT_EQ(movie.back(), 0x20) << "A was held at the end";

    std::string shot = folder + "/replay.png";
    ASSERT_EQ(Script("program --scale 1 --quit-after-frames " + std::to_string(frames - 10) + " --window-shot '" +
                     shot + "' '" + rom + "' '" + kmv + "'"),
              0);
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(Shot(shot, width, height, pixels));
    uint32_t backdrop = pixels[100 * width + 100];
    EXPECT_GT((backdrop >> 16) & 0xFF, backdrop & 0xFF) << std::hex << backdrop;
    EXPECT_EQ(test::ReadFileBytes(kmv), movie) << "replaying changed the movie";
}

// A message box that the test closes with Return; the program must then go
// on and end cleanly when told to.
TEST_F(DesktopProgram, BadStartsShowAMessageAndDoNotCrash) {
    struct Case {
        const char* what;
        std::string arguments;
        const char* caption;
        bool settingsUnreadable;
    };
    const Case cases[] = {
        {"missing game", "'" + folder + "/missing.nes'", "Error", false},
        {"unreadable settings file", "", "Korvanta", true},
    };
    for (const Case& c : cases) {
        // A folder where the settings file should be cannot be read.
        if (c.settingsUnreadable) {
            std::filesystem::remove(folder + "/korvanta.ini");
            std::filesystem::create_directories(folder + "/korvanta.ini");
        }
        EXPECT_EQ(Script("program " + c.arguments + " & pid=$!\n"
                         "stop() { pkill -9 -P $pid; kill -9 $pid; exit $1; }\n"
                         "id=$(window '" + std::string(c.caption) + "') || stop 3\n"
                         "xdotool windowfocus --sync $id; xdotool key Return\n"
                         "sleep 0.5; kill -TERM $pid\n"
                         "for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done\n"
                         "kill -0 $pid 2>/dev/null && stop 4; wait $pid"),
                  0)
            << c.what;
    }
}

}  // namespace
}  // namespace korvanta
