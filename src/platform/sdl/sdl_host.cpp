#include "platform/sdl/sdl_host.h"

#include <cstdlib>
#include <vector>

#include "app/strings.h"
#include "video/colour_table.h"
#include "video/display.h"

namespace korvanta {
namespace {

constexpr int kShownWidth = 256;

// Joystick axes as the system reports them: 0 to 65535 with the centre in
// the middle, so the pads' centre rule reads controllers like joysticks.
constexpr int32_t kAxisRange = 65535;

int32_t AxisPosition(SDL_GameController* controller, SDL_GameControllerAxis axis, SDL_GameControllerButton minus,
                     SDL_GameControllerButton plus) {
    int32_t value = SDL_GameControllerGetAxis(controller, axis) + 32768;
    // The direction pad counts as the stick held fully over.
    if (SDL_GameControllerGetButton(controller, minus)) value = 0;
    if (SDL_GameControllerGetButton(controller, plus)) value = kAxisRange;
    return value;
}

}  // namespace

SdlHost::SdlHost() {
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
}

SdlHost::~SdlHost() {
    wave_.Close();
    for (auto*& controller : controllers_)
        if (controller) SDL_GameControllerClose(controller);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
}

bool SdlHost::CreateWindow(int scale) {
    window_ = SDL_CreateWindow(GetString(kStrWindowTitle), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               kShownWidth * scale, kShownHeight * scale, SDL_WINDOW_RESIZABLE);
    if (!window_) return false;
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) return false;
    SDL_RenderSetLogicalSize(renderer_, kShownWidth, kShownHeight);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kShownWidth,
                                 kShownHeight);
    if (!texture_) return false;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return true;
}

bool SdlHost::ShowMessage(std::string_view text, MessageKind kind) {
    std::string message(text);
    const char* caption = GetString(kind == MessageKind::Error ? kStrErrorCaption : kStrCaption);
    if (kind != MessageKind::Question) {
        Uint32 flags = kind == MessageKind::Error ? SDL_MESSAGEBOX_ERROR
                       : kind == MessageKind::Warning ? SDL_MESSAGEBOX_WARNING
                                                      : SDL_MESSAGEBOX_INFORMATION;
        if (SDL_ShowSimpleMessageBox(flags, caption, message.c_str(), window_) != 0)
            SDL_Log("%s", message.c_str());
        return true;
    }
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData data{SDL_MESSAGEBOX_INFORMATION, window_, caption, message.c_str(), 2, buttons, nullptr};
    int pressed = 0;
    return SDL_ShowMessageBox(&data, &pressed) == 0 && pressed == 1;
}

void SdlHost::SetWindowTitle(std::string_view title) {
    if (window_) SDL_SetWindowTitle(window_, std::string(title).c_str());
}

void SdlHost::SetWindowIcon(int resourceId) {
    if (!window_) return;
    // Seven cartridge icons: a 16x16 cartridge in one of seven colours.
    static constexpr uint32_t kColours[7] = {0xC03030, 0x3060C0, 0x30A040, 0xC0A020, 0x9040B0, 0x20A0A0, 0x707070};
    uint32_t colour = kColours[static_cast<unsigned>(resourceId - 170) % 7];
    std::vector<uint32_t> pixels(16 * 16, 0);
    for (int y = 2; y < 15; ++y)
        for (int x = 1; x < 15; ++x) pixels[y * 16 + x] = 0xFF000000 | (y < 6 && x > 3 && x < 12 ? 0xE0E0E0 : colour);
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 16, 16, 32, 64, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return;
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

void SdlHost::NoteKey(int virtualKey, bool down) {
    if (virtualKey > 0 && virtualKey < 256) keysDown_[virtualKey] = down;
}

bool SdlHost::IsKeyDown(int virtualKey) { return virtualKey > 0 && virtualKey < 256 && keysDown_[virtualKey]; }

void SdlHost::OpenControllers() {
    for (auto*& controller : controllers_) {
        if (controller && !SDL_GameControllerGetAttached(controller)) {
            SDL_GameControllerClose(controller);
            controller = nullptr;
        }
    }
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!SDL_IsGameController(i)) continue;
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        bool open = false;
        for (auto* controller : controllers_)
            if (controller && SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)) == id) open = true;
        if (open) continue;
        for (auto*& controller : controllers_) {
            if (!controller) {
                controller = SDL_GameControllerOpen(i);
                break;
            }
        }
    }
}

int SdlHost::JoystickCount() { return static_cast<int>(controllers_.size()); }

bool SdlHost::GetJoystickCaps(int number, JoystickCaps& caps) {
    if (number < 0 || number >= 2 || !controllers_[number]) return false;
    caps = JoystickCaps{0, kAxisRange, 0, kAxisRange};
    return true;
}

bool SdlHost::ReadJoystick(int number, JoystickPosition& position) {
    if (number < 0 || number >= 2 || !controllers_[number]) return false;
    SDL_GameController* c = controllers_[number];
    position.x = AxisPosition(c, SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    position.y = AxisPosition(c, SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    // Buttons 1-4 as a joystick numbers them: B, A, Back (Select), Start.
    static constexpr SDL_GameControllerButton kButtons[] = {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B,
                                                            SDL_CONTROLLER_BUTTON_BACK, SDL_CONTROLLER_BUTTON_START,
                                                            SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y};
    position.buttons = 0;
    for (int i = 0; i < 6; ++i)
        if (SDL_GameControllerGetButton(c, kButtons[i])) position.buttons |= 1u << i;
    return true;
}

void SdlHost::Exit(int code) {
    SDL_Quit();
    std::exit(code);
}

bool SdlHost::StartTimer(uint32_t periodMs, bool periodic) {
    timerPeriod_ = periodMs ? periodMs : 1;
    timerPeriodic_ = periodic;
    timerRunning_ = true;
    nextTick_ = SDL_GetTicks() + timerPeriod_;
    return true;
}

int SdlHost::MillisecondsToTick() const {
    if (!timerRunning_) return -1;
    int32_t wait = static_cast<int32_t>(nextTick_ - SDL_GetTicks());
    return wait > 0 ? wait : 0;
}

uint32_t SdlHost::TakeTick() {
    uint32_t now = SDL_GetTicks();
    // A periodic timer keeps its schedule; one that fell far behind restarts.
    nextTick_ += timerPeriod_;
    if (static_cast<int32_t>(now - nextTick_) > static_cast<int32_t>(timerPeriod_ * 4)) nextTick_ = now + timerPeriod_;
    return timerPeriodic_ ? 1 : 0;
}

void SdlHost::PresentFrame(const Display& display, const Ppu& ppu) {
    if (!texture_) return;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
    if (pitch == kShownWidth * 4) {
        display.ConvertPicture(ppu, static_cast<uint32_t*>(pixels));
    } else {
        std::vector<uint32_t> picture(kShownWidth * kShownHeight);
        display.ConvertPicture(ppu, picture.data());
        for (int y = 0; y < kShownHeight; ++y)
            SDL_memcpy(static_cast<uint8_t*>(pixels) + y * pitch, &picture[y * kShownWidth], kShownWidth * 4);
    }
    SDL_UnlockTexture(texture_);
    Redraw();
}

void SdlHost::Redraw() {
    if (!renderer_) return;
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void SdlHost::SetScale(int scale) {
    if (!window_) return;
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowSize(window_, kShownWidth * scale, kShownHeight * scale);
    Redraw();
}

void SdlHost::ToggleFullScreen() {
    if (!window_) return;
    bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    Redraw();
}

bool SdlHost::ReadWindowPixels(std::vector<uint32_t>& pixels, int& width, int& height) {
    if (!renderer_ || SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return false;
    pixels.assign(static_cast<size_t>(width) * height, 0);
    return SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4) == 0;
}

}  // namespace korvanta
