// The 8 x 11 overlay font of the on-screen messages: characters below 96
// only, two bits per pixel (1 letter, 2 edge, 0 transparent), 8-pixel advance.
#pragma once
#include <cstdint>
#include <string_view>

namespace korvanta {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 11;

// Pixel value 0-3 of character `c` at (x, y) of its cell; 0 for characters
// without a glyph (control characters and 96 upwards).
int GlyphPixel(unsigned char c, int x, int y);

// Draws `text` into a 256 x 240 FrameBuffer with the top-left corner of the
// first cell at (x, y), clipped to the picture. Nonzero pixels are written as
// value + `valueBase` (the index where the overlay colours begin).
void DrawOverlayText(uint8_t* frameBuffer, int x, int y, std::string_view text, int valueBase);

}  // namespace korvanta
