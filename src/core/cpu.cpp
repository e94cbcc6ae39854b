#include "core/cpu.h"

#include "app/strings.h"
#include "core/console.h"

// The hot loop's helpers are lambdas over the registers held in locals; they
// must be inlined, or the registers would live in memory.
#if defined(__GNUC__)
#define KORVANTA_INLINE __attribute__((always_inline))
#else
#define KORVANTA_INLINE
#endif

namespace korvanta {
namespace {

constexpr uint8_t kFlagC = 0x01;
constexpr uint8_t kFlagZ = 0x02;
constexpr uint8_t kFlagI = 0x04;
constexpr uint8_t kFlagB = 0x10;
constexpr uint8_t kFlagV = 0x40;
constexpr uint8_t kFlagN = 0x80;
// V, bit 5, B, D and I stay in `p` during a run; N, Z and C do not.
constexpr uint8_t kStoredFlags = 0x7C;

constexpr uint32_t kApuFramePeriod = 29828;
constexpr uint32_t kFetchedThroughBus = 1u << 24;

// N and Z during a run: Z is set when the low byte is 0, N when bit 7 or
// bit 9 is set. A result byte is stored as it is; bit 9 carries N for a
// loaded status byte that has both N and Z set.
constexpr uint32_t NzFromStatus(uint8_t status) {
    return static_cast<uint32_t>(status & kFlagN) << 2 | ((~status >> 1) & 1);
}

constexpr uint8_t AssembleStatus(uint8_t p, uint32_t nz, uint32_t c) {
    return static_cast<uint8_t>(p | c | ((nz & 0xFF) ? 0 : kFlagZ) | ((nz & 0x280) ? kFlagN : 0));
}

// Opcode and operand word of an instruction outside RAM and the PRG windows'
// interiors: direct from enabled cartridge RAM and across a window's end,
// through the Bus elsewhere (then kFetchedThroughBus is set).
uint32_t FetchOutsideFastPath(Console& console, uint16_t pc, bool sramOn) {
    Machine& m = console.machine;
    if (pc >= 0x8000 || (pc >= 0x6000 && sramOn)) {
        // The bytes continue into the next window: cartridge RAM into $8000,
        // one PRG window into the next, $FFFF into RAM.
        auto direct = [&m](uint16_t address) -> uint32_t {
            if (address < 0x2000) return m.ram[address & 0x7FF];
            if (address >= 0x8000) return m.prgWindow[(address >> 13) & 3][address & 0x1FFF];
            return m.sram[address & 0x1FFF];
        };
        return direct(pc) | direct(static_cast<uint16_t>(pc + 1)) << 8 | direct(static_cast<uint16_t>(pc + 2)) << 16;
    }
    uint32_t opcode = console.ReadByte(pc);
    uint32_t operand = console.ReadWord(static_cast<uint16_t>(pc + 1));
    return opcode | operand << 8 | kFetchedThroughBus;
}

}  // namespace

bool Cpu::SramEnabled() const { return console_.mapper && console_.mapper->sramEnabled; }

void Cpu::StartFrame() {
    Machine& m = console_.machine;
    m.cycles = 0;
    m.frameStartPending = 0;
    if (m.apuFrameIrqTime > m.frameCycleBudget) m.apuFrameIrqTime -= m.frameCycleBudget;
    if (m.dmcIrqTime > m.frameCycleBudget) m.dmcIrqTime -= m.frameCycleBudget;
    console_.ppu.CollapsePaletteSets();
    if (m.nmiEnabled && !m.suppressFirstNmi) {
        m.ram[0x100 | m.s--] = static_cast<uint8_t>(m.pc >> 8);
        m.ram[0x100 | m.s--] = static_cast<uint8_t>(m.pc);
        m.ram[0x100 | m.s--] = m.p;
        m.p |= kFlagI;
        m.pc = console_.ReadWord(0xFFFA);
    }
    m.suppressFirstNmi = 0;
}

uint32_t Cpu::NextCheckTime(uint32_t cycles, uint8_t p) const {
    const Machine& m = console_.machine;
    uint32_t next = m.frameCycleBudget;
    if (cycles >= next) return 0;  // every instruction until the frame ends
    if (m.irqPending && !(p & kFlagI)) return 0;
    if (!(m.apuFrameMode & 0x40) && m.apuFrameIrqTime < next) next = m.apuFrameIrqTime;
    if (m.dmcIrqTime && m.dmcIrqTime < next) next = m.dmcIrqTime;
    // The board's timer fires once cycles exceed its time; a time of
    // $FFFFFFFF wraps to 0 here, which only means checking every time.
    if (m.boardIrqTime && m.boardIrqTime + 1 < next) next = m.boardIrqTime + 1;
    return next;
}

void Cpu::Run(RunMode mode) {
    Machine& m = console_.machine;
    if (m.frameStartPending) StartFrame();

    // The registers used by nearly every instruction live in locals; the
    // stack pointer and the stored status bits stay in the Machine.
    auto& ram = m.ram;
    auto& sram = m.sram;
    uint8_t& s = m.s;
    uint8_t& p = m.p;
    uint16_t pc = m.pc;
    uint8_t a = m.a, x = m.x, y = m.y;
    uint32_t nz = NzFromStatus(p);
    uint32_t c = p & kFlagC;
    p &= kStoredFlags;
    uint32_t cycles = m.cycles;
    // Only Bus accesses, the board's hooks and CLI/PLP/RTI can change what
    // the post-instruction checks see; each of them sets checkAt to 0.
    bool stopAfterOne = mode == RunMode::SingleStep || (mode == RunMode::RunWhileRunning && m.RunState != 1);
    uint32_t checkAt = stopAfterOne ? 0 : NextCheckTime(cycles, p);

    auto store = [&]() KORVANTA_INLINE {
        m.a = a;
        m.x = x;
        m.y = y;
        m.pc = pc;
        p = AssembleStatus(p, nz, c);
        m.cycles = cycles;
    };
    // After a call into the Bus: the sprite DMA adds cycles, a board may
    // schedule an interrupt or pause the game.
    auto resume = [&]() KORVANTA_INLINE {
        cycles = m.cycles;
        checkAt = 0;
    };
    auto busRead = [&](uint16_t address) KORVANTA_INLINE -> uint8_t {
        m.cycles = cycles;
        // Picture-unit reads change nothing the checks look at; games poll
        // $2002 in tight loops, so those go straight to it.
        if ((address & 0xE000) == 0x2000) return console_.ReadPpuRegister(address);
        uint8_t value = console_.ReadByte(address);
        resume();
        return value;
    };
    auto read = [&](uint16_t address) KORVANTA_INLINE -> uint8_t {
        if (address < 0x2000) return ram[address & 0x7FF];
        if (address >= 0x8000) return m.prgWindow[(address >> 13) & 3][address & 0x1FFF];
        if (address >= 0x6000 && SramEnabled()) return sram[address & 0x1FFF];
        return busRead(address);
    };
    auto write = [&](uint16_t address, uint8_t value) KORVANTA_INLINE {
        if (address < 0x2000) {
            ram[address & 0x7FF] = value;
        } else if (address >= 0x6000 && address < 0x8000 && SramEnabled()) {
            sram[address & 0x1FFF] = value;
        } else {
            m.cycles = cycles;
            // Boards see PC at the storing instruction's first operand byte
            // (the mapper-2 image check reads the code that follows it).
            m.pc = static_cast<uint16_t>(m.instructionAddress + 1);
            console_.WriteByte(address, value);
            resume();
        }
    };
    auto push = [&](uint8_t value) KORVANTA_INLINE { ram[0x100 | s--] = value; };
    auto pull = [&]() KORVANTA_INLINE -> uint8_t { return ram[0x100 | ++s]; };
    auto loadStatus = [&](uint8_t value) KORVANTA_INLINE {
        p = value & kStoredFlags;
        nz = NzFromStatus(value);
        c = value & kFlagC;
        checkAt = 0;  // a waiting IRQ is taken right after I clears
    };
    auto interrupt = [&](uint16_t vector) KORVANTA_INLINE {
        push(static_cast<uint8_t>(pc >> 8));
        push(static_cast<uint8_t>(pc));
        push(AssembleStatus(p, nz, c));
        p |= kFlagI;
        pc = static_cast<uint16_t>(read(vector) | read(vector + 1) << 8);
    };

    uint32_t operand = 0;
    // Effective addresses; each advances pc over its operand.
    auto imm = [&]() KORVANTA_INLINE -> uint8_t { ++pc; return static_cast<uint8_t>(operand); };
    auto zp = [&]() KORVANTA_INLINE -> uint8_t { ++pc; return static_cast<uint8_t>(operand); };
    auto zpx = [&]() KORVANTA_INLINE -> uint8_t { ++pc; return static_cast<uint8_t>(operand + x); };
    auto zpy = [&]() KORVANTA_INLINE -> uint8_t { ++pc; return static_cast<uint8_t>(operand + y); };
    auto abs = [&]() KORVANTA_INLINE -> uint16_t { pc += 2; return static_cast<uint16_t>(operand); };
    auto absFlat = [&](uint8_t index) KORVANTA_INLINE -> uint16_t {
        pc += 2;
        return static_cast<uint16_t>(operand + index);
    };
    auto absCross = [&](uint8_t index) KORVANTA_INLINE -> uint16_t {
        pc += 2;
        cycles += ((operand & 0xFF) + index) >> 8;
        return static_cast<uint16_t>(operand + index);
    };
    // Zero-page pointers wrap within page zero.
    auto indX = [&]() KORVANTA_INLINE -> uint16_t {
        ++pc;
        uint8_t z = static_cast<uint8_t>(operand + x);
        return static_cast<uint16_t>(ram[z] | ram[static_cast<uint8_t>(z + 1)] << 8);
    };
    auto indYCross = [&]() KORVANTA_INLINE -> uint16_t {
        ++pc;
        uint8_t z = static_cast<uint8_t>(operand);
        uint32_t low = ram[z] + y;
        cycles += low >> 8;
        return static_cast<uint16_t>((ram[static_cast<uint8_t>(z + 1)] << 8) + low);
    };

    auto ora = [&](uint8_t v) KORVANTA_INLINE { nz = a |= v; };
    auto andA = [&](uint8_t v) KORVANTA_INLINE { nz = a &= v; };
    auto eor = [&](uint8_t v) KORVANTA_INLINE { nz = a ^= v; };
    // No decimal mode: D never changes the sum.
    auto adc = [&](uint8_t v) KORVANTA_INLINE {
        uint32_t sum = a + v + c;
        p = static_cast<uint8_t>((p & ~kFlagV) | (((a ^ sum) & (v ^ sum) & 0x80) >> 1));
        c = sum >> 8;
        nz = a = static_cast<uint8_t>(sum);
    };
    auto sbc = [&](uint8_t v) KORVANTA_INLINE { adc(static_cast<uint8_t>(~v)); };
    auto lda = [&](uint8_t v) KORVANTA_INLINE { nz = a = v; };
    auto ldx = [&](uint8_t v) KORVANTA_INLINE { nz = x = v; };
    auto ldy = [&](uint8_t v) KORVANTA_INLINE { nz = y = v; };
    auto compare = [&](uint8_t reg, uint8_t v) KORVANTA_INLINE {
        c = reg >= v;
        nz = static_cast<uint8_t>(reg - v);
    };
    auto cmpA = [&](uint8_t v) KORVANTA_INLINE { compare(a, v); };
    auto bit = [&](uint8_t v) KORVANTA_INLINE {
        p = static_cast<uint8_t>((p & ~kFlagV) | (v & kFlagV));
        nz = static_cast<uint32_t>(v & kFlagN) << 2 | ((a & v) ? 1 : 0);
    };
    auto asl = [&](uint8_t v) KORVANTA_INLINE -> uint8_t {
        c = v >> 7;
        return static_cast<uint8_t>(nz = static_cast<uint8_t>(v << 1));
    };
    auto lsr = [&](uint8_t v) KORVANTA_INLINE -> uint8_t {
        c = v & 1;
        return static_cast<uint8_t>(nz = v >> 1);
    };
    auto rol = [&](uint8_t v) KORVANTA_INLINE -> uint8_t {
        uint32_t r = static_cast<uint8_t>(v << 1 | c);
        c = v >> 7;
        return static_cast<uint8_t>(nz = r);
    };
    auto ror = [&](uint8_t v) KORVANTA_INLINE -> uint8_t {
        uint32_t r = v >> 1 | c << 7;
        c = v & 1;
        return static_cast<uint8_t>(nz = r);
    };
    auto inc = [&](uint8_t v) KORVANTA_INLINE -> uint8_t { return static_cast<uint8_t>(nz = static_cast<uint8_t>(v + 1)); };
    auto dec = [&](uint8_t v) KORVANTA_INLINE -> uint8_t { return static_cast<uint8_t>(nz = static_cast<uint8_t>(v - 1)); };
    auto branch = [&](bool taken) KORVANTA_INLINE {
        uint16_t next = static_cast<uint16_t>(pc + 1);
        if (taken) {
            uint16_t target = static_cast<uint16_t>(next + static_cast<int8_t>(operand));
            cycles += ((next ^ target) & 0xFF00) ? 4 : 3;
            pc = target;
        } else {
            cycles += 2;
            pc = next;
        }
    };
    // The idle-loop opcodes skip the rest of the frame.
    auto endFrameNow = [&]() KORVANTA_INLINE { cycles = m.frameCycleBudget + kFrameEndSlack; };

    for (;;) {
        m.instructionAddress = pc;
        uint32_t opcode;
        if (pc >= 0x8000 && (pc & 0x1FFF) < 0x1FFE) {
            const uint8_t* q = m.prgWindow[(pc >> 13) & 3] + (pc & 0x1FFF);
            opcode = q[0];
            operand = q[1] | q[2] << 8;
        } else if (pc < 0x2000) {
            opcode = ram[pc & 0x7FF];
            operand = ram[(pc + 1) & 0x7FF] | ram[(pc + 2) & 0x7FF] << 8;
        } else {
            m.cycles = cycles;
            uint32_t fetched = FetchOutsideFastPath(console_, pc, SramEnabled());
            if (fetched & kFetchedThroughBus) resume();
            opcode = fetched & 0xFF;
            operand = (fetched >> 8) & 0xFFFF;
        }
        ++pc;

// The eight addressing forms of ORA, AND, EOR, ADC, LDA, CMP and SBC.
#define KORVANTA_ALU_GROUP(base, op, absX)                      \
    case base + 0x09: op(imm()); cycles += 2; break;            \
    case base + 0x05: op(ram[zp()]); cycles += 3; break;        \
    case base + 0x15: op(ram[zpx()]); cycles += 4; break;       \
    case base + 0x0D: op(read(abs())); cycles += 4; break;      \
    case base + 0x1D: op(read(absX(x))); cycles += 4; break;    \
    case base + 0x19: op(read(absCross(y))); cycles += 4; break; \
    case base + 0x01: op(read(indX())); cycles += 6; break;     \
    case base + 0x11: op(read(indYCross())); cycles += 5; break;
// The memory forms of the read-modify-write instructions.
#define KORVANTA_RMW_GROUP(base, op)                                                      \
    case base + 0x06: { uint8_t e = zp(); ram[e] = op(ram[e]); cycles += 5; break; }      \
    case base + 0x16: { uint8_t e = zpx(); ram[e] = op(ram[e]); cycles += 6; break; }     \
    case base + 0x0E: { uint16_t e = abs(); write(e, op(read(e))); cycles += 6; break; }  \
    case base + 0x1E: { uint16_t e = absFlat(x); write(e, op(read(e))); cycles += 7; break; }

        switch (opcode) {
            KORVANTA_ALU_GROUP(0x00, ora, absCross)
            KORVANTA_ALU_GROUP(0x20, andA, absCross)
            KORVANTA_ALU_GROUP(0x40, eor, absFlat)
            KORVANTA_ALU_GROUP(0x60, adc, absFlat)
            KORVANTA_ALU_GROUP(0xA0, lda, absCross)
            KORVANTA_ALU_GROUP(0xC0, cmpA, absCross)
            KORVANTA_ALU_GROUP(0xE0, sbc, absFlat)
            KORVANTA_RMW_GROUP(0x00, asl)
            KORVANTA_RMW_GROUP(0x20, rol)
            KORVANTA_RMW_GROUP(0x40, lsr)
            KORVANTA_RMW_GROUP(0x60, ror)
            KORVANTA_RMW_GROUP(0xC0, dec)
            KORVANTA_RMW_GROUP(0xE0, inc)
#undef KORVANTA_ALU_GROUP
#undef KORVANTA_RMW_GROUP

            case 0x0A: a = asl(a); cycles += 2; break;
            case 0x2A: a = rol(a); cycles += 2; break;
            case 0x4A: a = lsr(a); cycles += 2; break;
            case 0x6A: a = ror(a); cycles += 2; break;

            case 0x85: ram[zp()] = a; cycles += 3; break;
            case 0x95: ram[zpx()] = a; cycles += 4; break;
            case 0x8D: write(abs(), a); cycles += 4; break;
            case 0x9D: write(absFlat(x), a); cycles += 5; break;
            case 0x99: write(absFlat(y), a); cycles += 5; break;
            case 0x81: write(indX(), a); cycles += 6; break;
            case 0x91: write(indYCross(), a); cycles += 6; break;
            case 0x86: ram[zp()] = x; cycles += 3; break;
            case 0x96: ram[zpy()] = x; cycles += 4; break;
            case 0x8E: write(abs(), x); cycles += 4; break;
            case 0x84: ram[zp()] = y; cycles += 3; break;
            case 0x94: ram[zpx()] = y; cycles += 4; break;
            case 0x8C: write(abs(), y); cycles += 4; break;

            case 0xA2: ldx(imm()); cycles += 2; break;
            case 0xA6: ldx(ram[zp()]); cycles += 3; break;
            case 0xB6: ldx(ram[zpy()]); cycles += 4; break;
            case 0xAE: ldx(read(abs())); cycles += 4; break;
            case 0xBE: ldx(read(absCross(y))); cycles += 4; break;
            case 0xA0: ldy(imm()); cycles += 2; break;
            case 0xA4: ldy(ram[zp()]); cycles += 3; break;
            case 0xB4: ldy(ram[zpx()]); cycles += 4; break;
            case 0xAC: ldy(read(abs())); cycles += 4; break;
            case 0xBC: ldy(read(absCross(x))); cycles += 4; break;

            case 0xE0: compare(x, imm()); cycles += 2; break;
            case 0xE4: compare(x, ram[zp()]); cycles += 3; break;
            case 0xEC: compare(x, read(abs())); cycles += 4; break;
            case 0xC0: compare(y, imm()); cycles += 2; break;
            case 0xC4: compare(y, ram[zp()]); cycles += 3; break;
            case 0xCC: compare(y, read(abs())); cycles += 4; break;
            case 0x24: bit(ram[zp()]); cycles += 3; break;
            case 0x2C: bit(read(abs())); cycles += 4; break;

            case 0xE8: nz = ++x; cycles += 2; break;
            case 0xC8: nz = ++y; cycles += 2; break;
            case 0xCA: nz = --x; cycles += 2; break;
            case 0x88: nz = --y; cycles += 2; break;
            case 0xAA: nz = x = a; cycles += 2; break;
            case 0xA8: nz = y = a; cycles += 2; break;
            case 0x8A: nz = a = x; cycles += 2; break;
            case 0x98: nz = a = y; cycles += 2; break;
            case 0xBA: nz = x = s; cycles += 2; break;
            case 0x9A: s = x; cycles += 2; break;

            case 0x18: c = 0; cycles += 2; break;
            case 0x38: c = 1; cycles += 2; break;
            case 0x58: p &= ~kFlagI; checkAt = 0; cycles += 2; break;
            case 0x78: p |= kFlagI; cycles += 2; break;
            case 0xB8: p &= ~kFlagV; cycles += 2; break;
            case 0xD8: p &= ~0x08; cycles += 2; break;
            case 0xF8: p |= 0x08; cycles += 2; break;

            case 0x10: branch(!(nz & 0x280)); break;
            case 0x30: branch(nz & 0x280); break;
            case 0x50: branch(!(p & kFlagV)); break;
            case 0x70: branch(p & kFlagV); break;
            case 0x90: branch(!c); break;
            case 0xB0: branch(c); break;
            case 0xD0: branch(nz & 0xFF); break;
            case 0xF0: branch(!(nz & 0xFF)); break;

            case 0x4C: pc = static_cast<uint16_t>(operand); cycles += 3; break;
            case 0x6C: {
                // The pointer's high byte comes from the start of its own page.
                uint16_t low = read(static_cast<uint16_t>(operand));
                uint16_t high = read(static_cast<uint16_t>((operand & 0xFF00) | ((operand + 1) & 0xFF)));
                pc = static_cast<uint16_t>(low | high << 8);
                cycles += 5;
                break;
            }
            case 0x20: {
                uint16_t last = static_cast<uint16_t>(pc + 1);
                push(static_cast<uint8_t>(last >> 8));
                push(static_cast<uint8_t>(last));
                pc = static_cast<uint16_t>(operand);
                cycles += 6;
                break;
            }
            case 0x60: {
                uint16_t low = pull();
                uint16_t high = pull();
                pc = static_cast<uint16_t>((low | high << 8) + 1);
                cycles += 6;
                break;
            }
            case 0x40: {
                loadStatus(pull());
                uint16_t low = pull();
                uint16_t high = pull();
                pc = static_cast<uint16_t>(low | high << 8);
                cycles += 6;
                break;
            }
            case 0x00:
                // Returns two bytes past the opcode; B is pushed as stored
                // and only set afterwards.
                ++pc;
                interrupt(0xFFFE);
                p |= kFlagB;
                cycles += 7;
                break;

            case 0x48: push(a); cycles += 3; break;
            case 0x08: push(AssembleStatus(p, nz, c)); cycles += 3; break;
            case 0x68: nz = a = pull(); cycles += 4; break;
            case 0x28: loadStatus(pull()); cycles += 4; break;

            case 0xEA:
            case 0x1A: case 0x3A: case 0x5A: case 0x7A: case 0xDA: case 0xFA:
                cycles += 2;
                break;
            case 0x04: case 0x34: case 0x44: case 0x54: case 0x64: case 0x74: case 0x80:
            case 0x82: case 0x89: case 0xC2: case 0xD4: case 0xE2: case 0xF4:
                ++pc;
                cycles += 2;
                break;
            case 0x0C: case 0x1C: case 0x3C: case 0x5C: case 0x7C: case 0xDC: case 0xFC:
                pc += 2;
                cycles += 4;
                break;

            // Idle-loop markers placed by game images.
            case 0x02: endFrameNow(); break;
            case 0x0F: pc = static_cast<uint16_t>(operand); endFrameNow(); break;
            case 0x12: lda(ram[zp()]); endFrameNow(); break;
            case 0x13: ldx(ram[zp()]); endFrameNow(); break;
            case 0x14: ldy(ram[zp()]); endFrameNow(); break;

            default: {
                uint16_t address = static_cast<uint16_t>(pc - 1);
                uint8_t again = busRead(address);
                if (m.allowUndocumentedOpcodes) {
                    if ((again & 3) == 3) pc += 2;
                    break;
                }
                store();
                ShowStringMessage(console_.host, MessageKind::Error, kStrUnknownOpcode, static_cast<unsigned>(again),
                                  static_cast<unsigned>(address));
                m.cycles += 2;
                m.RunState = 0;
                return;
            }
        }

        if (cycles < checkAt) continue;

        m.cycles = cycles;
        if (cycles >= m.frameCycleBudget) {
            m.vblankFlag = 1;
            if (cycles >= m.frameCycleBudget + kFrameEndSlack) {
                m.frameStartPending = 1;
                store();
                if (console_.mapper) console_.mapper->EndOfFrame();
                return;
            }
        }
        if (!(m.apuFrameMode & 0x40) && cycles >= m.apuFrameIrqTime) {
            m.apuFrameIrqFlag = 1;
            m.apuFrameIrqTime = cycles + kApuFramePeriod;
            if (!(m.apuFrameMode & 0x80)) m.irqPending = 1;
        }
        if (m.dmcIrqTime && cycles >= m.dmcIrqTime) {
            m.dmcIrqFlag = 1;
            m.irqPending = 1;
        }
        if (m.boardIrqTime && cycles > m.boardIrqTime) {
            m.irqPending = 1;
            if (console_.mapper) console_.mapper->IrqTimeReached();
            cycles = m.cycles;
        }
        if (m.irqPending && !(p & kFlagI)) {
            m.irqPending = 0;
            interrupt(0xFFFE);
        }
        if (mode == RunMode::SingleStep || (mode == RunMode::RunWhileRunning && m.RunState != 1)) {
            store();
            return;
        }
        checkAt = NextCheckTime(cycles, p);
    }
}

}  // namespace korvanta
