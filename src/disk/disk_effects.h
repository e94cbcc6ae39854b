// The optional drive sounds of the Disk System, played from three WAV files
// in the program's folder: diskboot.wav when a transfer starts at the
// beginning of a side, diskload.wav while it loads, diskend.wav after it.
// The samples are unsigned 8-bit bytes after a 44-byte header.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace korvanta {

class FileStream;

enum DiskEffect : int { kEffectNone = 0, kEffectBoot = 1, kEffectLoad = 2, kEffectEnd = 3 };

class DiskEffects {
public:
    DiskEffects();
    ~DiskEffects();

    // Enables the effects when all three files exist in `folder` and
    // diskboot.wav names a sample rate.
    void Find(const std::string& folder);
    bool Enabled() const { return enabled_; }

    // Opens the file of `effect` at its first sample (closing the one
    // playing) and makes it current; false when it cannot be opened.
    bool Open(int effect);
    // No effect plays.
    void Stop();
    int Current() const { return current_; }

    // The value one output sample at `outputRate` adds: twice the last byte
    // read; a new byte every outputRate / effect rate samples. `ended` is
    // set when the file ran out.
    int32_t Sample(uint32_t outputRate, bool& ended);

    uint32_t effectRate = 1;

private:
    std::array<std::string, 3> paths_;
    std::unique_ptr<FileStream> file_;
    bool enabled_ = false;
    int current_ = kEffectNone;
    uint32_t counter_ = 0;
    uint8_t last_ = 0;
};

}  // namespace korvanta
