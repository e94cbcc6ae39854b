// Multi-game cartridges (mappers 15, 225, 226, 230, 234, 235, 236, 237 and
// 242). Most latch the address of the write, not its data: the address bits
// select the outer and inner banks and the mirroring, so replaying the last
// address rebuilds every window.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/mapper.h"

namespace korvanta {

// Mapper 15 (100-in-1): four register addresses, each a PRG layout.
class Mapper15Board final : public Mapper {
public:
    Mapper15Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override { Write(0x8000, 0); }
    void AfterStateLoad() override { ApplyPrg(); }

private:
    void ApplyPrg();

    std::array<uint32_t, 4> pages{};  // the 8 KB page of each PRG window
};

// Mapper 225 (52/64-in-1): the address selects 32 KB or 16 KB PRG and 8 KB
// CHR; four nibbles of RAM at $5800-$5FFF.
class Mapper225Board final : public Mapper {
public:
    Mapper225Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    void AfterStateLoad() override { Write(lastAddress, 0); }

private:
    uint8_t prgBank = 0;
    uint8_t chrBank = 0;
    uint16_t lastAddress = 0;
    std::array<uint8_t, 4> nibbleRam{};
};

// Mapper 226 (76-in-1): two data registers; bit 1 of the second one
// write-protects the CHR RAM.
class Mapper226Board final : public Mapper {
public:
    Mapper226Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override;
    void AfterStateLoad() override;

private:
    std::array<uint8_t, 2> regs{};  // $8000, $8001
};

// Mapper 230 (22-in-1): a reset switches between the first game (the first
// 128 KB) and the menu part, which has its own bank layout.
class Mapper230Board final : public Mapper {
public:
    Mapper230Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override;
    void AfterStateLoad() override { Write(0x8000, lastValue); }

private:
    uint8_t lastValue = 0;
    uint32_t mode = 0;  // 1 and 3: the first game; 0, 2, 4: the menu part
};

// Mapper 234 (Maxi 15): the address selects PRG, CHR and mirroring.
class Mapper234Board final : public Mapper {
public:
    Mapper234Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void AfterStateLoad() override;

private:
    uint16_t lastAddress = 0;
};

// Mapper 235 (150-in-1 and larger): images below 4 MB read open bus ($FF)
// when the address selects the missing chip.
class Mapper235Board final : public Mapper {
public:
    Mapper235Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override { Write(0x8000, 0); }
    void AfterStateLoad() override { Write(lastAddress, 0); }

private:
    uint8_t bank = 0;
    uint16_t lastAddress = 0;
    std::array<uint8_t, 0x2000> openBusPage;
};

// Mapper 236 (Realtec): one address latch for the outer bank and the
// mirroring ($8000-$BFFF), one for the PRG mode and inner bank
// ($C000-$FFFF). In the $10 mode the board answers every read of a 16-byte
// row with one byte of that row, which it serves from a filled buffer.
class Mapper236Board : public Mapper {
public:
    Mapper236Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override;
    void AfterStateLoad() override;

protected:
    // Mapper 237: CHR banking from the first latch, no outer PRG bank, its
    // own fill byte and fixed pages.
    Mapper236Board(Console& console, const MapperConfig& config, bool mapper237);

private:
    void ApplyPrg();
    // The four 8 KB pages, each row of 16 bytes replaced by its byte `pick`.
    void FillPrgBuffer(const std::array<uint32_t, 4>& sources, uint32_t pick);

    uint16_t chrAddress = 0;
    uint16_t prgAddress = 0;
    bool mapper237_;
    std::array<uint8_t, 0x8000> prgBuffer{};
};

// Mapper 237 (Teletubbies 420-in-1): mapper 236 with an 8 KB CHR bank from
// the first latch.
class Mapper237Board final : public Mapper236Board {
public:
    Mapper237Board(Console& console, const MapperConfig& config);
};

// Mapper 242: 32 KB PRG and mirroring from the address.
class Mapper242Board final : public Mapper {
public:
    Mapper242Board(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    void Reset() override;
    void AfterStateLoad() override;

private:
    uint16_t lastAddress = 0;
};

}  // namespace korvanta
