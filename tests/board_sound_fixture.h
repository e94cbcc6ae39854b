// Board sound measured where the player hears it: the mixer's output bytes,
// with the console's own channels masked off.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "mapper_fixture.h"
#include "platform/headless/wave_device.h"

namespace korvanta::test {

struct BoardSoundRig {
    BoardConsole b;
    explicit BoardSoundRig(const InesLayout& image, int32_t rate = 44100) {
        EXPECT_TRUE(b.Load(image));
        b.host.waveOutput = std::make_unique<HeadlessWaveOutput>();
        SoundSettings s = b.console.soundOut.Settings();
        s.samplingRate = rate;
        s.bufferSize = 10;
        s.noReverb = 1;
        b.console.soundOut.SetSettings(s);
        EXPECT_EQ(b.console.soundOut.Open(), 0);
        b.console.apu.channelMask = 0x20;  // the console's own channels silent
    }
    // `ticks` ticks of three frames, 50 ms each; the bytes played.
    std::vector<uint8_t> Play(int ticks) {
        auto& played = b.host.waveOutput->played;
        size_t before = played.size();
        for (int t = 0; t < ticks; ++t) {
            b.host.clock += 50;
            b.console.soundOut.TickRunning(3);
            for (int f = 0; f < 3; ++f) b.console.soundOut.MixFrame();
            b.console.soundOut.Submit();
        }
        return {played.begin() + static_cast<std::ptrdiff_t>(before), played.end()};
    }
    uint32_t Rate() const { return b.console.soundOut.rate; }
};

// Frequency from the positions of the events over the whole run: rising
// crossings of the middle level, or (`drops`) large falls, as a saw makes.
inline double MeasuredFrequency(const std::vector<uint8_t>& s, uint32_t rate, bool drops = false) {
    std::vector<size_t> events;
    for (size_t i = 1; i < s.size(); ++i) {
        bool event = drops ? s[i] + 16 < s[i - 1] : (s[i - 1] <= 128 && s[i] > 128);
        if (event) events.push_back(i);
    }
    if (events.size() < 3) return 0;
    return static_cast<double>(events.size() - 1) * rate / static_cast<double>(events.back() - events.front());
}

inline bool AllSilent(const std::vector<uint8_t>& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](uint8_t v) { return v == 128; });
}

}  // namespace korvanta::test
