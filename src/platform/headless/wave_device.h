// The headless wave-output device: every buffer is played the moment it is
// written, into memory, from where it can be saved as an 8-bit mono WAV file.
// Switches make it refuse to open, refuse writes or hold buffers for ever,
// so tests can show how the mixer copes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave_output.h"

namespace korvanta {

class HeadlessWaveOutput final : public WaveOutput {
public:
    bool Open(const WaveFormat& format) override;
    void Close() override { isOpen = false; }
    bool GetVolume(uint32_t& value) override {
        value = volume;
        return true;
    }
    void SetVolume(uint32_t value) override { volume = value; }
    bool Prepare(WaveBuffer& buffer) override;
    void Unprepare(WaveBuffer& buffer) override;
    bool Write(WaveBuffer& buffer) override;
    bool IsDone(WaveBuffer& buffer) override { return buffer.done; }
    void Reset() override;

    // The played samples as a RIFF WAV file (PCM, mono, 8-bit, the open rate).
    std::vector<uint8_t> WavBytes() const;
    // Writes WavBytes to `path`; false when the file cannot be written.
    bool WriteWavFile(const std::string& path) const;

    WaveFormat format;
    bool isOpen = false;
    uint32_t volume = 0xFFFFFFFF;
    std::vector<uint8_t> played;
    int prepared = 0;       // buffers prepared and not yet unprepared
    int openCount = 0;
    bool refuseOpen = false;
    bool refuseWrites = false;
    bool holdBuffers = false;  // written buffers are kept queued until Reset

private:
    std::vector<WaveBuffer*> queued_;
};

}  // namespace korvanta
