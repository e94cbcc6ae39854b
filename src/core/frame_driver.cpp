#include "core/frame_driver.h"

#include <algorithm>

#include "core/console.h"
#include "input/input_system.h"
#include "video/display.h"

namespace korvanta {
namespace {

// The periodic timer does not start with a 0 ms period, which the formula
// gives for batches under 3 frames and for very high speeds.
constexpr uint32_t kMinTimerPeriod = 1;
constexpr int kPacingMessageFrames = 60;

}  // namespace

FrameDriver::FrameDriver(Console& console, InputSystem* input, Display* display, SpeedSettings& speed)
    : console_(console), input_(input), display_(display), speed_(speed) {}

uint32_t FrameDriver::PeriodFor(int32_t frames) const {
    // Integer arithmetic as the speed dialog shows it: frames count in steps of 3.
    int32_t speed = std::max(speed_.execSpeed, 1);
    return static_cast<uint32_t>((frames / 3) * 5000 / speed);
}

bool FrameDriver::StartTimer(bool fromSettings) {
    if (fromSettings) {
        useMultimediaTimer_ = !speed_.fullSpeed;
        timerPeriod_ = nominalPeriod_ = useMultimediaTimer_ ? PeriodFor(speed_.occupation) : 1;
    }
    return console_.host.StartTimer(std::max(timerPeriod_, kMinTimerPeriod), useMultimediaTimer_);
}

void FrameDriver::StopTimer() { console_.host.StopTimer(); }

bool FrameDriver::DecideShown(uint32_t now) {
    if (speed_.fullSpeed && speed_.autoFrame) {
        lateness_ += static_cast<int32_t>(now - lastFrameTime_);
        if (lateness_ <= 17 || skipCount_ > 10) return true;
        lateness_ -= 17;
        return false;
    }
    return skipCount_ % static_cast<uint32_t>(std::max(speed_.drawFrame, 1)) == 0;
}

void FrameDriver::RunFrame(bool shown) {
    Host& host = console_.host;
    if (shown) console_.ppu.BeginDrawnFrame();
    if (movie && movie->Replaying()) movie->ReplayFrame();
    if (input_) {
        input_->PollKeySets();
        input_->UpdateDevices();
    } else {
        for (auto& device : console_.devices) device->FrameUpdate();
    }
    if (movie && movie->Recording()) movie->RecordFrame();
    uint32_t t = host.Milliseconds();
    stats.drawCalc += t - measure_;
    console_.cpu.Run(RunMode::RunWhileRunning);
    uint32_t afterCpu = host.Milliseconds();
    stats.cpuCalc += afterCpu - t;
    console_.soundOut.MixFrame();
    measure_ = host.Milliseconds();
    stats.sndCalc += measure_ - afterCpu;
    if (shown) {
        stats.framesShown++;
        stats.skipSum += skipCount_;
        skipCount_ = 0;
        lateness_ = 0;
        console_.ppu.EndDrawnFrame();
        uint32_t drawn = host.Milliseconds();
        stats.drawCalc += drawn - measure_;
        if (display_) {
            display_->Present(console_.ppu);
            host.PresentFrame(*display_, console_.ppu);
        }
        measure_ = host.Milliseconds();
        stats.draw += measure_ - drawn;
    }
}

void FrameDriver::RunOneFrame() {
    stats.framesRun++;
    if (display_) display_->CountFrame();
    uint32_t frameStart = console_.host.Milliseconds();
    RunFrame(DecideShown(frameStart));
    lastFrameTime_ = frameStart;
    skipCount_++;
}

void FrameDriver::Tick(uint32_t timerId) {
    Host& host = console_.host;
    uint32_t now = host.Milliseconds();
    if (!started_) {
        started_ = true;
        lastTickTime_ = lastFrameTime_ = now;
    }
    if (closing) return;
    uint32_t tickStart = now;
    if (timerId == 0 && useMultimediaTimer_) {
        lastTickTime_ = now;
        return;
    }
    if (restartTimer_) {
        restartTimer_ = false;
        StopTimer();
        StartTimer(false);
    }
    if (modal) {
        lastTickTime_ = now;
        return;
    }
    Machine& m = console_.machine;
    int32_t framesPerTick = std::max(speed_.occupation, 1);
    if (m.RunState == 0) {
        console_.soundOut.TickStopped(framesPerTick);
        lastTickTime_ = host.Milliseconds();
        return;
    }
    if (m.RunState != 1) return;
    console_.soundOut.TickRunning(framesPerTick);
    uint32_t t = host.Milliseconds();
    stats.os += t - lastTickTime_;
    measure_ = t;
    for (int frame = 0; frame < framesPerTick && m.RunState == 1; ++frame) RunOneFrame();
    console_.soundOut.Submit();
    if (useMultimediaTimer_) Pace(host.Milliseconds() - tickStart);
    lastTickTime_ = host.Milliseconds();
}

void FrameDriver::Pace(uint32_t elapsed) {
    const char* direction = nullptr;
    int32_t& frames = speed_.occupation;
    if (elapsed > nominalPeriod_) {
        frames += 3;
        if (frames > SpeedSettings::kMaxOccupation) {
            frames = SpeedSettings::kMaxOccupation;
            timerPeriod_ = elapsed + 10;
            if (speed_.autoFrame) speed_.drawFrame = std::min(speed_.drawFrame + 1, SpeedSettings::kMaxDrawFrame);
        } else {
            timerPeriod_ = nominalPeriod_ = PeriodFor(frames);
        }
        restartTimer_ = true;
        direction = ">>";
    } else if (frames > 3 && elapsed + 10 < timerPeriod_) {
        if (elapsed < nominalPeriod_) {
            frames -= 3;
            timerPeriod_ = nominalPeriod_ = PeriodFor(frames);
        } else {
            timerPeriod_ -= timerPeriod_ - elapsed > 100 ? 100 : 5;
        }
        restartTimer_ = true;
        direction = "<<";
    } else if (speed_.autoFrame && frames <= 3 && elapsed + 10 < nominalPeriod_) {
        speed_.drawFrame = std::max(speed_.drawFrame - 1, 1);
    }
    if (direction && display_) {
        display_->ShowScreenMessage(kPacingMessageFrames, true, 0, 210, "SPEED ADJUSTING.%s ", direction);
        if (timerPeriod_ != nominalPeriod_) display_->ShowScreenMessage(kPacingMessageFrames, true, 0, 210, "VERY HEAVY!");
    }
}

}  // namespace korvanta
