#include "disk/disk_sound.h"

#include <cmath>

#include "apu/sound_out.h"

namespace korvanta {
namespace {

constexpr int32_t kMaxFrequency = 4095;
constexpr uint16_t kFullVolume = 0x4000;
constexpr uint32_t kVolumeUnit = 260;  // a $4080 level of 63 is almost full volume
// The envelope brings the volume down to this share in (k + 1) x 15 half
// frames for rate k.
constexpr double kDecayShare = 0.0390625;

int32_t Wrapped(int32_t frequency) {
    if (frequency < 0) return kMaxFrequency;
    if (frequency > kMaxFrequency) return 0;
    return frequency;
}

}  // namespace

DiskSound::DiskSound(const SoundOut& out) : out_(out) {
    for (int k = 0; k < 64; ++k)
        decayTable[k] = static_cast<uint32_t>(65536.0 * std::pow(kDecayShare, 1.0 / ((k + 1) * 15.0)));
}

void DiskSound::Write(uint16_t address, uint8_t value) {
    if (address >= 0x4040 && address <= 0x407F) {
        waveMemory[address & 63] = value;
        return;
    }
    switch (address) {
        case 0x4080:
            volumeControl = value;
            if (value & 0x80) volume = static_cast<uint16_t>((value & 0x3F) * kVolumeUnit);
            break;
        case 0x4082:
            frequency = (frequency & 0xF00) | value;
            ApplyFrequency();
            break;
        case 0x4083:
            frequency = (frequency & 0xFF) | (value & 0x0F) << 8;
            ApplyFrequency();
            break;
        case 0x4084: SetUpSweep(value); break;
        case 0x4085: SetBias(value); break;
        case 0x4086:
            modRate = value;
            modPeriod = value ? (256u - value) / 2 : 0;
            break;
        case 0x4087:
            modControl = value;
            modIndex = 0;
            modCounter = 0;
            break;
        case 0x4088:
            // A signed 3-bit step: 4-7 stand for -4 to -1.
            modTable[modIndex] = (value & 4) ? static_cast<int32_t>(value & 7) - 8 : value & 3;
            modIndex = (modIndex + 1) & 31;
            break;
        case 0x4089: waveControl = value; break;
        case 0x408A: envelopeControl = value; break;
        default: break;
    }
}

void DiskSound::ApplyFrequency() {
    biasedFrequency = currentFrequency = playingFrequency = frequency;
    Retune();
}

void DiskSound::Retune() { step = out_.PhaseStep(static_cast<uint32_t>(playingFrequency) * 27 / 64); }

void DiskSound::SetBias(uint8_t value) {
    biasControl = value;
    int32_t d = value & 0x7F;
    // The split between raising and lowering lies at 96, not 64.
    if (d < 96)
        biasedFrequency = frequency + ((d * frequency) >> 5);
    else
        biasedFrequency = frequency - (((128 - d) * frequency) >> 5);
}

void DiskSound::SetUpSweep(uint8_t value) {
    sweepControl = value;
    uint32_t rate = value & 0x3F;
    switch (value >> 6) {
        case 0:
            sweepDirection = 1;
            sweepTarget = frequency;
            sweepPeriod = currentFrequency == frequency ? 0 : rate;
            if (sweepPeriod == 0) currentFrequency = frequency;
            break;
        case 1:
            sweepTarget = biasedFrequency / 2;
            sweepDirection = -1;
            sweepPeriod = currentFrequency == sweepTarget ? 0 : rate;
            if (sweepPeriod == 0) currentFrequency = sweepTarget;
            break;
        default:
            // A jump to a point between the frequency and the biased one,
            // heard once the period has passed.
            sweepDirection = 0;
            currentFrequency = sweepTarget = frequency + (biasedFrequency - frequency) / 63 * static_cast<int32_t>(rate);
            sweepPeriod = ((64 - rate) & 0x3F) * 10;
            break;
    }
    sweepCounter = 0;
    modIndex = 0;
}

void DiskSound::Mix(int32_t* accumulator) {
    if (playingFrequency == 0 || (waveControl & 0x80)) return;
    int32_t s = waveMemory[phase >> 10] & 0x3F;
    phase = static_cast<uint16_t>(phase + step);
    *accumulator += ((volume >> 6) * ((s - 32) * 4)) >> 8;
}

void DiskSound::Tick(uint32_t ticksPerHalfFrame) {
    if (playingFrequency == 0 || (waveControl & 0x80)) return;
    if (++tickCounter >= ticksPerHalfFrame) {
        tickCounter = 0;
        if (envelopeControl & 0x80) {
            switch (volumeControl >> 6) {
                case 0: volume = static_cast<uint16_t>((volume * decayTable[volumeControl & 0x3F]) >> 16); break;
                case 1: volume = kFullVolume; break;
                default: break;
            }
        }
    }
    if (sweepPeriod != 0 && ++sweepCounter >= sweepPeriod) {
        sweepCounter = 0;
        currentFrequency += sweepDirection;
        if (currentFrequency == sweepTarget) {
            sweepDirection = 0;
            sweepPeriod = 0;
        }
        currentFrequency = Wrapped(currentFrequency);
        playingFrequency = currentFrequency;
        Retune();
    }
    if (modControl & 0x80) return;
    if ((modControl & 0x7F) == 0) {
        ++modCounter;
        if (modCounter < modPeriod || modPeriod == 0) return;
    }
    // The modulation moves the current frequency only; the played one
    // follows at the next sweep step.
    modCounter = 0;
    currentFrequency = Wrapped(currentFrequency + modTable[modIndex] * 4);
    modIndex = (modIndex + 1) & 31;
}

std::vector<StateField> DiskSound::Fields() {
    return {
        BlockField(waveMemory.data(), static_cast<uint32_t>(waveMemory.size())),
        Field(kFieldWord, frequency),
        BlockField(modStage_.data(), static_cast<uint32_t>(sizeof modStage_)),
        Field(kFieldWord, biasedFrequency),
        Field(kFieldWord, sweepDirectionStage_),
        Field(kFieldWord, sweepTarget),
        Field(kFieldWord, playingFrequency),
        Field(kFieldWord, currentFrequency),
        Field(kFieldWord, phase),
        Field(kFieldWord, step),
        Field(kFieldWord, volume),
        Field(kFieldByte, volumeControl),
        Field(kFieldByte, waveControl),
        Field(kFieldByte, envelopeControl),
        Field(kFieldByte, modControl),
        Field(kFieldByte, modIndex),
        Field(kFieldWord, modCounter),
        Field(kFieldWord, modPeriod),
        Field(kFieldByte, sweepControl),
        Field(kFieldByte, biasControl),
        Field(kFieldWord, sweepPeriod),
        Field(kFieldWord, sweepCounter),
    };
}

void DiskSound::BeforeSave() {
    for (size_t i = 0; i < modTable.size(); ++i) modStage_[i] = static_cast<int16_t>(modTable[i]);
    sweepDirectionStage_ = static_cast<int16_t>(sweepDirection);
}

void DiskSound::AfterLoad() {
    for (size_t i = 0; i < modTable.size(); ++i) modTable[i] = modStage_[i];
    sweepDirection = sweepDirectionStage_;
    modIndex &= 31;
}

}  // namespace korvanta
