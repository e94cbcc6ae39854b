// The 6502 disassembly table and the debug console's disassembler.
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

class Console;

enum class OperandForm : uint8_t {
    None,           // implied
    Accumulator,    // "A"
    Immediate,      // one byte, "#%02X"
    ImmediateWord,  // two bytes, "#%04X" (the three-byte skips)
    ZeroPage,
    ZeroPageX,
    ZeroPageY,
    IndirectX,
    IndirectY,
    Absolute,
    AbsoluteX,
    AbsoluteY,
    Indirect,
    Relative,       // shown as the branch target
};

struct OpcodeEntry {
    const char* mnemonic;
    OperandForm form;
    bool official;
};

// The table entry of every opcode: published mnemonics for the official set,
// "SKB", "SKW", "NOP" or "(Unknown)" for the rest.
const OpcodeEntry& OpcodeEntryOf(uint8_t opcode);

// Bytes of the instruction as the disassembler shows it (1 to 3).
int InstructionLength(uint8_t opcode);

// The debug console's view of one instruction: DATA is the address and the
// instruction's bytes ("%04X  " then "%02X" each), OP the mnemonic, a tab and
// the operand; `next` is the address of the following instruction.
struct Disassembly {
    uint16_t next;
    std::string data;
    std::string op;
};

// From the instruction's bytes; `bytes` holds InstructionLength(bytes[0]).
Disassembly DisassembleBytes(uint16_t address, const uint8_t* bytes);

// Reads the instruction through the Bus, with the effects of CPU reads.
Disassembly Disassemble(Console& console, uint16_t address);

}  // namespace korvanta
