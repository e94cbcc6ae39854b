// The wave-output device on SDL's audio queue. Buffers are queued whole and
// count as done once the device has consumed every byte up to their end, so
// the mixer's polling works as with the system's wave-output device.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/wave_output.h"

namespace korvanta {

class SdlWaveOutput final : public WaveOutput {
public:
    ~SdlWaveOutput() override { Close(); }
    bool Open(const WaveFormat& format) override;
    void Close() override;
    bool GetVolume(uint32_t& value) override {
        value = volume_;
        return true;
    }
    void SetVolume(uint32_t value) override { volume_ = value; }
    bool Prepare(WaveBuffer& buffer) override;
    void Unprepare(WaveBuffer& buffer) override;
    bool Write(WaveBuffer& buffer) override;
    bool IsDone(WaveBuffer& buffer) override;
    void Reset() override;

private:
    uint64_t Consumed() const;

    SDL_AudioDeviceID device_ = 0;
    uint64_t queuedTotal_ = 0;  // bytes ever queued; what left the queue was played
    uint32_t volume_ = 0xFFFFFFFF;
};

}  // namespace korvanta
