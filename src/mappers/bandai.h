// Bandai's mapper-16 boards: a 16 KB PRG bank, eight 1 KB CHR banks, a CPU
// cycle timer, the serial EEPROM and the barcode reader, all behind sixteen
// registers repeated through $6000-$FFFF.
#pragma once
#include <array>
#include <cstdint>

#include "input/barcode.h"
#include "mappers/bandai_eeprom.h"
#include "mappers/mapper.h"

namespace korvanta {

class BandaiBoard final : public Mapper {
public:
    BandaiBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    // $6000, $6010, ...: bit 4 the EEPROM data line, bit 3 the barcode.
    uint8_t Read(uint16_t address) override;
    void IrqTimeReached() override;
    // The one menu item "Read &Barcode" (no VS Unisystem item).
    intptr_t Message(uint32_t code, intptr_t argument) override;
    void AfterStateLoad() override;

    BandaiEeprom eeprom;  // not saved, neither in snapshots nor on disk
    BarcodeReader barcodeReader;

private:
    // The bar pattern, played as one bit of the read port per read.
    uint8_t NextBarcodeBit();

    uint32_t prgBank = 0;                 // 8 KB page of the 16 KB bank at $8000
    std::array<uint32_t, 8> chrBanks{};   // already reduced
    uint8_t mirroring = 0;                // last register 9 value
    uint8_t irqControl = 0;               // bit 0 starts the timer
    uint8_t irqLatchLow = 0;
    uint8_t irqLatchHigh = 0;
    uint32_t irqTarget = 0;

    int32_t barcodePos = -1;  // -1 lead-in, -2 lead-out, else the module sent
    uint32_t barcodeCount = 0;  // reads spent on the current module or lead
    std::array<int32_t, 512> barcodeModules;
};

}  // namespace korvanta
