// The portable half of the Display: the master palette, the colour table of
// the presented frame, the on-screen message, and the conversion of the
// FrameBuffer into RGB pixels. The host's window code draws the result.
#pragma once
#include <array>
#include <cstdint>

#include "video/colour_table.h"
#include "video/master_palette.h"
#include "video/screen_message.h"

namespace korvanta {

class Ppu;

// Where the picture sits in the main window's client area: the drawn size
// over 256 x 224, and the top-left corner (moved only in full screen).
struct PicturePlacement {
    double scaleX = 1.0, scaleY = 1.0;
    int32_t originX = 0, originY = 0;

    // A client position in picture coordinates; a zero scale divides by 1.
    void ClientToPicture(int32_t clientX, int32_t clientY, int32_t& x, int32_t& y) const {
        double dx = clientX - originX, dy = clientY - originY;
        x = static_cast<int32_t>(scaleX != 0 ? dx / scaleX : dx);
        y = static_cast<int32_t>(scaleY != 0 ? dy / scaleY : dy);
    }
};

class Display {
public:
    // Sets the message unless it is suppressible and messages are off ("NoMessage").
    // The text is formatted printf-style and cut to 255 characters.
    void ShowScreenMessage(int lifetime, bool suppressible, int x, int y, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 6, 7)))
#endif
        ;
    // Once per emulated frame (shown or skipped), from the frame driver.
    void CountFrame() {
        if (screenMessage.lifetime > 0) --screenMessage.lifetime;
    }

    // Readies a shown frame for drawing: marks the palette sets into the
    // FrameBuffer, draws the active message over it and builds the colour
    // table. A repaint (fromTick clear) marks again but keeps the colour
    // table of the frame's own presentation.
    void Present(Ppu& ppu, bool fromTick = true);
    // The presented picture, 256 x 224 pixels of 0x00RRGGBB.
    void ConvertPicture(const Ppu& ppu, uint32_t* out) const;

    const ColourTable& Colours() const { return colourTable_; }

    // Creating a board applies the base table again.
    void ApplyIdentityPalette() { masterPalette = BasePalette(); }

    MasterPalette masterPalette = BasePalette();
    ScreenMessage screenMessage;
    bool noMessage = false;  // "NoMessage"
    PicturePlacement placement;  // kept up to date by the host's window code

private:
    ColourTable colourTable_;
};

}  // namespace korvanta
