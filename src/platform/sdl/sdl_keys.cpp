#include "platform/sdl/sdl_keys.h"

namespace korvanta {
namespace {

struct ScancodeKey {
    SDL_Scancode scancode;
    int virtualKey;
};

// Keys whose code does not follow from the character they type.
constexpr ScancodeKey kScancodes[] = {
    {SDL_SCANCODE_BACKSPACE, 0x08}, {SDL_SCANCODE_TAB, 0x09},      {SDL_SCANCODE_RETURN, 0x0D},
    {SDL_SCANCODE_KP_ENTER, 0x0D},  {SDL_SCANCODE_LSHIFT, 0x10},   {SDL_SCANCODE_RSHIFT, 0x10},
    {SDL_SCANCODE_LCTRL, 0x11},     {SDL_SCANCODE_RCTRL, 0x11},    {SDL_SCANCODE_LALT, 0x12},
    {SDL_SCANCODE_RALT, 0x12},      {SDL_SCANCODE_PAUSE, 0x13},    {SDL_SCANCODE_CAPSLOCK, 0x14},
    {SDL_SCANCODE_ESCAPE, 0x1B},    {SDL_SCANCODE_SPACE, 0x20},    {SDL_SCANCODE_PAGEUP, 0x21},
    {SDL_SCANCODE_PAGEDOWN, 0x22},  {SDL_SCANCODE_END, 0x23},      {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_LEFT, 0x25},      {SDL_SCANCODE_UP, 0x26},       {SDL_SCANCODE_RIGHT, 0x27},
    {SDL_SCANCODE_DOWN, 0x28},      {SDL_SCANCODE_PRINTSCREEN, 0x2C}, {SDL_SCANCODE_INSERT, 0x2D},
    {SDL_SCANCODE_DELETE, 0x2E},    {SDL_SCANCODE_KP_0, 0x60},     {SDL_SCANCODE_KP_1, 0x61},
    {SDL_SCANCODE_KP_2, 0x62},      {SDL_SCANCODE_KP_3, 0x63},     {SDL_SCANCODE_KP_4, 0x64},
    {SDL_SCANCODE_KP_5, 0x65},      {SDL_SCANCODE_KP_6, 0x66},     {SDL_SCANCODE_KP_7, 0x67},
    {SDL_SCANCODE_KP_8, 0x68},      {SDL_SCANCODE_KP_9, 0x69},     {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_PLUS, 0x6B},   {SDL_SCANCODE_KP_MINUS, 0x6D}, {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F}, {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_SEMICOLON, 0xBA}, {SDL_SCANCODE_EQUALS, 0xBB},   {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},     {SDL_SCANCODE_PERIOD, 0xBE},   {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},     {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_APOSTROPHE, 0xDE},
};

}  // namespace

int VirtualKeyFromSdl(const SDL_Keysym& key) {
    // Letters and digits follow the layout, as Windows' codes do.
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) return 'A' + (key.sym - SDLK_a);
    if (key.sym >= SDLK_0 && key.sym <= SDLK_9) return '0' + (key.sym - SDLK_0);
    if (key.scancode >= SDL_SCANCODE_F1 && key.scancode <= SDL_SCANCODE_F12)
        return 0x70 + (key.scancode - SDL_SCANCODE_F1);
    for (const ScancodeKey& entry : kScancodes)
        if (entry.scancode == key.scancode) return entry.virtualKey;
    return 0;
}

}  // namespace korvanta
