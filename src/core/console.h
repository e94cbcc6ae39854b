// One emulated console: the Machine with its Bus, the CPU, the picture and
// sound units, the current board and the controller-port devices. Hosts and
// tests create as many as they need; nothing is process-wide.
#pragma once
#include <memory>

#include "apu/apu.h"
#include "apu/sound_out.h"
#include "core/cpu.h"
#include "core/machine.h"
#include "input/input_device.h"
#include "mappers/board_links.h"
#include "mappers/mapper.h"
#include "media/game_image.h"
#include "media/state.h"
#include "platform/host.h"
#include "ppu/ppu.h"

namespace korvanta {

class Console {
public:
    explicit Console(Host& host);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The Bus: every CPU access that is not RAM, a PRG window or enabled
    // cartridge RAM comes here (the CPU core inlines those three).
    uint8_t ReadByte(uint16_t address);
    void WriteByte(uint16_t address, uint8_t value);
    uint16_t ReadWord(uint16_t address);
    // $2000-$3FFF: only status ($2002) and data ($2007) read; the rest read 0.
    uint8_t ReadPpuRegister(uint16_t address) {
        switch (address & 7) {
            case 2: return ppu.ReadStatus();
            case 7: return ppu.ReadData();
            default: return 0;
        }
    }
    // The debug view of memory: RAM, cartridge RAM and PRG windows as the Bus
    // maps them, registers as 0; never changes any state.
    uint8_t PeekByte(uint16_t address) const;

    // The console reset (menu, reset key, movie start, game load).
    void SoftReset();
    // Work RAM cleared, then SoftReset.
    void HardReset();
    // Work RAM and cartridge RAM cleared, then SoftReset.
    void AllReset();
    // Every saved field to its default, picture and sound units reset; the
    // caller follows with SoftReset. The per-game options set by the loader
    // and the board survive (a movie from power-on must not lose them).
    void PowerOnReset();

    // The Machine's saved-state tables (tags 4, 6, 16, 17, 20).
    std::span<const TaggedTable> MachineTables() const { return machineTables_; }

    Host& host;
    Machine machine;
    Ppu ppu;
    Apu apu;
    SoundOut soundOut{*this};  // the mixer and wave output
    Cpu cpu;
    std::unique_ptr<Mapper> mapper;
    InputDeviceList devices;
    GameImage game;  // the current game file (header, path, kind, slot)
    BoardLinks boardLinks;  // what peripheral boards reach beyond the console

private:
    void SpriteDma(uint8_t page);
    void BuildMachineTables();

    std::vector<StateField> cpuFields_, optionFields_, extraFields_, ramFields_, sramFields_;
    std::vector<TaggedTable> machineTables_;
};

}  // namespace korvanta
