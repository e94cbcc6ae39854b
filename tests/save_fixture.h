// Fixtures of the save, snapshot, KOR and movie tests: a scratch folder, and
// a running game copied into it with a frame driver and a sound capture, so
// runs can be compared frame by frame (picture hashes and sound bytes).
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/frame_driver.h"
#include "media/loader.h"
#include "platform/headless/wave_capture.h"
#include "platform/headless/wave_device.h"
#include "test_support.h"
#include "video/frame_views.h"

namespace korvanta::test {

namespace fs = std::filesystem;

struct ScratchDir {
    fs::path path;
    ScratchDir() {
        std::random_device random;
        path = fs::temp_directory_path() / ("korvanta-save-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return File(name);
    }
    std::string Copy(const std::string& from, const std::string& name) const {
        fs::copy_file(from, path / name, fs::copy_options::overwrite_existing);
        return File(name);
    }
};

// What one frame produced: the picture's hash and the sound bytes mixed.
struct FrameOutput {
    uint64_t picture;
    std::vector<uint8_t> sound;
    bool operator==(const FrameOutput&) const = default;
};

// A console running a game with the frame driver as the runner drives it.
struct RunningGame {
    HeadlessHost host;
    Console console{host};
    SpeedSettings speed;
    FrameDriver driver{console, nullptr, nullptr, speed};
    std::unique_ptr<WaveCapture> capture;

    RunningGame() {
        speed.fullSpeed = 0;
        capture = std::make_unique<WaveCapture>(console, host, 22050);
    }

    bool Open(const std::string& path, const LoadOptions& options = {}) {
        if (!OpenGame(console, path, options)) return false;
        console.machine.RunState = 1;
        return true;
    }

    FrameOutput Frame() {
        size_t before = capture->Device().played.size();
        capture->BeforeFrame();
        driver.RunOneFrame();
        capture->AfterFrame();
        const auto& played = capture->Device().played;
        return {FrameBufferHash(console.ppu), std::vector<uint8_t>(played.begin() + static_cast<long>(before), played.end())};
    }

    std::vector<FrameOutput> Run(int frames) {
        std::vector<FrameOutput> out;
        for (int i = 0; i < frames; ++i) out.push_back(Frame());
        return out;
    }
};

// The first frame whose picture or sound differs, or -1.
inline int FirstDifference(const std::vector<FrameOutput>& a, const std::vector<FrameOutput>& b, std::string& what) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i].picture != b[i].picture) { what = "picture"; return static_cast<int>(i); }
        if (a[i].sound != b[i].sound) { what = "sound"; return static_cast<int>(i); }
    }
    what = a.size() == b.size() ? "" : "length";
    return a.size() == b.size() ? -1 : static_cast<int>(std::min(a.size(), b.size()));
}

}  // namespace korvanta::test
