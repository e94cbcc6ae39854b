// The wave-output device as the mixer uses it: opened with a PCM format, fed
// whole buffers, and polled for completion. No callback ever enters the
// emulator; the device only sets each buffer's done mark.
#pragma once
#include <cstdint>

namespace korvanta {

struct WaveFormat {
    uint32_t rate = 44100;  // samples per second (and bytes, at 8-bit mono)
    uint16_t channels = 1;
    uint16_t bitsPerSample = 8;  // 8: unsigned samples, 128 is silence
};

// One block of samples. The mixer owns the data. `done` is set by the mixer
// when a prepared buffer is free and cleared just before it is written; the
// device sets it again once the block has been played.
struct WaveBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;          // bytes to play
    uint32_t recordedLength = 0;  // bytes filled
    uint32_t loops = 1;
    bool done = false;
    void* deviceData = nullptr;  // the device's own record of the buffer
};

class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    // Opens the default device; false when it cannot.
    virtual bool Open(const WaveFormat& format) = 0;
    // Closes the device; every buffer must be unprepared first.
    virtual void Close() = 0;
    // Device volume: left in the low 16 bits, right in the high 16 bits.
    virtual bool GetVolume(uint32_t& volume) = 0;
    virtual void SetVolume(uint32_t volume) = 0;
    virtual bool Prepare(WaveBuffer& buffer) = 0;
    virtual void Unprepare(WaveBuffer& buffer) = 0;
    // Queues a buffer for playing; false when the device refused it (it is
    // then not queued and will never be marked done by the device).
    virtual bool Write(WaveBuffer& buffer) = 0;
    // Polls a buffer: true once it is done.
    virtual bool IsDone(WaveBuffer& buffer) = 0;
    // Stops playing; every queued buffer is marked done.
    virtual void Reset() = 0;
};

}  // namespace korvanta
