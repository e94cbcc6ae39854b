// The picture unit: the CPU-visible registers at $2000-$3FFF, video memory
// with its mirroring and palette, the 64 sprites, and the lazy renderer that
// fills the FrameBuffer. Time comes only from the Machine's `cycles`; the
// renderer draws the lines already due whenever something is about to change
// them (RenderCatchUp), never on a clock of its own.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "media/state.h"
#include "ppu/ppu_timing.h"

namespace korvanta {

class Console;

inline constexpr int kScreenWidth = 256;
inline constexpr int kScreenHeight = 240;
inline constexpr int kFrameBufferSize = kScreenWidth * kScreenHeight;

// One sprite as decoded at write time (attribute bits 2-4 are dropped).
struct Sprite {
    int32_t posY = 0;
    int32_t posX = 0;
    int32_t tile = 0;
    int32_t flip = 0;  // bit 0 horizontal, bit 1 vertical
    uint8_t behindBackground = 0;
    int32_t paletteBase = 0;  // (attribute & 3) * 4
};

class Ppu {
public:
    explicit Ppu(Console& console);
    Ppu(const Ppu&) = delete;
    Ppu& operator=(const Ppu&) = delete;

    // Registers as the Bus calls them. ReadStatus also clears the vertical
    // blank flag and both write toggles; ReadData answers the delayed buffer.
    uint8_t ReadStatus();                    // $2002
    uint8_t ReadData();                      // $2007
    void WriteControl(uint8_t value);        // $2000
    void WriteMask(uint8_t value);           // $2001
    void WriteSpriteAddress(uint8_t value);  // $2003
    void WriteSpriteData(uint8_t value);     // $2004 and the sprite DMA
    void WriteScroll(uint8_t value);         // $2005
    void WriteAddress(uint8_t value);        // $2006
    void WriteData(uint8_t value);           // $2007

    // At frame start: the last mid-frame palette set becomes set 0.
    void CollapsePaletteSets();
    // Power-on: name tables and attribute cache cleared, every saved field to
    // its default, then the mirroring in effect applied again.
    void Reset();
    // Mirroring codes: 0 all on page 0, 1 vertical, 2 horizontal, 3 four
    // pages, 4 all on page 1; above 4 a packed byte, two bits per name table
    // (table 0 in bits 0-1). Points the name-table, attribute-cache and
    // extension windows together.
    void SetMirroring(int mode);
    // Recomputes all 960 cache bytes of a name-table page from its attribute
    // bytes (boards that replace a page's contents wholesale).
    static void RebuildAttributeCache(const uint8_t* nameTablePage, uint8_t* cachePage);
    // Recomputes the sprite-0 probe from the raw pattern windows as mapped now
    // (boards call it after switching the pages that hold sprite 0's tile).
    void RefreshSpriteZeroProbe();

    // The saved-state tables: tags 5, 8, 9, 10, 11, 12.
    std::span<const TaggedTable> StateTables() const { return stateTables_; }
    // After the tables were read: brings every loaded value into its range
    // and applies the mirroring again. Call it before the board restores its
    // windows (a board may place name tables itself), then refresh the
    // sprite-0 probe from the board's pattern windows.
    void AfterStateLoad();

    // The renderer. The frame driver brackets every shown frame with Begin
    // and End; skipped frames call neither and draw nothing.
    void BeginDrawnFrame();
    void EndDrawnFrame();
    // Draws every line due up to the current cycle with the state as it is,
    // before a caller changes what those lines would show. With the hook the
    // board's BeforeRender runs first and drawing stops before the current
    // line; without it drawing goes to the end of the frame.
    void RenderCatchUp(bool withHook);
    bool DrawingThisFrame() const { return drawingThisFrame_; }

    // Registers and latches.
    uint8_t ctrl = 0;
    uint8_t mask = 0;
    uint8_t backgroundEnabled = 0;
    uint8_t spritesEnabled = 0;
    uint8_t tallSprites = 0;
    int32_t spritePatternBase = 0;      // 0 or 256, as a tile-number offset
    int32_t backgroundPatternBase = 0;  // 0 or 256
    int32_t vramIncrement = 1;          // 1 or 32
    int32_t nameTableLatch = 0;         // 0-3
    uint32_t vramAddress = 0;           // 14 bits
    uint8_t readBuffer = 0;
    int32_t scrollToggle = 0;
    uint8_t addressToggle = 0;
    int32_t scrollXLatch = 0;
    int32_t scrollYLatch = 0;
    // The scroll the renderer uses now; Y may be negative after a $2006 write
    // during the picture.
    int32_t renderScrollX = 0;
    int32_t renderScrollY = 0;
    int32_t renderNameTable = 0;
    int32_t spriteAddress = 0;
    std::array<Sprite, 64> sprites{};
    int32_t sprite0FirstOpaqueRow = -1;  // transparent rows at the top of sprite 0
    int32_t overflowLine = -1;           // line from which status bit 5 reads 1
    // Set 0 is the frame-start palette; sets 1-3 start at paletteSetStart.
    std::array<std::array<uint8_t, 32>, 4> palette{};
    int32_t paletteSetCount = 0;
    std::array<uint32_t, 4> paletteSetStart{};
    int32_t mirroring = 3;

    // Windows the boards point: raw and decoded 1 KB character pages for PPU
    // $0000-$1FFF (always set together), and the name-table windows with the
    // attribute-cache and extension windows that follow them.
    std::array<uint8_t*, 8> chrWindow{};
    std::array<uint8_t*, 8> decodedChrWindow{};
    std::array<uint8_t*, 4> nameTable{};
    std::array<uint8_t*, 4> attributeCacheWindow{};
    std::array<uint8_t*, 4> extensionWindow{};

    // The picture unit's own memories, four 1 KB pages each.
    std::array<uint8_t, 4096> nameTableRam{};
    std::array<uint8_t, 4096> attributeCache{};
    std::array<uint8_t, 4096> extensionRam{};
    // Per-sprite values written by boards with render mode 1 or 2.
    std::array<uint32_t, 64> spriteExtension{};

    // 256 x 240 palette indices, line-major. A finished pixel is a background
    // index (pattern + palette * 4, 0-15) or a sprite index (17-31).
    std::array<uint8_t, kFrameBufferSize> frameBuffer{};

private:
    void WritePalette(uint32_t address, uint8_t value);
    void WriteNameTable(uint32_t address, uint8_t value);
    void WriteCharacter(uint32_t address, uint8_t value);
    void RecomputeOverflowLine();
    bool SpriteZeroHit(int line) const;
    void BuildStateTables();

    // Renderer internals.
    void SelectBanks();
    void DrawLines(int count);
    void DrawBackgroundBlock(int table, int x, int y, int width, int lines, uint8_t* dest, bool anyMode);
    void DrawBackgroundRect(int table, int x0, int x1, int y0, int y1, uint8_t* dest, bool anyMode);
    const uint8_t* BackgroundTile(int table, int offset, bool anyMode);
    void DrawSprites(int firstLine, int endLine);
    const uint8_t* SpritePattern(int index);
    void DrawLinePixels(int line, int from, int to);
    void ClearLeftColumn(uint8_t* line) const;
    int BackgroundRowOf(int line, int& table) const;

    Console& console_;

    bool drawingThisFrame_ = false;
    bool rendering_ = false;  // inside RenderCatchUp (boards may call back)
    int nextLine_ = 0;
    int linePosition_ = 0;
    std::array<uint8_t, kScreenWidth> lineBuffer_{};
    int64_t lastBackgroundExtension_ = -1;
    int64_t lastSpriteExtension_ = -1;
    std::array<const uint8_t*, 4> backgroundBanks_{};
    std::array<const uint8_t*, 8> spriteBanks_{};
    std::array<uint8_t, 4096> blankPage_{};  // stands in for an unmapped window

    std::vector<StateField> memoryFields_, mirroringFields_, registerFields_, latchFields_, paletteFields_,
        spriteFields_;
    std::vector<TaggedTable> stateTables_;
};

}  // namespace korvanta
