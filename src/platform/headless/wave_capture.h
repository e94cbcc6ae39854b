// Records the sound of a headless run (the runner's --wav FILE --rate HZ).
// It gives the host a wave device and plays the mixer in ticks of three
// frames, 50 ms of the host's clock apart, with 50 ms buffers: every frame is
// then rate / 60 samples long whatever the device does, so the recording is
// the same on every run.
//
//   WaveCapture capture(console, host, rate);   // before the first frame
//   per frame: capture.BeforeFrame(); run the frame (the frame driver
//   mixes it); capture.AfterFrame();
//   capture.Finish(path);
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

class Console;
class HeadlessHost;
class HeadlessWaveOutput;

class WaveCapture {
public:
    static constexpr int kFramesPerTick = 3;
    static constexpr uint32_t kTickMs = 50;

    // Installs a headless device on `host` (replacing any) and opens the
    // console's mixer at `rate` (brought into 8000-44100 Hz).
    WaveCapture(Console& console, HeadlessHost& host, uint32_t rate);
    // True when the mixer opened.
    bool IsOpen() const;
    // Starts a tick of three frames when none is open.
    void BeforeFrame();
    // After a frame was run and mixed; submits after every third.
    void AfterFrame();
    // Submits what is pending and writes the WAV file; false on a write error.
    bool Finish(const std::string& path);
    const HeadlessWaveOutput& Device() const;

private:
    Console& console_;
    HeadlessHost& host_;
    int framesInTick_ = 0;
};

}  // namespace korvanta
