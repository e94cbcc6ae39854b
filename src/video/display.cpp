#include "video/display.h"

#include <cstdarg>
#include <cstdio>

#include "ppu/ppu.h"
#include "video/overlay_font.h"

namespace korvanta {

void Display::ShowScreenMessage(int lifetime, bool suppressible, int x, int y, const char* format, ...) {
    if (suppressible && noMessage) return;
    char text[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    screenMessage.text = length > 0 ? text : "";
    screenMessage.x = x;
    screenMessage.y = y;
    screenMessage.lifetime = lifetime;
}

void Display::Present(Ppu& ppu, bool fromTick) {
    MarkPaletteSets(ppu);
    if (fromTick || colourTable_.size == 0) colourTable_ = BuildColourTable(ppu, masterPalette);
    if (screenMessage.Active()) {
        // The overlay colours follow the last palette set of the table.
        DrawOverlayText(ppu.frameBuffer.data(), screenMessage.x, screenMessage.y, screenMessage.text,
                        colourTable_.size - 4);
    }
}

void Display::ConvertPicture(const Ppu& ppu, uint32_t* out) const {
    ConvertShownPicture(ppu.frameBuffer.data(), colourTable_, out);
}

}  // namespace korvanta
