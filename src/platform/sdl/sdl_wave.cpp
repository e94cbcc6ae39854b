#include "platform/sdl/sdl_wave.h"

namespace korvanta {
namespace {

// Each buffer keeps the queue position of its last byte.
struct BufferEnd {
    uint64_t end = 0;
};

}  // namespace

bool SdlWaveOutput::Open(const WaveFormat& format) {
    Close();
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.rate);
    want.format = format.bitsPerSample == 16 ? AUDIO_S16SYS : AUDIO_U8;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = 512;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device_ == 0) return false;
    queuedTotal_ = 0;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlWaveOutput::Close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
}

bool SdlWaveOutput::Prepare(WaveBuffer& buffer) {
    if (!buffer.deviceData) buffer.deviceData = new BufferEnd;
    return true;
}

void SdlWaveOutput::Unprepare(WaveBuffer& buffer) {
    delete static_cast<BufferEnd*>(buffer.deviceData);
    buffer.deviceData = nullptr;
}

uint64_t SdlWaveOutput::Consumed() const { return queuedTotal_ - SDL_GetQueuedAudioSize(device_); }

bool SdlWaveOutput::Write(WaveBuffer& buffer) {
    auto* end = static_cast<BufferEnd*>(buffer.deviceData);
    if (device_ == 0 || !end || SDL_QueueAudio(device_, buffer.data, buffer.length) != 0) return false;
    queuedTotal_ += buffer.length;
    end->end = queuedTotal_;
    return true;
}

bool SdlWaveOutput::IsDone(WaveBuffer& buffer) {
    if (buffer.done) return true;
    auto* end = static_cast<BufferEnd*>(buffer.deviceData);
    if (device_ == 0 || !end || Consumed() >= end->end) buffer.done = true;
    return buffer.done;
}

void SdlWaveOutput::Reset() {
    if (device_ == 0) return;
    // Dropped bytes count as played, so every queued buffer reads as done.
    SDL_ClearQueuedAudio(device_);
}

}  // namespace korvanta
