// Turns timer ticks into emulated frames: a batch of frames per tick, the
// shown/skipped decision, and the pacing that keeps the emulation at the
// chosen speed by changing the batch size, the timer period and the skip.
#pragma once
#include <cstdint>

#include "app/settings.h"

namespace korvanta {

class Console;
class Display;
class InputSystem;

// The movie layer's per-frame steps; the frame driver calls them in place.
class FrameMovieHooks {
public:
    virtual ~FrameMovieHooks() = default;
    // Before the pads are polled, while a movie is replayed.
    virtual void ReplayFrame() = 0;
    // After the pads are polled, while a movie is recorded.
    virtual void RecordFrame() = 0;
    virtual bool Replaying() const = 0;
    virtual bool Recording() const = 0;
};

// Accumulated timings (milliseconds since start, never reset).
struct FrameStatistics {
    uint64_t framesRun = 0;
    uint64_t framesShown = 0;
    uint64_t skipSum = 0;
    uint64_t drawCalc = 0, draw = 0, cpuCalc = 0, sndCalc = 0, os = 0;
};

class FrameDriver {
public:
    // `input` and `display` may be null (the command-line runner has no
    // keyboard, and presents nothing).
    FrameDriver(Console& console, InputSystem* input, Display* display, SpeedSettings& speed);

    // The timer tick: id 0 from the window timer, nonzero from the periodic
    // timer. Runs up to framesPerTick frames and adjusts the pacing.
    void Tick(uint32_t timerId);
    // Chooses the timer (from the settings, or the current period) and asks
    // the host to start it; false when it could not.
    bool StartTimer(bool fromSettings);
    void StopTimer();

    // One frame of the tick's loop: counted, decided shown or skipped, run
    // (input, CPU, sound, and for a shown frame the picture and its present).
    void RunOneFrame();

    uint32_t TimerPeriod() const { return timerPeriod_; }
    uint32_t NominalPeriod() const { return nominalPeriod_; }
    bool UsesPeriodicTimer() const { return useMultimediaTimer_; }

    FrameStatistics stats;
    FrameMovieHooks* movie = nullptr;
    bool modal = false;    // a modal dialog or file operation is open
    bool closing = false;  // the main window is closing

private:
    bool DecideShown(uint32_t now);
    void RunFrame(bool shown);
    uint32_t PeriodFor(int32_t frames) const;
    void Pace(uint32_t elapsed);

    Console& console_;
    InputSystem* input_;
    Display* display_;
    SpeedSettings& speed_;
    uint32_t timerPeriod_ = 0;
    uint32_t nominalPeriod_ = 0;
    bool useMultimediaTimer_ = false;
    bool restartTimer_ = false;
    bool started_ = false;
    uint32_t lastTickTime_ = 0;
    uint32_t lastFrameTime_ = 0;
    uint32_t measure_ = 0;  // the last measuring point of the statistics
    uint32_t skipCount_ = 0;
    int64_t lateness_ = 0;
};

}  // namespace korvanta
