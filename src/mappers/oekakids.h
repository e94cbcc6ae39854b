// Mapper 96: the drawing-tablet cartridge. 32 KB of character RAM in two
// 16 KB halves; within a half the background's 4 KB quarter follows the
// name-table row being drawn, which the board learns from the extension
// bytes it fills per screen quarter (render mode 2).
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

class OekakidsBoard final : public Mapper {
public:
    OekakidsBoard(Console& console, const MapperConfig& config);
    // $8000-$FFFF: bits 0-1 the 32 KB PRG bank, bit 2 the CHR half.
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override {
        (void)address;
        return 0;
    }
    // 10: background extension byte changed; 12: second $2006 write.
    intptr_t Message(uint32_t code, intptr_t argument) override;
    void AfterStateLoad() override;

private:
    static constexpr int kChrRamPages = 32;
    // Windows 0-3 from `chrBlock`'s quarter, 4-7 from the half's last quarter.
    void ApplyChr();
    void PointPage(int window, uint32_t page);

    uint8_t latch = 0;
    std::array<uint8_t, kChrRamPages * 1024> chrRam{};
    std::array<uint8_t, kChrRamPages * 4096> decodedChrRam{};
    uint8_t chrBlock = 0;  // bit 4 the upper half, bits 2-3 the quarter
};

}  // namespace korvanta
