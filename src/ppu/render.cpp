// The catch-up renderer: whole-line batches of background and sprites, and
// the optional dot-by-dot background of the line the CPU is on.
#include <algorithm>
#include <cstring>

#include "core/console.h"
#include "ppu/pixel_ops.h"
#include "ppu/ppu.h"

namespace korvanta {

void Ppu::BeginDrawnFrame() {
    renderScrollX = scrollXLatch;
    renderScrollY = scrollYLatch;
    renderNameTable = nameTableLatch;
    lastBackgroundExtension_ = -1;
    lastSpriteExtension_ = -1;
    drawingThisFrame_ = true;
    nextLine_ = 0;
    linePosition_ = 0;
}

void Ppu::EndDrawnFrame() {
    RenderCatchUp(false);
    drawingThisFrame_ = false;
}

void Ppu::RenderCatchUp(bool withHook) {
    // Boards answer render messages and hooks by switching banks, which asks
    // for a catch-up again; the batch in progress already covers it.
    if (!drawingThisFrame_ || rendering_) return;
    rendering_ = true;
    const Machine& m = console_.machine;
    int target = kScreenHeight - 1;
    if (withHook) {
        if (console_.mapper) console_.mapper->BeforeRender();
        target = std::min(ScanlineOf(m.cycles) - 1, kScreenHeight - 1);
    }
    int count = target + 1 - nextLine_;
    if (count > 0) DrawLines(count);
    if (count >= 0 && m.perDotBankSwitching && nextLine_ != 0 && nextLine_ < kScreenHeight && backgroundEnabled) {
        int position = PixelPositionOf(m.cycles);
        if (position > linePosition_) {
            SelectBanks();
            DrawLinePixels(nextLine_, linePosition_, position);
            linePosition_ = position;
        }
    }
    rendering_ = false;
}

void Ppu::SelectBanks() {
    auto page = [this](int window) -> const uint8_t* {
        return decodedChrWindow[window] ? decodedChrWindow[window] : blankPage_.data();
    };
    int background = backgroundPatternBase ? 4 : 0;
    for (int i = 0; i < 4; ++i) backgroundBanks_[i] = page(background + i);
    if (tallSprites) {
        for (int i = 0; i < 8; ++i) spriteBanks_[i] = page(i);
    } else {
        int sprite = spritePatternBase ? 4 : 0;
        for (int i = 0; i < 4; ++i) spriteBanks_[i] = page(sprite + i);
    }
}

void Ppu::DrawLines(int count) {
    SelectBanks();
    uint8_t* first = &frameBuffer[static_cast<size_t>(nextLine_) * kScreenWidth];
    if (backgroundEnabled) {
        int table;
        int y = BackgroundRowOf(nextLine_, table);
        DrawBackgroundBlock(table, renderScrollX, y, kScreenWidth, count, first, true);
        for (int i = 0; i < count; ++i) ClearLeftColumn(first + i * kScreenWidth);
        if (linePosition_) {
            // The line the CPU was in the middle of: its left part was drawn
            // dot by dot with the banks of that moment.
            DrawLinePixels(nextLine_, linePosition_, kScreenWidth);
            ClearLeftColumn(lineBuffer_.data());
            std::memcpy(first, lineBuffer_.data(), kScreenWidth);
        }
    } else {
        std::memset(first, 0, static_cast<size_t>(count) * kScreenWidth);
    }
    if (spritesEnabled) DrawSprites(nextLine_, nextLine_ + count);
    MaskPixels(first, static_cast<size_t>(count) * kScreenWidth, 0x7F, 0);
    linePosition_ = 0;
    nextLine_ += count;
}

void Ppu::ClearLeftColumn(uint8_t* line) const {
    if (!(mask & 0x06)) std::memset(line, 0, 8);
}

int Ppu::BackgroundRowOf(int line, int& table) const {
    table = renderNameTable & 3;
    if (renderScrollY <= 240) return renderScrollY + line + 1;
    // 241-255 act as small negative scrolls into the table above.
    table ^= 2;
    return renderScrollY + line - 15;
}

void Ppu::DrawLinePixels(int line, int from, int to) {
    int table;
    int y = BackgroundRowOf(line, table);
    DrawBackgroundBlock(table, renderScrollX + from, y, to - from, 1, lineBuffer_.data() + from, false);
}

void Ppu::DrawBackgroundBlock(int table, int x, int y, int width, int lines, uint8_t* dest, bool anyMode) {
    table &= 3;
    // Past the right edge the picture continues in the horizontally next
    // table (the dot-by-dot part can start beyond column 255).
    x &= 511;
    if (x >= kScreenWidth) {
        x -= kScreenWidth;
        table ^= 1;
    }
    if (y >= kScreenHeight) {
        y %= kScreenHeight;
        table ^= 2;
    } else if (y < 0) {
        y = (y % kScreenHeight + kScreenHeight) % kScreenHeight;
        table ^= 2;
    }
    int topRows = std::min(lines, kScreenHeight - y);
    int leftWidth = std::min(width, kScreenWidth - x);
    DrawBackgroundRect(table, x, x + leftWidth - 1, y, y + topRows - 1, dest, anyMode);
    if (width > leftWidth)
        DrawBackgroundRect(table ^ 1, 0, width - leftWidth - 1, y, y + topRows - 1, dest + leftWidth, anyMode);
    if (lines > topRows) {
        uint8_t* below = dest + static_cast<size_t>(topRows) * kScreenWidth;
        int lastRow = lines - topRows - 1;
        DrawBackgroundRect(table ^ 2, x, x + leftWidth - 1, 0, lastRow, below, anyMode);
        if (width > leftWidth)
            DrawBackgroundRect(table ^ 3, 0, width - leftWidth - 1, 0, lastRow, below + leftWidth, anyMode);
    }
}

void Ppu::DrawBackgroundRect(int table, int x0, int x1, int y0, int y1, uint8_t* dest, bool anyMode) {
    const uint8_t* attributes = attributeCacheWindow[table];
    for (int row = y0 >> 3; row <= y1 >> 3; ++row) {
        int top = std::max(y0, row * 8);
        int bottom = std::min(y1, row * 8 + 7);
        for (int column = x0 >> 3; column <= x1 >> 3; ++column) {
            int left = std::max(x0, column * 8);
            int right = std::min(x1, column * 8 + 7);
            int offset = row * 32 + column;
            const uint8_t* tile = BackgroundTile(table, offset, anyMode);
            uint8_t colour = attributes[offset];
            uint8_t* out = dest + static_cast<size_t>(top - y0) * kScreenWidth + (left - x0);
            if (right - left == 7) {
                // A whole tile row: eight pattern bytes ORed with the palette
                // byte in one store.
                uint64_t colours = colour * 0x0101010101010101ull;
                for (int y = top; y <= bottom; ++y, out += kScreenWidth) {
                    uint64_t pixels;
                    std::memcpy(&pixels, tile + (y & 7) * 8, 8);
                    pixels |= colours;
                    std::memcpy(out, &pixels, 8);
                }
            } else {
                for (int y = top; y <= bottom; ++y, out += kScreenWidth) {
                    const uint8_t* source = tile + (y & 7) * 8;
                    for (int px = left; px <= right; ++px) out[px - left] = source[px & 7] | colour;
                }
            }
        }
    }
}

const uint8_t* Ppu::BackgroundTile(int table, int offset, bool anyMode) {
    int tile = nameTable[table][offset];
    Mapper* mapper = console_.mapper.get();
    if (anyMode && mapper && mapper->renderMode) {
        int extension = extensionWindow[table][offset];
        if (mapper->renderMode == 1) {
            if (const uint8_t* own = mapper->TileOverride(0, tile, extension)) return own;
        } else if (mapper->renderMode == 2 && extension != lastBackgroundExtension_) {
            lastBackgroundExtension_ = extension;
            mapper->Message(10, extension);
            SelectBanks();
        }
    }
    return backgroundBanks_[tile >> 6] + (tile & 63) * 64;
}

}  // namespace korvanta
