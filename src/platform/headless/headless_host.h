// Deterministic host for tests and the command-line runner: it records the
// messages it was asked to show and can echo them to standard error.
#pragma once
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/wave_device.h"
#include "platform/host.h"

namespace korvanta {

class HeadlessHost : public Host {
public:
    struct Shown {
        std::string text;
        MessageKind kind;
    };

    bool ShowMessage(std::string_view text, MessageKind kind) override;
    void SetWindowTitle(std::string_view title) override { windowTitle.assign(title); }
    bool IsKeyDown(int virtualKey) override;
    int JoystickCount() override { return static_cast<int>(joysticks.size()); }
    bool GetJoystickCaps(int number, JoystickCaps& caps) override;
    bool ReadJoystick(int number, JoystickPosition& position) override;
    void Exit(int code) override { exitCode = code; }
    WaveOutput* GetWaveOutput() override { return waveOutput.get(); }
    // The clock only moves when a test (or the runner) moves it, and when the
    // mixer waits for the device, so sample counts are deterministic.
    uint32_t Milliseconds() override { return clock; }
    void SleepMilliseconds(uint32_t ms) override { clock += ms; }
    bool StartTimer(uint32_t periodMs, bool periodic) override {
        timerPeriod = periodMs;
        timerPeriodic = periodic;
        ++timerStarts;
        return !refuseTimer;
    }

    // A joystick the tests move; the flags make the system's queries fail.
    struct Joystick {
        JoystickCaps caps;
        JoystickPosition position;
        bool capsFail = false;
        bool readFail = false;
    };

    std::vector<Shown> messages;
    std::string windowTitle;
    bool echoToStderr = false;
    bool answerYes = false;  // the answer to Question boxes
    std::array<bool, 256> keysDown{};  // by virtual-key code
    std::vector<Joystick> joysticks;
    std::optional<int> exitCode;  // set by Exit; the process goes on
    uint32_t clock = 0;            // milliseconds
    uint32_t timerPeriod = 0;      // the last timer started
    bool timerPeriodic = false;
    int timerStarts = 0;
    bool refuseTimer = false;
    std::unique_ptr<HeadlessWaveOutput> waveOutput;  // null: no sound device
};

}  // namespace korvanta
