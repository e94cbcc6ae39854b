#include "platform/headless/wave_capture.h"

#include <memory>

#include "core/console.h"
#include "platform/headless/headless_host.h"

namespace korvanta {

WaveCapture::WaveCapture(Console& console, HeadlessHost& host, uint32_t rate) : console_(console), host_(host) {
    SoundOut& sound = console_.soundOut;
    sound.Close();
    host_.waveOutput = std::make_unique<HeadlessWaveOutput>();
    SoundSettings settings = sound.Settings();
    settings.samplingRate = static_cast<int32_t>(rate > 44100 ? 44100 : rate);
    settings.bufferSize = static_cast<int32_t>(kTickMs / 10);
    sound.SetSettings(settings);
    sound.Open();
}

bool WaveCapture::IsOpen() const { return console_.soundOut.IsOpen(); }

const HeadlessWaveOutput& WaveCapture::Device() const { return *host_.waveOutput; }

void WaveCapture::BeforeFrame() {
    if (framesInTick_ != 0 || !console_.soundOut.IsOpen()) return;
    host_.clock += kTickMs;
    console_.soundOut.TickRunning(kFramesPerTick);
}

void WaveCapture::AfterFrame() {
    SoundOut& sound = console_.soundOut;
    if (!sound.IsOpen()) return;
    if (++framesInTick_ == kFramesPerTick) {
        sound.Submit();
        framesInTick_ = 0;
    }
}

bool WaveCapture::Finish(const std::string& path) {
    SoundOut& sound = console_.soundOut;
    if (sound.IsOpen() && framesInTick_ > 0) {
        sound.Submit();
        framesInTick_ = 0;
    }
    return host_.waveOutput && host_.waveOutput->WriteWavFile(path);
}

}  // namespace korvanta
