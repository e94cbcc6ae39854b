// SDL key events as the Windows virtual-key codes that the key assignment
// and the settings file use, so one settings file serves both programs.
#pragma once
#include <SDL.h>

namespace korvanta {

// The virtual-key code of a key, or 0 for keys without one.
int VirtualKeyFromSdl(const SDL_Keysym& key);

}  // namespace korvanta
