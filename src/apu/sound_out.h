// The mixer: turns the sound unit's channels and the board's own sound into
// 8-bit unsigned mono samples, one frame at a time, and plays them through the
// host's wave-output device as a ring of twelve buffers. The number of samples
// per frame follows the host's millisecond clock, so the sound keeps pace with
// real time at any emulation speed. Without a device the sound unit is still
// clocked exactly as with one, silently.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "app/settings.h"
#include "platform/wave_output.h"

namespace korvanta {

class Console;

inline constexpr int kWaveBufferCount = 12;
inline constexpr uint32_t kMixRun = 256;  // samples mixed channel by channel

class SoundOut {
public:
    explicit SoundOut(Console& console);
    ~SoundOut();
    SoundOut(const SoundOut&) = delete;
    SoundOut& operator=(const SoundOut&) = delete;

    // Opens the host's wave output with `settings`: 0, or -1 when there is no
    // device or it refuses. Already open: 0.
    int Open();
    void Close();
    bool IsOpen() const { return open_; }

    // At the start of a timer tick that will run `framesPerTick` frames.
    void TickRunning(int framesPerTick);
    // At a timer tick while emulation is stopped.
    void TickStopped(int framesPerTick);
    // After each emulated frame.
    void MixFrame();
    // After the tick's frames: hands the tick's samples to the device.
    void Submit();

    // Hz to a phase increment per output sample in 1/65536 of a cycle.
    uint16_t PhaseStep(uint32_t frequency) const;

    // Takes effect at the next Open; `rate` follows at once while closed so
    // that tones computed meanwhile use it. Values outside the ranges the
    // sound dialog offers are brought into them, so that none divides by
    // zero or overflows a buffer.
    void SetSettings(const SoundSettings& settings);
    const SoundSettings& Settings() const { return settings_; }

    uint32_t rate = 44100;           // output rate in use
    uint32_t samplesPerFrame = 735;  // N; readable by boards

private:
    void AwaitCurrentBuffer();
    void ClockSilently();

    Console& console_;
    SoundSettings settings_;
    WaveOutput* device_ = nullptr;
    bool open_ = false;
    uint32_t savedVolume_ = 0;
    bool volumeSaved_ = false;
    uint32_t bufferBytes_ = 0;
    std::array<WaveBuffer, kWaveBufferCount> buffers_{};
    std::array<std::vector<uint8_t>, kWaveBufferCount> blocks_;
    uint32_t current_ = 0;
    uint32_t writePos_ = 0;
    uint32_t lastTime_ = 0;
    int32_t previous_ = 0;
    std::array<int32_t, kMixRun> mixRun_{};
};

}  // namespace korvanta
