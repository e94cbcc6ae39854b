// Mapper 186: a study cartridge with banked RAM and a tape deck whose data
// comes from "page1.dat" in the program folder. The deck's state belongs to
// the console (BoardLinks::tape) and outlives the board.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

struct TapeDeck;

class Mapper186Board final : public Mapper {
public:
    Mapper186Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void EndOfFrame() override;
    // The interrupt repeats every 4096 cycles while armed.
    void IrqTimeReached() override;
    // Only a notice: the registers are restored but not applied.
    void AfterStateLoad() override;

    static constexpr uint32_t kIrqPeriod = 4096;

private:
    void WriteTapeControl(uint8_t value);
    uint8_t ReadTapeByte();

    uint8_t prgBank = 0;
    uint8_t ramBank = 0;
    uint8_t last4202 = 0;
    uint8_t tapeFlag = 0;  // the image's four-screen bit, read back as a status bit
    std::array<uint8_t, 0x1000> smallRam{};
    std::array<std::array<uint8_t, 0x2000>, 4> ramBanks{};
    TapeDeck& tape_;
};

}  // namespace korvanta
