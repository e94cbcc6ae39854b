// The VRC6's three extra sound channels: two pulses with eight duty cycles
// (or a constant level in their digital mode) and a sawtooth. Each channel
// steps through a 256-entry table at a phase increment computed from its
// period when the period is written.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

class SoundOut;

// One channel as it is saved: 27 bytes, packed, little-endian.
#pragma pack(push, 1)
struct Vrc6Channel {
    uint8_t tableNumber;  // 0-7 pulse duty, 8 saw
    uint16_t phase;       // position in the table, 8.8
    uint16_t phaseStep;
    uint16_t volume;  // $4000 full
    uint32_t period;  // 12 bits used
    uint32_t reserved0;  // kept for the record layout
    uint32_t reserved1;
    uint32_t state;  // kPlaying or 0
    uint8_t reg0;
    uint8_t reserved2;
    uint8_t reg1;  // period low byte
    uint8_t reg2;  // bit 7 enable, low nibble period high bits
};
#pragma pack(pop)
static_assert(sizeof(Vrc6Channel) == 27);

class Vrc6Sound {
public:
    static constexpr uint32_t kPlaying = 2;
    static constexpr int kSaw = 2;  // channels 0 and 1 are the pulses

    // `mixer` supplies the phase increments at the output rate in use.
    explicit Vrc6Sound(const SoundOut& mixer);

    // Register `reg` (0-2) of `channel` (0, 1 pulses, 2 saw).
    void Write(int channel, int reg, uint8_t value);
    // The three channels' sum for one output sample; advances their phases.
    int32_t Sample();
    // Rebuilds what is not saved (the saw table) and the phase increments,
    // which depend on the output rate in use now.
    void AfterStateLoad();

    std::array<Vrc6Channel, 3> channels{};  // saved as one block

private:
    void Recompute(int channel);
    void BuildSawTable();
    int32_t Output(Vrc6Channel& channel, bool pulse);

    const SoundOut& mixer_;
    std::array<int32_t, 256> sawTable_{};
};

static_assert(sizeof(std::array<Vrc6Channel, 3>) == 81);

}  // namespace korvanta
