#include "core/console.h"

namespace korvanta {

void Console::SoftReset() {
    Machine& m = machine;
    if (mapper) mapper->Reset();
    m.a = m.x = m.y = m.p = 0;  // I is clear after reset
    m.s = 0xFF;
    m.pc = m.prgPageCount ? ReadWord(0xFFFC) : 0;
    m.frameStartPending = 0;
    m.suppressFirstNmi = 1;
    m.irqPending = 0;
    m.boardIrqTime = 0;
    m.apuFrameIrqTime = 0;
    m.dmcIrqTime = 0;
    m.dmcIrqFlag = 0;
    m.apuFrameMode = 0xFF;
    m.frameCycleBudget = kFrameCycleBudget;
    m.nmiEnabled = 0;
    m.vblankFlag = 0;
    m.cycles = 0;
    apu.Reset();
}

void Console::HardReset() {
    machine.ram.fill(0);
    SoftReset();
}

void Console::AllReset() {
    machine.ram.fill(0);
    machine.sram.fill(0);
    SoftReset();
}

void Console::PowerOnReset() {
    // The options come from the loader and the board (one board sets one for
    // its known game); clearing them here would stop that game at once.
    uint8_t undocumented = machine.allowUndocumentedOpcodes;
    uint8_t perDot = machine.perDotBankSwitching;
    for (const TaggedTable& t : machineTables_) ResetTable(t.table);
    machine.allowUndocumentedOpcodes = undocumented;
    machine.perDotBankSwitching = perDot;
    machine.moviePosition = 0;
    ppu.Reset();
    apu.Reset();
}

void Console::BuildMachineTables() {
    Machine& m = machine;
    ramFields_ = {BlockField(m.ram.data(), static_cast<uint32_t>(m.ram.size()))};
    sramFields_ = {BlockField(m.sram.data(), static_cast<uint32_t>(m.sram.size()))};
    cpuFields_ = {
        Field(kFieldByte, m.a),
        Field(kFieldByte, m.x),
        Field(kFieldByte, m.y),
        Field(kFieldByte, m.p),
        Field(kFieldByte, m.s),
        Field(kFieldWord, m.pc),
        Field(kFieldByte, m.nmiEnabled),
        Field(kFieldByte, m.frameStartPending),
        Field(kFieldByte, m.vblankFlag),
        Field(kFieldByte, m.irqPending),
        Field(kFieldDword, m.boardIrqTime),
        {kFieldWord, 2, &m.placeholderCell, 0},
        Field(kFieldWord, m.cycles),  // only the low 16 bits are kept
        {kFieldWord, 2, &m.placeholderCell, 0},
    };
    optionFields_ = {
        Field(kFieldWord, m.extDeviceSelection),
        Field(kFieldByte, m.perDotBankSwitching),
        Field(kFieldByte, m.allowUndocumentedOpcodes),
    };
    extraFields_ = {
        Field(kFieldDword, m.apuFrameIrqTime),
        Field(kFieldDword, m.dmcIrqTime),
        {kFieldDword, 4, &m.placeholderCell, 0xFFFFFFFF},
        Field(kFieldByte, m.apuFrameMode, 0xFF),
        Field(kFieldByte, m.apuFrameIrqFlag),
        Field(kFieldByte, m.apuStateByte),
        Field(kFieldByte, m.dmcIrqFlag),
    };
    machineTables_ = {
        {kTagRam, ramFields_},
        {kTagCpu, cpuFields_},
        {kTagSram, sramFields_},
        {kTagOptions, optionFields_},
        {kTagMachineExtra, extraFields_},
    };
}

}  // namespace korvanta
