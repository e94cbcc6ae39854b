#include "mappers/oekakids.h"

#include "core/console.h"
#include "input/ext_devices.h"

namespace korvanta {

OekakidsBoard::OekakidsBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    batteryBacked = sramEnabled = config.battery;
    hasExpansionSound = 0;
    renderMode = 2;
    // Each quarter of the screen height carries its own extension value
    // (3 for the top rows down to 0), so the renderer reports the row band.
    for (size_t page = 0; page < 4; ++page)
        for (size_t i = 0; i < 1024; ++i) console.ppu.extensionRam[page * 1024 + i] = static_cast<uint8_t>(3 - i / 256);
    console.ppu.spriteExtension.fill(0);
    SetStateTable({
        Field(kFieldByte, latch),
        BlockField(chrRam.data(), static_cast<uint32_t>(chrRam.size())),
        BlockField(decodedChrRam.data(), static_cast<uint32_t>(decodedChrRam.size())),
        Field(kFieldByte, chrBlock),
    });
    SetMirroring(0);
    ApplyChr();
    // The cartridge comes with the tablet on the expansion connector.
    console.machine.extDeviceSelection = kExtOekakidsTablet;
    if (console.boardLinks.rebuildDevices) console.boardLinks.rebuildDevices(kExtOekakidsTablet);
}

void OekakidsBoard::PointPage(int window, uint32_t page) {
    page %= kChrRamPages;
    PointChr(window, &chrRam[page * 1024], &decodedChrRam[page * 4096]);
}

void OekakidsBoard::ApplyChr() {
    uint32_t half = chrBlock & 0x10u;
    for (int i = 0; i < 4; ++i) {
        PointPage(i, chrBlock + static_cast<uint32_t>(i));
        PointPage(4 + i, half + 12 + static_cast<uint32_t>(i));
    }
}

void OekakidsBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x8000) return;
    SetPrg32k(value & 3u);
    if ((value ^ latch) & 4) {
        console_.ppu.RenderCatchUp(true);
        chrBlock = static_cast<uint8_t>((chrBlock & 0x0F) | ((value & 4) << 2));
        ApplyChr();
    }
    latch = value;
}

intptr_t OekakidsBoard::Message(uint32_t code, intptr_t argument) {
    if (code == 12) {
        auto address = static_cast<uint32_t>(argument);
        if ((address & 0x3000) == 0x2000) {
            chrBlock = static_cast<uint8_t>(((address >> 6) & 0x0C) | (chrBlock & 0x10));
            ApplyChr();
        }
    } else if (code == 10) {
        // Called by the renderer itself: the windows change for the tiles it
        // draws next, so no catch-up here.
        auto extension = static_cast<uint32_t>(argument) & 3;
        uint32_t base = (chrBlock & 0x10u) + 12 - 4 * extension;
        for (int i = 0; i < 4; ++i) PointPage(i, base + static_cast<uint32_t>(i));
    }
    return 0;
}

void OekakidsBoard::AfterStateLoad() {
    // The latch compare must see a change for the half to be re-placed, so
    // the PRG bank is set directly and the CHR windows from `chrBlock`.
    SetPrg32k(latch & 3u);
    ApplyChr();
}

}  // namespace korvanta
