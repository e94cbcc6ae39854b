#include "apu/sound_out.h"

#include <algorithm>
#include <new>

#include "core/console.h"

namespace korvanta {

namespace {

constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 44100;
// A buffer not played back within this time means the device has stalled; it
// is reset rather than waited for without end.
constexpr uint32_t kMaxBufferWaitMs = 1000;

SoundSettings Clamped(SoundSettings s) {
    s.samplingRate = std::clamp(s.samplingRate, kMinRate, kMaxRate);
    s.mmVolume = std::clamp(s.mmVolume, 0, SoundSettings::kMaxVolume);
    s.bufferSize = std::clamp(s.bufferSize, 1, SoundSettings::kMaxBufferSize);
    return s;
}

}  // namespace

SoundOut::SoundOut(Console& console) : console_(console) { SetSettings(SoundSettings{}); }

SoundOut::~SoundOut() { Close(); }

void SoundOut::SetSettings(const SoundSettings& settings) {
    settings_ = Clamped(settings);
    if (!open_) {
        rate = static_cast<uint32_t>(settings_.samplingRate);
        bufferBytes_ = static_cast<uint32_t>(settings_.bufferSize) * rate / 100;
    }
}

int SoundOut::Open() {
    if (open_) return 0;
    WaveOutput* device = console_.host.GetWaveOutput();
    if (!device) return -1;
    rate = static_cast<uint32_t>(settings_.samplingRate);
    WaveFormat format;
    format.rate = rate;
    if (!device->Open(format)) return -1;
    volumeSaved_ = device->GetVolume(savedVolume_);
    uint32_t volume = static_cast<uint32_t>(settings_.mmVolume) * 256;
    device->SetVolume(volume | volume << 16);

    bufferBytes_ = static_cast<uint32_t>(settings_.bufferSize) * rate / 100;
    try {
        for (auto& block : blocks_) block.assign(bufferBytes_, 0);
    } catch (const std::bad_alloc&) {
        for (auto& block : blocks_) std::vector<uint8_t>().swap(block);
        if (volumeSaved_) device->SetVolume(savedVolume_);
        device->Close();
        return -1;
    }
    for (int i = 0; i < kWaveBufferCount; ++i) {
        WaveBuffer& b = buffers_[i];
        b = WaveBuffer{};
        b.data = blocks_[i].data();
        b.length = bufferBytes_;
        b.loops = 1;
        device->Prepare(b);
        b.done = true;
    }
    device_ = device;
    current_ = 0;
    lastTime_ = console_.host.Milliseconds();
    writePos_ = 0;
    previous_ = 0;
    open_ = true;
    return 0;
}

void SoundOut::Close() {
    if (!open_) return;
    device_->Reset();
    for (WaveBuffer& b : buffers_) device_->Unprepare(b);
    for (auto& block : blocks_) std::vector<uint8_t>().swap(block);
    buffers_.fill(WaveBuffer{});
    if (volumeSaved_) device_->SetVolume(savedVolume_);
    device_->Close();
    device_ = nullptr;
    open_ = false;
}

void SoundOut::TickRunning(int framesPerTick) {
    uint32_t now = console_.host.Milliseconds();
    uint64_t samples = static_cast<uint64_t>(now - lastTime_) * rate / 1000;
    samples = std::min<uint64_t>(samples, bufferBytes_);
    lastTime_ = now;
    samplesPerFrame = static_cast<uint32_t>(samples / static_cast<uint32_t>(std::max(framesPerTick, 1)));
    writePos_ = 0;
}

void SoundOut::TickStopped(int framesPerTick) {
    uint32_t k = static_cast<uint32_t>(std::max(framesPerTick, 1));
    lastTime_ = console_.host.Milliseconds();
    samplesPerFrame = k * rate / 60;
    if (samplesPerFrame > bufferBytes_) samplesPerFrame = bufferBytes_ / k;
    writePos_ = 0;
}

uint16_t SoundOut::PhaseStep(uint32_t frequency) const {
    if (frequency == 0) return 0;
    return static_cast<uint16_t>((static_cast<uint64_t>(frequency) << 16) / rate);
}

void SoundOut::ClockSilently() {
    Apu& apu = console_.apu;
    for (int half = 0; half < 2; ++half)
        for (int i = 0; i < 4; ++i) apu.ClockHalfFrame(i);
    Mapper* board = console_.mapper.get();
    if (board && board->hasExpansionSound)
        for (uint32_t i = 0; i < 2 * board->soundTicksPerHalfFrame; ++i) board->SoundTick();
    apu.EndOfFrame();
}

void SoundOut::AwaitCurrentBuffer() {
    WaveBuffer& b = buffers_[current_];
    if (device_->IsDone(b)) return;
    Host& host = console_.host;
    uint32_t start = host.Milliseconds();
    uint32_t waited = 0;
    for (uint32_t polls = 0; !device_->IsDone(b); ++polls) {
        waited = host.Milliseconds() - start;
        if (waited >= kMaxBufferWaitMs || polls >= kMaxBufferWaitMs) {
            device_->Reset();
            b.done = true;
            break;
        }
        host.SleepMilliseconds(1);
    }
    lastTime_ += waited - 1;
}

void SoundOut::MixFrame() {
    if (!open_) {
        ClockSilently();
        return;
    }
    Apu& apu = console_.apu;
    uint8_t mask = apu.channelMask;
    uint8_t tones = mask & apu.lastStatus;
    bool square1 = tones & 1, square2 = tones & 2, triangle = tones & 4, noise = tones & 8;
    bool sample = mask & 0x10, external = mask & 0x20;
    Mapper* board = console_.mapper.get();
    bool boardSound = board && board->hasExpansionSound;
    uint32_t ticksPerHalf = boardSound ? board->soundTicksPerHalfFrame : 0;

    AwaitCurrentBuffer();
    apu.RewindLevelLog();
    uint8_t* out = buffers_[current_].data;
    uint32_t halfSamples = samplesPerFrame / 2;
    bool reverb = !settings_.noReverb;
    uint32_t tickCounter = 0;
    // Kept in locals: the byte stores below may alias any member.
    uint32_t writePos = writePos_;
    const uint32_t bufferBytes = bufferBytes_;
    int32_t previous = previous_;
    for (uint32_t half = 0; half < 2; ++half) {
        // Channel by channel over a run of samples; each channel's values
        // are the same as when taken sample by sample.
        for (uint32_t first = 0; first < halfSamples; first += kMixRun) {
            uint32_t count = std::min(kMixRun, halfSamples - first);
            int32_t* acc = mixRun_.data();
            std::fill_n(acc, count, 0);
            if (square1) apu.AddTone(0, acc, count);
            if (square2) apu.AddTone(1, acc, count);
            if (triangle) apu.AddTone(2, acc, count);
            if (noise) apu.AddNoise(acc, count);
            if (sample) apu.AddDmc(acc, count, first, half);
            for (uint32_t i = 0; i < count; ++i) {
                if (boardSound) {
                    if (external) board->MixSample(&acc[i], static_cast<int>(first + i), static_cast<int>(half));
                    // Spreads the board's ticks evenly over the half frame.
                    tickCounter += ticksPerHalf;
                    while (tickCounter >= halfSamples) {
                        board->SoundTick();
                        tickCounter -= halfSamples;
                    }
                }
                int32_t value = reverb ? (2 * previous) / 3 + acc[i] / 3 : acc[i];
                previous = value;
                // Frames mixed beyond the tick's plan (a debugger step) are
                // dropped rather than written past the buffer.
                if (writePos < bufferBytes) out[writePos++] = static_cast<uint8_t>(std::clamp(value / 4 + 128, 0, 255));
            }
        }
        // Too few samples to spread them over: the board still gets its ticks.
        if (halfSamples == 0)
            for (uint32_t i = 0; i < ticksPerHalf; ++i) board->SoundTick();
        for (int i = 0; i < 4; ++i) apu.ClockHalfFrame(i);
    }
    writePos_ = writePos;
    previous_ = previous;
    apu.EndOfFrame();
}

void SoundOut::Submit() {
    if (!open_) return;
    int doneCount = 0;
    while (doneCount < kWaveBufferCount && device_->IsDone(buffers_[doneCount])) ++doneCount;
    // The device ran dry: the next tick mixes more to refill it.
    if (doneCount == kWaveBufferCount) lastTime_ -= samplesPerFrame / 2;
    WaveBuffer& b = buffers_[current_];
    b.length = b.recordedLength = writePos_;
    b.done = false;
    // A refused buffer never comes back from the device; it stays free so
    // that the next frame does not wait for it.
    if (!device_->Write(b)) b.done = true;
    current_ = (current_ + 1) % kWaveBufferCount;
}

}  // namespace korvanta
