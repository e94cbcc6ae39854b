#include "mappers/mmc2.h"

#include <array>

#include "core/console.h"

namespace korvanta {

Mmc2Board::Mmc2Board(Console& console, const MapperConfig& config, int variantNumber)
    : Mapper(console, config), variant(variantNumber) {
    chrWritable = 0;
    batteryBacked = config.battery;
    sramEnabled = 1;
    renderMode = 1;
    SetStateTable({
        Field(kFieldByte, prgReg),
        Field(kFieldByte, chrFD0),
        Field(kFieldByte, chrFE0),
        Field(kFieldByte, chrFD1),
        Field(kFieldByte, chrFE1),
        Field(kFieldByte, mirroring),
    });
    ResetStateTable();
    PlaceLastPrg32k(machine_);
}

void Mmc2Board::StoreChr4k(int firstWindow, uint8_t bank) {
    for (int i = 0; i < 4; ++i) StoreChr1k(firstWindow + i, 4u * bank + static_cast<uint32_t>(i));
}

void Mmc2Board::Write(uint16_t address, uint8_t value) {
    uint32_t n = PrgCount();
    switch (address & 0xF000) {
        case 0xA000:
            if (IsMmc4()) {
                prgReg = static_cast<uint8_t>(2 * value);
                SetPrg8k(0, prgReg);
                SetPrg8k(1, prgReg | 1u);
            } else {
                prgReg = value;
                SetPrg8k(0, value);
                SetPrg8k(1, n - 3);
            }
            SetPrgLast16kAtC000();
            break;
        case 0xB000:
            console_.ppu.RenderCatchUp(true);
            chrFD0 = value;
            StoreChr4k(0, value);
            spriteLatch = kLatchFd;
            break;
        case 0xC000:
            console_.ppu.RenderCatchUp(true);
            chrFE0 = value;
            // The MMC2 loads both sprite-half registers from $C000.
            if (!IsMmc4()) chrFD0 = value;
            StoreChr4k(0, value);
            spriteLatch = kLatchFe;
            break;
        case 0xD000:
            console_.ppu.RenderCatchUp(true);
            chrFD1 = value;
            StoreChr4k(4, value);
            bgLatch = kLatchFd;
            break;
        case 0xE000:
            console_.ppu.RenderCatchUp(true);
            chrFE1 = value;
            StoreChr4k(4, value);
            bgLatch = kLatchFe;
            break;
        case 0xF000:
            mirroring = value & 1;
            SetMirroring(mirroring ? 2 : 1);
            break;
        default: break;
    }
}

const uint8_t* Mmc2Board::TileOverride(int half, int tile, int latch) {
    uint32_t count = ChrCount();
    if (count == 0) return nullptr;
    uint8_t bank;
    if (half == 1)
        bank = latch == kLatchFd ? chrFD0 : chrFE0;
    else
        bank = latch == kLatchFd ? chrFD1 : chrFE1;
    uint32_t page = (static_cast<uint32_t>(tile >> 6) + 4u * bank) % count;
    return machine_.decodedChrPages[page] + 64 * (tile & 63);
}

intptr_t Mmc2Board::Message(uint32_t code, intptr_t argument) {
    (void)code;
    (void)argument;
    return 0;
}

void Mmc2Board::AfterStateLoad() {
    uint32_t n = PrgCount();
    SetPrg8k(0, prgReg);
    SetPrg8k(1, IsMmc4() ? prgReg + 1u : n - 3);
    SetPrgLast16kAtC000();
    StoreChr4k(4, chrFD1);
    StoreChr4k(0, chrFD0);
}

void Mmc2Board::ComputeLatches() {
    ComputeBackgroundLatches();
    ComputeSpriteLatches();
}

void Mmc2Board::ComputeBackgroundLatches() {
    Ppu& ppu = console_.ppu;
    for (int t = 0; t < 4; ++t)
        if (!ppu.nameTable[t] || !ppu.extensionWindow[t]) return;
    // The MMC2 starts every frame on $FD; the MMC4 keeps its latch.
    uint8_t latch = IsMmc4() ? bgLatch : kLatchFd;
    int x = (ppu.scrollXLatch >> 3) & 31;
    int y = (ppu.scrollYLatch >> 3) & 31;
    int n = ppu.nameTableLatch & 3;
    for (int row = 0; row < 30; ++row) {
        // Each picture row starts in the same table at the same column: 32
        // positions bring x back to its start, and the table is the one the
        // row began in.
        int rowTable = n;
        for (int i = 0; i < 32; ++i) {
            int p = 32 * y + x;
            uint8_t tile = ppu.nameTable[n][p];
            // A $FD tile is drawn from the bank it selects; a $FE tile still
            // from the previous one.
            if (tile == kLatchFd) latch = kLatchFd;
            ppu.extensionWindow[n][p] = latch;
            if (tile == kLatchFe) latch = kLatchFe;
            if (++x == 32) {
                x = 0;
                n ^= 1;
            }
        }
        n = rowTable;
        // A vertical scroll of 240-255 starts on the attribute rows; wrapping
        // from there too keeps the walk inside the 1 KB page.
        if (++y >= 30) {
            y = 0;
            n ^= 2;
        }
    }
    bgLatch = latch;
}

void Mmc2Board::ComputeSpriteLatches() {
    Ppu& ppu = console_.ppu;
    if (ppu.tallSprites) {
        // 8x16 sprites keep the latch that earlier frames left.
        ppu.spriteExtension.fill(spriteLatch);
        return;
    }
    struct Marker {
        uint32_t key;
        uint8_t tile;
    };
    auto keyOf = [&](int i) {
        return static_cast<uint32_t>((ppu.sprites[i].posY & 0xFF) * 256 + (ppu.sprites[i].posX & 0xFF));
    };
    // The latch tiles among the sprites, in the order the picture meets them
    // (top to bottom, left to right; a later sprite goes before an equal one).
    std::array<Marker, 64> markers;
    int count = 0;
    for (int i = 0; i < 64; ++i) {
        const Sprite& sprite = ppu.sprites[i];
        uint8_t tile = static_cast<uint8_t>(sprite.tile);
        if ((sprite.posY & 0xFF) >= 240 || (tile != kLatchFd && tile != kLatchFe)) continue;
        uint32_t key = keyOf(i);
        int at = 0;
        while (at < count && markers[at].key < key) ++at;
        for (int j = count; j > at; --j) markers[j] = markers[j - 1];
        markers[at] = {key, tile};
        ++count;
    }
    auto latchBefore = [&](uint32_t key, uint8_t fallback) {
        uint8_t value = fallback;
        for (int j = 0; j < count && markers[j].key < key; ++j) value = markers[j].tile;
        return value;
    };
    for (int i = 0; i < 64; ++i) ppu.spriteExtension[i] = latchBefore(keyOf(i), spriteLatch);
    spriteLatch = latchBefore(0xEFFF, spriteLatch);
}

}  // namespace korvanta
