#include "debug/disassembler.h"

#include <array>
#include <cstdio>

#include "core/console.h"

namespace korvanta {
namespace {

using F = OperandForm;

struct Definition {
    uint8_t opcode;
    const char* mnemonic;
    OperandForm form;
};

constexpr Definition kOfficial[] = {
    {0x69, "ADC", F::Immediate}, {0x65, "ADC", F::ZeroPage}, {0x75, "ADC", F::ZeroPageX}, {0x6D, "ADC", F::Absolute},
    {0x7D, "ADC", F::AbsoluteX}, {0x79, "ADC", F::AbsoluteY}, {0x61, "ADC", F::IndirectX}, {0x71, "ADC", F::IndirectY},
    {0x29, "AND", F::Immediate}, {0x25, "AND", F::ZeroPage}, {0x35, "AND", F::ZeroPageX}, {0x2D, "AND", F::Absolute},
    {0x3D, "AND", F::AbsoluteX}, {0x39, "AND", F::AbsoluteY}, {0x21, "AND", F::IndirectX}, {0x31, "AND", F::IndirectY},
    {0x0A, "ASL", F::Accumulator}, {0x06, "ASL", F::ZeroPage}, {0x16, "ASL", F::ZeroPageX}, {0x0E, "ASL", F::Absolute},
    {0x1E, "ASL", F::AbsoluteX},
    {0x90, "BCC", F::Relative}, {0xB0, "BCS", F::Relative}, {0xF0, "BEQ", F::Relative}, {0x30, "BMI", F::Relative},
    {0xD0, "BNE", F::Relative}, {0x10, "BPL", F::Relative}, {0x50, "BVC", F::Relative}, {0x70, "BVS", F::Relative},
    {0x24, "BIT", F::ZeroPage}, {0x2C, "BIT", F::Absolute},
    {0x00, "BRK", F::Immediate},
    {0x18, "CLC", F::None}, {0xD8, "CLD", F::None}, {0x58, "CLI", F::None}, {0xB8, "CLV", F::None},
    {0xC9, "CMP", F::Immediate}, {0xC5, "CMP", F::ZeroPage}, {0xD5, "CMP", F::ZeroPageX}, {0xCD, "CMP", F::Absolute},
    {0xDD, "CMP", F::AbsoluteX}, {0xD9, "CMP", F::AbsoluteY}, {0xC1, "CMP", F::IndirectX}, {0xD1, "CMP", F::IndirectY},
    {0xE0, "CPX", F::Immediate}, {0xE4, "CPX", F::ZeroPage}, {0xEC, "CPX", F::Absolute},
    {0xC0, "CPY", F::Immediate}, {0xC4, "CPY", F::ZeroPage}, {0xCC, "CPY", F::Absolute},
    {0xC6, "DEC", F::ZeroPage}, {0xD6, "DEC", F::ZeroPageX}, {0xCE, "DEC", F::Absolute}, {0xDE, "DEC", F::AbsoluteX},
    {0xCA, "DEX", F::None}, {0x88, "DEY", F::None},
    {0x49, "EOR", F::Immediate}, {0x45, "EOR", F::ZeroPage}, {0x55, "EOR", F::ZeroPageX}, {0x4D, "EOR", F::Absolute},
    {0x5D, "EOR", F::AbsoluteX}, {0x59, "EOR", F::AbsoluteY}, {0x41, "EOR", F::IndirectX}, {0x51, "EOR", F::IndirectY},
    {0xE6, "INC", F::ZeroPage}, {0xF6, "INC", F::ZeroPageX}, {0xEE, "INC", F::Absolute}, {0xFE, "INC", F::AbsoluteX},
    {0xE8, "INX", F::None}, {0xC8, "INY", F::None},
    {0x4C, "JMP", F::Absolute}, {0x6C, "JMP", F::Indirect}, {0x20, "JSR", F::Absolute},
    {0xA9, "LDA", F::Immediate}, {0xA5, "LDA", F::ZeroPage}, {0xB5, "LDA", F::ZeroPageX}, {0xAD, "LDA", F::Absolute},
    {0xBD, "LDA", F::AbsoluteX}, {0xB9, "LDA", F::AbsoluteY}, {0xA1, "LDA", F::IndirectX}, {0xB1, "LDA", F::IndirectY},
    {0xA2, "LDX", F::Immediate}, {0xA6, "LDX", F::ZeroPage}, {0xB6, "LDX", F::ZeroPageY}, {0xAE, "LDX", F::Absolute},
    {0xBE, "LDX", F::AbsoluteY},
    {0xA0, "LDY", F::Immediate}, {0xA4, "LDY", F::ZeroPage}, {0xB4, "LDY", F::ZeroPageX}, {0xAC, "LDY", F::Absolute},
    {0xBC, "LDY", F::AbsoluteX},
    {0x4A, "LSR", F::Accumulator}, {0x46, "LSR", F::ZeroPage}, {0x56, "LSR", F::ZeroPageX}, {0x4E, "LSR", F::Absolute},
    {0x5E, "LSR", F::AbsoluteX},
    {0xEA, "NOP", F::None},
    {0x09, "ORA", F::Immediate}, {0x05, "ORA", F::ZeroPage}, {0x15, "ORA", F::ZeroPageX}, {0x0D, "ORA", F::Absolute},
    {0x1D, "ORA", F::AbsoluteX}, {0x19, "ORA", F::AbsoluteY}, {0x01, "ORA", F::IndirectX}, {0x11, "ORA", F::IndirectY},
    {0x48, "PHA", F::None}, {0x08, "PHP", F::None}, {0x68, "PLA", F::None}, {0x28, "PLP", F::None},
    {0x2A, "ROL", F::Accumulator}, {0x26, "ROL", F::ZeroPage}, {0x36, "ROL", F::ZeroPageX}, {0x2E, "ROL", F::Absolute},
    {0x3E, "ROL", F::AbsoluteX},
    {0x6A, "ROR", F::Accumulator}, {0x66, "ROR", F::ZeroPage}, {0x76, "ROR", F::ZeroPageX}, {0x6E, "ROR", F::Absolute},
    {0x7E, "ROR", F::AbsoluteX},
    {0x40, "RTI", F::None}, {0x60, "RTS", F::None},
    {0xE9, "SBC", F::Immediate}, {0xE5, "SBC", F::ZeroPage}, {0xF5, "SBC", F::ZeroPageX}, {0xED, "SBC", F::Absolute},
    {0xFD, "SBC", F::AbsoluteX}, {0xF9, "SBC", F::AbsoluteY}, {0xE1, "SBC", F::IndirectX}, {0xF1, "SBC", F::IndirectY},
    {0x38, "SEC", F::None}, {0xF8, "SED", F::None}, {0x78, "SEI", F::None},
    {0x85, "STA", F::ZeroPage}, {0x95, "STA", F::ZeroPageX}, {0x8D, "STA", F::Absolute}, {0x9D, "STA", F::AbsoluteX},
    {0x99, "STA", F::AbsoluteY}, {0x81, "STA", F::IndirectX}, {0x91, "STA", F::IndirectY},
    {0x86, "STX", F::ZeroPage}, {0x96, "STX", F::ZeroPageY}, {0x8E, "STX", F::Absolute},
    {0x84, "STY", F::ZeroPage}, {0x94, "STY", F::ZeroPageX}, {0x8C, "STY", F::Absolute},
    {0xAA, "TAX", F::None}, {0xA8, "TAY", F::None}, {0xBA, "TSX", F::None}, {0x8A, "TXA", F::None},
    {0x9A, "TXS", F::None}, {0x98, "TYA", F::None},
};

constexpr uint8_t kSkipByte[] = {0x03, 0x14, 0x34, 0x44, 0x54, 0x64, 0x74, 0x80, 0x82, 0xC2, 0xD4, 0xE2, 0xF4};
constexpr uint8_t kSkipWord[] = {0x0C, 0x1C, 0x3C, 0x5C, 0x7C, 0xDC, 0xFC};
constexpr uint8_t kOneByteNop[] = {0x1A, 0x3A, 0x5A, 0x7A, 0xDA, 0xFA};

constexpr std::array<OpcodeEntry, 256> BuildTable() {
    std::array<OpcodeEntry, 256> table{};
    for (auto& entry : table) entry = {"(Unknown)", F::None, false};
    for (uint8_t op : kSkipByte) table[op] = {"SKB", F::Immediate, false};
    for (uint8_t op : kSkipWord) table[op] = {"SKW", F::ImmediateWord, false};
    for (uint8_t op : kOneByteNop) table[op] = {"NOP", F::None, false};
    for (const Definition& d : kOfficial) table[d.opcode] = {d.mnemonic, d.form, true};
    return table;
}

constexpr std::array<OpcodeEntry, 256> kTable = BuildTable();

constexpr int OperandBytes(OperandForm form) {
    switch (form) {
        case F::None:
        case F::Accumulator: return 0;
        case F::ImmediateWord:
        case F::Absolute:
        case F::AbsoluteX:
        case F::AbsoluteY:
        case F::Indirect: return 2;
        default: return 1;
    }
}

}  // namespace

const OpcodeEntry& OpcodeEntryOf(uint8_t opcode) { return kTable[opcode]; }

int InstructionLength(uint8_t opcode) { return 1 + OperandBytes(kTable[opcode].form); }

Disassembly DisassembleBytes(uint16_t address, const uint8_t* bytes) {
    const OpcodeEntry& entry = kTable[bytes[0]];
    int length = InstructionLength(bytes[0]);
    char text[64];
    std::snprintf(text, sizeof text, "%04X  ", address);
    Disassembly result{static_cast<uint16_t>(address + length), text, {}};
    for (int i = 0; i < length; ++i) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        result.data += text;
    }
    unsigned byte = length > 1 ? bytes[1] : 0;
    unsigned word = length > 2 ? bytes[1] | bytes[2] << 8 : byte;
    const char* name = entry.mnemonic;
    switch (entry.form) {
        case F::None: std::snprintf(text, sizeof text, "%s", name); break;
        case F::Accumulator: std::snprintf(text, sizeof text, "%s\tA", name); break;
        case F::Immediate: std::snprintf(text, sizeof text, "%s\t#%02X", name, byte); break;
        case F::ImmediateWord: std::snprintf(text, sizeof text, "%s\t#%04X", name, word); break;
        case F::ZeroPage: std::snprintf(text, sizeof text, "%s\t%02X", name, byte); break;
        case F::ZeroPageX: std::snprintf(text, sizeof text, "%s\t%02X,X", name, byte); break;
        case F::ZeroPageY: std::snprintf(text, sizeof text, "%s\t%02X,Y", name, byte); break;
        case F::IndirectX: std::snprintf(text, sizeof text, "%s\t(%02X,X)", name, byte); break;
        case F::IndirectY: std::snprintf(text, sizeof text, "%s\t(%02X),Y", name, byte); break;
        case F::Absolute: std::snprintf(text, sizeof text, "%s\t%04X", name, word); break;
        case F::AbsoluteX: std::snprintf(text, sizeof text, "%s\t%04X,X", name, word); break;
        case F::AbsoluteY: std::snprintf(text, sizeof text, "%s\t%04X,Y", name, word); break;
        case F::Indirect: std::snprintf(text, sizeof text, "%s\t(%04X)", name, word); break;
        case F::Relative:
            std::snprintf(text, sizeof text, "%s\t%04X", name,
                          static_cast<unsigned>(static_cast<uint16_t>(address + 2 + static_cast<int8_t>(byte))));
            break;
    }
    result.op = text;
    return result;
}

Disassembly Disassemble(Console& console, uint16_t address) {
    uint8_t bytes[3] = {console.ReadByte(address), 0, 0};
    int length = InstructionLength(bytes[0]);
    for (int i = 1; i < length; ++i) bytes[i] = console.ReadByte(static_cast<uint16_t>(address + i));
    return DisassembleBytes(address, bytes);
}

}  // namespace korvanta
