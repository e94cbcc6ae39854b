// The MMC5's sound: two pulse channels much like the console's own (duty,
// a decaying or constant volume, a length counter) and a raw 8-bit level
// written through $5011. The level writes are logged with their CPU cycle
// during the frame and played back at the matching sample positions when the
// mixer produces that frame.
#pragma once
#include <array>
#include <cstdint>

namespace korvanta {

class SoundOut;
struct Machine;

// One pulse channel as it is saved: 27 bytes, packed, little-endian.
#pragma pack(push, 1)
struct Mmc5Pulse {
    uint8_t duty;        // 0-3
    uint16_t phase;      // position in the waveform, 8.8
    uint16_t phaseStep;  // per output sample; 0 silent
    uint16_t volume;     // $4000 full
    uint32_t period;     // 11 bits
    uint32_t decay;      // 16.16 factor applied per half frame
    int32_t length;
    int32_t state;  // kPlaying, kStopped or kDisabled
    uint8_t reg0;   // $5000 / $5004
    uint8_t unused;
    uint8_t periodLow;  // $5002 / $5006
    uint8_t reg3;       // $5003 / $5007
};

// One $5011 write: the frame cycle and the level.
struct Mmc5PcmEntry {
    uint32_t cycle;
    uint8_t value;
    std::array<uint8_t, 3> padding;
};
#pragma pack(pop)
static_assert(sizeof(Mmc5Pulse) == 27);
static_assert(sizeof(Mmc5PcmEntry) == 8);

// Envelope decay per half frame for the 4-bit rate r:
// truncate(0.0390625 ^ (1 / ((r + 1) x 30)) x 65536).
inline constexpr std::array<uint32_t, 16> kMmc5DecayFactors = {
    58821, 62088, 63216, 63788, 64134, 64365, 64531, 64656,
    64753, 64831, 64895, 64948, 64993, 65031, 65065, 65094,
};

class Mmc5Sound {
public:
    static constexpr int32_t kPlaying = 2;
    static constexpr int32_t kStopped = 0;
    static constexpr int32_t kDisabled = -1;
    static constexpr uint32_t kPcmLogSize = 512;

    // `mixer` supplies the phase increments and the samples per frame,
    // `machine` the cycle of each level write.
    Mmc5Sound(const SoundOut& mixer, const Machine& machine);

    // Registers 0, 2 and 3 of pulse `channel` (0 at $5000, 1 at $5004).
    void WritePulse(int channel, int reg, uint8_t value);
    // $5011: the level joins the frame's log.
    void WritePcm(uint8_t value);
    // Once per half frame: length counters and envelopes.
    void Tick();
    // The enabled pulses and the level of sample `index` of half `half`.
    int32_t Sample(int index, int half);
    // Brings snapshot values that index tables back into range.
    void AfterStateLoad();

    // Saved.
    std::array<Mmc5Pulse, 2> pulse{};
    uint8_t soundMask = 0;   // $5015: bit 0 pulse 1, bit 1 pulse 2
    uint8_t pcmControl = 0;  // $5010, kept only
    uint32_t pcmCount = 0;
    std::array<Mmc5PcmEntry, kPcmLogSize> pcmLog{};

private:
    int32_t PulseOutput(Mmc5Pulse& p);
    int32_t PcmLevel(int index, int half);

    const SoundOut& mixer_;
    const Machine& machine_;
    uint32_t pcmCursor_ = 0;  // playback position, restarts every frame
};

static_assert(sizeof(std::array<Mmc5Pulse, 2>) == 54);
static_assert(sizeof(std::array<Mmc5PcmEntry, Mmc5Sound::kPcmLogSize>) == 4096);

}  // namespace korvanta
