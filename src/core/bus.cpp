#include "core/console.h"

namespace korvanta {

uint8_t Console::ReadByte(uint16_t address) {
    Machine& m = machine;
    if (address < 0x2000) return m.ram[address & 0x7FF];
    if (address >= 0x8000) return m.prgWindow[(address >> 13) & 3][address & 0x1FFF];
    if (address < 0x4000) return ReadPpuRegister(address);
    if (address == 0x4015) return apu.ReadStatus();
    if (address == 0x4016 || address == 0x4017) {
        uint8_t value = 0;
        for (auto& device : devices) value |= address == 0x4016 ? device->Read4016() : device->Read4017();
        if (mapper && mapper->watchesControllerPorts) {
            uint8_t vs = 0;
            if (address == 0x4016) {
                for (auto& device : devices)
                    if (device->IsPad2StartDown()) vs |= 0x04;
                vs |= (mapper->vsDipSwitches & 3) << 3;
            } else {
                vs |= mapper->vsDipSwitches & 0xFC;
            }
            value |= vs;
        }
        return value;
    }
    if (address < 0x4018) return 0;
    if (address >= 0x6000 && mapper && mapper->sramEnabled) return m.sram[address & 0x1FFF];
    return mapper ? mapper->Read(address) : 0;
}

void Console::WriteByte(uint16_t address, uint8_t value) {
    Machine& m = machine;
    if (address < 0x2000) {
        m.ram[address & 0x7FF] = value;
        return;
    }
    if (address < 0x4000) {
        switch (address & 7) {
            case 0: ppu.WriteControl(value); break;
            case 1: ppu.WriteMask(value); break;
            case 2: break;
            case 3: ppu.WriteSpriteAddress(value); break;
            case 4: ppu.WriteSpriteData(value); break;
            case 5: ppu.WriteScroll(value); break;
            case 6: ppu.WriteAddress(value); break;
            case 7: ppu.WriteData(value); break;
        }
        return;
    }
    if (address == 0x4014) {
        SpriteDma(value);
        return;
    }
    if (address == 0x4016 || address == 0x4017) {
        if (address == 0x4016) {
            for (auto& device : devices) device->Write4016(value);
        } else {
            apu.WriteFrameCounter(value);
        }
        // The VS Unisystem character-bank switch rides on the $4016 strobe.
        if (address == 0x4016 && mapper && mapper->watchesControllerPorts && mapper->mapperNumber == 99)
            mapper->Write(0x8000, (value >> 2) & 1);
        return;
    }
    if (address < 0x4018) {
        apu.WriteRegister(address, value);
        return;
    }
    if (address >= 0x6000 && address < 0x8000 && mapper && mapper->sramEnabled) {
        m.sram[address & 0x1FFF] = value;
        return;
    }
    if (mapper) mapper->Write(address, value);
}

uint16_t Console::ReadWord(uint16_t address) {
    Machine& m = machine;
    if (address < 0x2000) return m.ram[address & 0x7FF] | m.ram[(address + 1) & 0x7FF] << 8;
    if (address >= 0x8000 && (address & 0x1FFF) != 0x1FFF) {
        const uint8_t* page = m.prgWindow[(address >> 13) & 3] + (address & 0x1FFF);
        return page[0] | page[1] << 8;
    }
    uint8_t low = ReadByte(address);
    return low | ReadByte(static_cast<uint16_t>(address + 1)) << 8;
}

uint8_t Console::PeekByte(uint16_t address) const {
    const Machine& m = machine;
    if (address < 0x2000) return m.ram[address & 0x7FF];
    if (address >= 0x8000) return m.prgWindow[(address >> 13) & 3] ? m.prgWindow[(address >> 13) & 3][address & 0x1FFF] : 0;
    if (address >= 0x6000 && mapper && mapper->sramEnabled) return m.sram[address & 0x1FFF];
    return 0;
}

void Console::SpriteDma(uint8_t page) {
    // The whole transfer is charged before the copy.
    machine.cycles += 512;
    if (page >= 0x20) {
        for (int i = 0; i < 256; ++i) ppu.WriteSpriteData(ReadByte(static_cast<uint16_t>(page << 8 | i)));
    } else {
        const uint8_t* source = &machine.ram[(page & 7) << 8];
        for (int i = 0; i < 256; ++i) ppu.WriteSpriteData(source[i]);
    }
}

}  // namespace korvanta
