#include "mappers/mapper186.h"

#include <cstdio>
#include <string>

#include "core/console.h"
#include "video/display.h"

namespace korvanta {
namespace {

// The cartridge's own notices, as its software wrote them.
constexpr const char* kTapeMissingFormat = "%sが開けません";
constexpr const char* kSaveNotSupported = "このマッパーで保存はまだサポートされていません!!";

std::string Format(const char* format, const std::string& text) {
    char line[512];
    std::snprintf(line, sizeof line, format, text.c_str());
    return line;
}

}  // namespace

Mapper186Board::Mapper186Board(Console& console, const MapperConfig& config)
    : Mapper(console, config), tape_(console.boardLinks.tape) {
    chrWritable = 1;
    batteryBacked = config.battery;
    sramEnabled = 1;
    hasExpansionSound = 0;
    tapeFlag = config.fourScreen;
    const std::string& folder = console.boardLinks.programFolder;
    std::string path = (folder.empty() ? std::string(".") : folder) + "/page1.dat";
    tape_.file = std::make_unique<FileStream>(path, "rb");
    if (!tape_.file->IsOpen()) {
        tape_.file.reset();
        console.host.ShowMessage(Format(kTapeMissingFormat, path), MessageKind::Warning);
    }
    SetPrg8k(2, 0);
    SetPrg8k(3, 1);
    SetStateTable({
        Field(kFieldByte, prgBank),
        Field(kFieldByte, ramBank),
    });
}

void Mapper186Board::Write(uint16_t address, uint8_t value) {
    if (address >= 0x4400 && address <= 0x4FFF) {
        smallRam[address & 0xFFF] = value;
        return;
    }
    switch (address & 0xFF03) {
        case 0x4200:
            // The RAM chip is larger than the window: swap the 8 KB bank the
            // Bus sees at $6000.
            ramBanks[ramBank & 3] = machine_.sram;
            ramBank = value >> 6;
            machine_.sram = ramBanks[ramBank & 3];
            break;
        case 0x4201:
            prgBank = value & 0x0F;
            SetPrg8k(0, 2u * prgBank);
            SetPrg8k(1, 2u * prgBank + 1);
            break;
        case 0x4202: WriteTapeControl(value); break;
        case 0x4203: {
            char line[64];
            std::snprintf(line, sizeof line, "Unknown Write %02X at %04X\n", value, address);
            console_.host.ShowMessage(line, MessageKind::Warning);
            machine_.RunState = 0;
            break;
        }
        default: break;
    }
}

void Mapper186Board::WriteTapeControl(uint8_t value) {
    // Bit 4 is the serial clock of the command to the deck, bit 7 its data.
    if ((last4202 & 0x10) && !(value & 0x10)) {
        tape_.bits += 1;
        tape_.ackCountdown = 1;
        tape_.command = static_cast<uint8_t>((tape_.command << 1) | (value >> 7));
    }
    if (tape_.bits >= 8) {
        tape_.bits = 0;
        if (Display* display = console_.boardLinks.display)
            display->ShowScreenMessage(300, false, 140, 16, "TAPE PLAY!(%02X)", tape_.command);
        tape_.dataCountdown = 20;
        if (tape_.file) tape_.file->Seek(0);
    }
    if (value & 2) {
        ScheduleIrq(machine_.cycles + kIrqPeriod);
    } else {
        CancelIrq();
    }
    last4202 = value;
}

uint8_t Mapper186Board::ReadTapeByte() {
    uint8_t byte;
    // Past the end (or without a tape) the last byte stays on the data lines.
    if (tape_.file && tape_.file->Read(&byte, 1) == 1) tape_.lastByte = byte;
    tape_.bytesRead += 1;
    return tape_.lastByte;
}

uint8_t Mapper186Board::Read(uint16_t address) {
    if (address >= 0x4400 && address <= 0x4FFF) return smallRam[address & 0xFFF];
    switch (address & 0xFF03) {
        case 0x4201:
            if ((tape_.command & 0x0F) == 1) {
                // Bit 6 reports data ready for a while after a play command.
                if (tape_.dataCountdown > 0) {
                    tape_.last4201 |= 0x40;
                    tape_.dataCountdown -= 1;
                } else {
                    tape_.last4201 &= 0x2F;
                }
            } else {
                tape_.last4201 = 0xDF;
            }
            return tape_.last4201;
        case 0x4202:
            if (tapeFlag) tape_.status4202 |= 8;
            if (tape_.ackCountdown > 0) {
                tape_.status4202 &= 0xBF;
                tape_.ackCountdown -= 1;
            } else {
                tape_.status4202 |= 0x40;
            }
            return tape_.status4202;
        case 0x4200:
        case 0x4203: return ReadTapeByte();
        default: return 0;
    }
}

void Mapper186Board::EndOfFrame() {
    // An interrupt due after the frame's end is carried into the next frame.
    uint32_t budget = machine_.frameCycleBudget;
    machine_.boardIrqTime = machine_.boardIrqTime > budget ? machine_.boardIrqTime - budget : 0;
}

void Mapper186Board::IrqTimeReached() { ScheduleIrq(machine_.cycles + kIrqPeriod); }

void Mapper186Board::AfterStateLoad() { console_.host.ShowMessage(kSaveNotSupported, MessageKind::Warning); }

}  // namespace korvanta
