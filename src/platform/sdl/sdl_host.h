// The Linux desktop host: an SDL2 window that shows the picture, SDL's audio
// queue as the wave output, the keyboard as Windows virtual-key codes, game
// controllers as joysticks 1 and 2, and the tick timer on the main loop's
// thread (so a tick never runs beside a command that changes the machine).
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/sdl/sdl_wave.h"

namespace korvanta {

class SdlHost final : public Host {
public:
    SdlHost();
    ~SdlHost() override;
    SdlHost(const SdlHost&) = delete;
    SdlHost& operator=(const SdlHost&) = delete;

    // Creates the window at `scale` times the picture; false on failure.
    bool CreateWindow(int scale);

    bool ShowMessage(std::string_view text, MessageKind kind) override;
    void SetWindowTitle(std::string_view title) override;
    void SetWindowIcon(int resourceId) override;
    bool IsKeyDown(int virtualKey) override;
    int JoystickCount() override;
    bool GetJoystickCaps(int number, JoystickCaps& caps) override;
    bool ReadJoystick(int number, JoystickPosition& position) override;
    WaveOutput* GetWaveOutput() override { return &wave_; }
    uint32_t Milliseconds() override { return SDL_GetTicks(); }
    void SleepMilliseconds(uint32_t ms) override { SDL_Delay(ms); }
    void Exit(int code) override;
    bool StartTimer(uint32_t periodMs, bool periodic) override;
    void StopTimer() override { timerRunning_ = false; }
    void PresentFrame(const Display& display, const Ppu& ppu) override;

    // Key events from the loop keep the key-down table current.
    void NoteKey(int virtualKey, bool down);
    // Game controllers come and go.
    void OpenControllers();
    // The window size: 1-3 times the picture, or full screen.
    void SetScale(int scale);
    void ToggleFullScreen();
    // Draws the last presented picture again (expose, resize).
    void Redraw();
    // The window's current contents as 0x00RRGGBB pixels.
    bool ReadWindowPixels(std::vector<uint32_t>& pixels, int& width, int& height);

    // Milliseconds until the next tick is due (0: now), or -1 without a timer.
    int MillisecondsToTick() const;
    // The id to tick with when the timer is due, and its next due time.
    uint32_t TakeTick();

private:
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SdlWaveOutput wave_;
    std::array<bool, 256> keysDown_{};
    std::array<SDL_GameController*, 2> controllers_{};
    bool timerRunning_ = false;
    bool timerPeriodic_ = false;
    uint32_t timerPeriod_ = 1;
    uint32_t nextTick_ = 0;
};

}  // namespace korvanta
