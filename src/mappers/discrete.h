// Boards without a mapper chip: one or two latches on the data bus that
// drive the upper address lines of the PRG and CHR memories. Registers are
// bytes (their StateTable entries); AfterStateLoad replays them.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 0: no registers, no StateTable.
class NromBoard final : public Mapper {
public:
    NromBoard(Console& console, const MapperConfig& config);
};

// Mappers 2 (variant 0), 93 (1), 94 (2), 71 (3): a 16 KB bank at $8000, the
// last 16 KB fixed at $C000. Mapper 2 also runs the mislabelled-image check.
class UxromBoard final : public Mapper {
public:
    UxromBoard(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void CheckSuspectImage(uint16_t address);
    void SwitchBank(uint8_t value);

    uint8_t bankLatch = 0;
    uint32_t variant;
};

// Mappers 3 and 99 (variant 0, writes from $4018 up), 101 (variant 1, only
// $6000-$7FFF): an 8 KB CHR bank.
class CnromBoard final : public Mapper {
public:
    CnromBoard(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t chrLatch = 0;
    uint32_t variant;  // saved as one byte
};

// Mappers 66 and 240 (variant 0), 113 (1), 181 (2): 32 KB PRG and 8 KB CHR
// from one latch.
class GxromBoard final : public Mapper {
public:
    GxromBoard(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void SwitchChrIfChanged(uint8_t bank);

    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint32_t variant;
};

// Mapper 7: 32 KB PRG and a single-screen select.
class AxromBoard final : public Mapper {
public:
    AxromBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t mirrorPage = 0;
};

// Mapper 11.
class ColorDreamsBoard final : public Mapper {
public:
    ColorDreamsBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
};

// Mapper 13: 16 KB of CHR RAM on the board, its upper 4 KB window switched.
class CpromBoard final : public Mapper {
public:
    CpromBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrPage = 0;
    std::array<uint8_t, 16384> chrRam{};
    std::array<uint8_t, 65536> decodedChrRam{};
};

// Mapper 34: registers at $7FFD-$7FFF and $8000+, 8 KB of its own RAM.
class Mapper34Board final : public Mapper {
public:
    Mapper34Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    std::array<uint8_t, 2> chrBanks{};  // $0000, $1000
    std::array<uint8_t, 0x2000> boardRam{};
};

// Mapper 70: 16 KB PRG, 8 KB CHR, mirroring bit.
class Mapper70Board final : public Mapper {
public:
    Mapper70Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint8_t mirrorBit = 0;
    bool fourScreen;
};

// Mappers 72 (variant 0, PRG at $8000) and 92 (1, PRG at $C000): a latch armed
// for PRG or CHR by bits 6-7, taken by the next write with those bits clear.
class JalecoJf17Board final : public Mapper {
public:
    JalecoJf17Board(Console& console, const MapperConfig& config, int variant);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    void ApplyPrg();

    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint8_t armed = 0;  // 0 PRG armed, 1 CHR armed, 2 idle
    uint32_t variant;
};

// Mapper 77: 2 KB CHR ROM bank, 6 KB of CHR RAM, four screens.
class Mapper77Board final : public Mapper {
public:
    Mapper77Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    std::array<uint8_t, 6144> chrRam{};
    std::array<uint8_t, 24576> decodedChrRam{};
};

// Mapper 78: 16 KB PRG, 8 KB CHR, single-screen select.
class Mapper78Board final : public Mapper {
public:
    Mapper78Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint8_t lastValue = 0;
};

// Mapper 87: 8 KB CHR from a latch at $4018-$7FFF.
class Mapper87Board final : public Mapper {
public:
    Mapper87Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t chrBank = 0;
};

// Mapper 89: 16 KB PRG, 8 KB CHR (four bits, one of them bit 7),
// single-screen select.
class Sunsoft2Board final : public Mapper {
public:
    Sunsoft2Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint8_t lastValue = 0;
};

// Mapper 97: the last 16 KB fixed at $8000, a 16 KB bank at $C000.
class IremTamS1Board final : public Mapper {
public:
    IremTamS1Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t bankLatch = 0;
};

// Mappers 122 and 184: two 4 KB CHR banks from a latch at $4018-$7FFF.
class Sunsoft1Board final : public Mapper {
public:
    Sunsoft1Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t chrLatch = 0;
};

// Mapper 185: CHR enabled only by the right latch value; otherwise the
// pattern table reads back $FF (a copy protection).
class ChrGuardBoard final : public Mapper {
public:
    ChrGuardBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint8_t latch = 0;
    std::array<uint8_t, 1024> fillPage{};
    std::array<uint8_t, 4096> decodedFillPage{};
};

}  // namespace korvanta
