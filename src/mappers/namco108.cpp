#include "mappers/namco108.h"

#include "core/console.h"

namespace korvanta {

Namco108Board::Namco108Board(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    sramEnabled = batteryBacked = config.battery;
    SetStateTable({
        Field(kFieldByte, bankSelect),
        BlockField(bankValues.data(), static_cast<uint32_t>(sizeof bankValues)),
    });
}

void Namco108Board::StoreChr2k(int firstWindow, uint32_t page) {
    StoreChr1k(firstWindow, page);
    StoreChr1k(firstWindow + 1, page + 1);
}

void Namco108Board::Write(uint16_t address, uint8_t value) {
    switch (address & 0xE001) {
        case 0x8000: bankSelect = value; break;
        case 0x8001: {
            uint32_t r = bankSelect & 7u;
            if (r >= 6) {
                uint32_t page = value & (PrgCount() - 1) & 0xFFu;
                SetPrg8k(r == 6 ? 0 : 1, page);
                bankValues[r] = page;
            } else {
                console_.ppu.RenderCatchUp(true);
                bankValues[r] = ApplyChrRegister(r, value);
            }
            break;
        }
        default: break;
    }
}

uint32_t Namco108Board::ApplyChrRegister(uint32_t r, uint8_t value) {
    if (r < 2) return value;
    uint32_t page = (2u * value & 0xFFu) & ChrMask();
    StoreChr2k(2 * static_cast<int>(r - 2), page);
    return page;
}

void Namco108Board::RestoreChr() {
    for (uint32_t r = 2; r < 6; ++r) StoreChr2k(2 * static_cast<int>(r - 2), bankValues[r]);
}

void Namco108Board::AfterStateLoad() {
    RestoreChr();
    SetPrg8k(0, bankValues[6]);
    SetPrg8k(1, bankValues[7]);
    SetPrgLast16kAtC000();
}

Mapper88Board::Mapper88Board(Console& console, const MapperConfig& config) : Namco108Board(console, config) {
    sramEnabled = 1;
}

uint32_t Mapper88Board::ApplyChrRegister(uint32_t r, uint8_t value) {
    if (r < 2) {
        uint32_t page = TwoKbPage(value);
        StoreChr2k(2 * static_cast<int>(r), page);
        return page;
    }
    uint32_t page = OneKbPage(value);
    StoreChr1k(static_cast<int>(r) + 2, page);
    return page;
}

void Mapper88Board::RestoreChr() {
    StoreChr2k(0, bankValues[0]);
    StoreChr2k(2, bankValues[1]);
    for (uint32_t r = 2; r < 6; ++r) StoreChr1k(static_cast<int>(r) + 2, bankValues[r]);
}

Mapper95Board::Mapper95Board(Console& console, const MapperConfig& config) : Mapper88Board(console, config) {
    sramEnabled = config.battery;
    ResetStateTable();
}

uint32_t Mapper95Board::ApplyChrRegister(uint32_t r, uint8_t value) {
    uint32_t page = Mapper88Board::ApplyChrRegister(r, value);
    SetMirroring(value & 0x20 ? 4 : 0);
    return page;
}

}  // namespace korvanta
