#include "debug/trace.h"

#include <cstdio>

#include "core/console.h"
#include "debug/disassembler.h"

namespace korvanta {
namespace {

std::string Operand(const Console& console, const OpcodeEntry& entry, uint8_t opcode, uint16_t pc, unsigned byte,
                    unsigned word) {
    auto peek = [&console](unsigned address) -> unsigned { return console.PeekByte(static_cast<uint16_t>(address)); };
    auto zeroPageWord = [&peek](unsigned z) { return peek(z & 0xFF) | peek((z + 1) & 0xFF) << 8; };
    const Machine& m = console.machine;
    char text[64] = "";
    switch (entry.form) {
        case OperandForm::None: break;
        case OperandForm::Accumulator: std::snprintf(text, sizeof text, "A"); break;
        case OperandForm::Immediate: std::snprintf(text, sizeof text, "#$%02X", byte); break;
        case OperandForm::ImmediateWord: std::snprintf(text, sizeof text, "#$%04X", word); break;
        case OperandForm::ZeroPage: std::snprintf(text, sizeof text, "$%02X = %02X", byte, peek(byte)); break;
        case OperandForm::ZeroPageX: {
            unsigned ea = (byte + m.x) & 0xFF;
            std::snprintf(text, sizeof text, "$%02X,X @ %02X = %02X", byte, ea, peek(ea));
            break;
        }
        case OperandForm::ZeroPageY: {
            unsigned ea = (byte + m.y) & 0xFF;
            std::snprintf(text, sizeof text, "$%02X,Y @ %02X = %02X", byte, ea, peek(ea));
            break;
        }
        case OperandForm::IndirectX: {
            unsigned z = (byte + m.x) & 0xFF;
            unsigned ea = zeroPageWord(z);
            std::snprintf(text, sizeof text, "($%02X,X) @ %02X = %04X = %02X", byte, z, ea, peek(ea));
            break;
        }
        case OperandForm::IndirectY: {
            unsigned base = zeroPageWord(byte);
            unsigned ea = (base + m.y) & 0xFFFF;
            std::snprintf(text, sizeof text, "($%02X),Y = %04X @ %04X = %02X", byte, base, ea, peek(ea));
            break;
        }
        case OperandForm::Absolute:
            if (opcode == 0x4C || opcode == 0x20)
                std::snprintf(text, sizeof text, "$%04X", word);
            else
                std::snprintf(text, sizeof text, "$%04X = %02X", word, peek(word));
            break;
        case OperandForm::AbsoluteX:
        case OperandForm::AbsoluteY: {
            bool byX = entry.form == OperandForm::AbsoluteX;
            unsigned ea = (word + (byX ? m.x : m.y)) & 0xFFFF;
            std::snprintf(text, sizeof text, "$%04X,%c @ %04X = %02X", word, byX ? 'X' : 'Y', ea, peek(ea));
            break;
        }
        case OperandForm::Indirect: {
            // The pointer's high byte wraps within its page, as the CPU reads it.
            unsigned target = peek(word) | peek((word & 0xFF00) | ((word + 1) & 0xFF)) << 8;
            std::snprintf(text, sizeof text, "($%04X) = %04X", word, target);
            break;
        }
        case OperandForm::Relative:
            std::snprintf(text, sizeof text, "$%04X", (pc + 2 + static_cast<int8_t>(byte)) & 0xFFFF);
            break;
    }
    return text;
}

}  // namespace

std::string TraceLine(const Console& console, uint64_t totalCycles) {
    const Machine& m = console.machine;
    uint16_t pc = m.pc;
    uint8_t bytes[3] = {console.PeekByte(pc), console.PeekByte(static_cast<uint16_t>(pc + 1)),
                        console.PeekByte(static_cast<uint16_t>(pc + 2))};
    const OpcodeEntry& entry = OpcodeEntryOf(bytes[0]);
    int length = InstructionLength(bytes[0]);

    std::string raw;
    for (int i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i) raw += ' ';
        raw += hex;
    }
    std::string disassembly = entry.mnemonic;
    std::string operand = Operand(console, entry, bytes[0], pc, bytes[1], bytes[1] | bytes[2] << 8u);
    if (!operand.empty()) disassembly += " " + operand;

    char line[160];
    std::snprintf(line, sizeof line, "%04X  %-8s %c%-32sA:%02X X:%02X Y:%02X P:%02X SP:%02X CYC:%llu", pc, raw.c_str(),
                  entry.official ? ' ' : '*', disassembly.c_str(), m.a, m.x, m.y, m.p, m.s,
                  static_cast<unsigned long long>(totalCycles));
    return line;
}

}  // namespace korvanta
