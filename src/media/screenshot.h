// Screen captures of the last shown frame: the program's 57,526-byte Windows
// bitmap (SaveScreen) and a PNG in the presented colours.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "video/master_palette.h"

namespace korvanta {

class Display;
class Host;
class Ppu;

inline constexpr uint32_t kScreenBitmapSize = 57526;

// The bitmap: 256 x 224 at 8 bits with 32 colours, palette set 0 through the
// master palette, FrameBuffer lines 8-231 bottom row first. Pixel bytes keep
// only the palette index (a marked or overlaid byte would point past the 32
// colours), palette bytes only the colour number.
std::vector<uint8_t> BuildScreenBitmap(const Ppu& ppu, const MasterPalette& master);

// Writes the bitmap to `path`; a file that cannot be created shows "Couldn't
// open file.(%s)" and returns false.
bool SaveScreen(Host& host, const Ppu& ppu, const MasterPalette& master, const std::string& path);

// The presented picture as a 256 x 224 PNG, every palette set and the message
// in their colours. False when the file cannot be written.
bool SaveScreenPng(const Display& display, const Ppu& ppu, const std::string& path);

// The command-line runner's capture: a path ending in ".png" (any case)
// gets the PNG, anything else the bitmap.
bool SaveScreenshot(Host& host, const Display& display, const Ppu& ppu, const std::string& path);

}  // namespace korvanta
