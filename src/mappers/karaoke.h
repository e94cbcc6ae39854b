// Mapper 188: the karaoke cartridge. A 128 KB main program with optional
// expansion packs in the following 128 KB blocks, and an input latch read
// at any address: the microphone (or the first square channel when the
// computer sings) and pad 1's Select and Start as the cartridge's buttons.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "mappers/board_links.h"
#include "mappers/mapper.h"

namespace korvanta {

class KaraokeBoard final : public Mapper {
public:
    KaraokeBoard(Console& console, const MapperConfig& config);
    void Write(uint16_t address, uint8_t value) override;
    uint8_t Read(uint16_t address) override;
    // 50000: the settings item; 50001 with 0: dialog 146.
    intptr_t Message(uint32_t code, intptr_t argument) override;
    void AfterStateLoad() override;

    // What dialog 146 shows now; Apply takes its OK. A new pack selection
    // takes effect with the game's next bank write.
    KaraokeSettings Settings() const;
    void Apply(const KaraokeSettings& settings);

private:
    uint8_t lastWrite = 0;
    uint8_t inputLatch = 0xFF;
    uint8_t packSelection = 0;  // 0 none, k the k-th 128 KB block after the first
    uint8_t autoSing = 1;
    std::array<uint8_t, 0x2000> openBusPage;
};

// The combo entries of dialog 146 for the loaded image (string ids):
// "No Karaoke Pack", then one per further 128 KB block, named by byte 4 of
// the block's first page.
std::vector<uint32_t> KaraokePackNames(const Machine& machine);

}  // namespace korvanta
