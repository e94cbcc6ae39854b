#include "mappers/bandai.h"

#include <cstdio>

#include "app/strings.h"
#include "core/console.h"

namespace korvanta {
namespace {

// Register 9 AND 3 to the name-table layout: vertical, horizontal, single
// page 0, single page 1.
constexpr int kMirroringModes[4] = {1, 2, 0, 4};

// The reader holds the line at 1 around a code, then 20 reads per module.
constexpr uint32_t kLeadReads = 5000;
constexpr uint32_t kModuleReads = 20;
constexpr int32_t kLeadIn = -1;
constexpr int32_t kLeadOut = -2;

}  // namespace

BandaiBoard::BandaiBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = config.chrIsRam;
    batteryBacked = 0;
    sramEnabled = 0;  // the board decodes all of $6000-$FFFF
    hasExpansionSound = 0;
    if (PrgCount() >= 4) PlaceLastPrg32k(machine_);
    SetStateTable({
        Field(kFieldDword, prgBank),
        BlockField(chrBanks.data(), static_cast<uint32_t>(sizeof chrBanks)),
        Field(kFieldByte, mirroring),
        Field(kFieldByte, irqControl),
        Field(kFieldByte, irqLatchLow),
        Field(kFieldByte, irqLatchHigh),
        Field(kFieldDword, irqTarget),
    });
    ResetStateTable();
    barcodeModules.fill(kModulesEnd);
}

void BandaiBoard::Write(uint16_t address, uint8_t value) {
    if (address < 0x6000) return;
    switch (address & 0x0F) {
        case 0x0: case 0x1: case 0x2: case 0x3: case 0x4: case 0x5: case 0x6: case 0x7: {
            if (chrWritable || ChrCount() == 0) return;
            int window = address & 7;
            chrBanks[window] = value % ChrCount();
            SetChr1k(window, chrBanks[window]);
            break;
        }
        case 0x8:
            if (PrgCount() == 0) return;
            prgBank = (2u * value) % PrgCount();
            SetPrg8k(0, prgBank);
            SetPrg8k(1, prgBank + 1);
            break;
        case 0x9:
            // The layout is set again even for the same value, but the lines
            // already drawn only need catching up when it changes.
            if (value != mirroring) console_.ppu.RenderCatchUp(true);
            mirroring = value;
            console_.ppu.SetMirroring(kMirroringModes[value & 3]);
            break;
        case 0xA:
            irqControl = value;
            if (value & 1) {
                // A count of 0 fires after the next instruction; irqPending
                // is left as it is.
                ScheduleIrq(machine_.cycles + (irqLatchHigh * 256u + irqLatchLow));
                irqTarget = machine_.boardIrqTime;
            } else {
                irqTarget = 0;
                CancelIrq();
            }
            break;
        case 0xB: irqLatchLow = value; break;
        case 0xC: irqLatchHigh = value; break;
        case 0xD: eeprom.WriteLines(value); break;
        default: break;
    }
}

void BandaiBoard::IrqTimeReached() {
    irqTarget = 0;
    machine_.boardIrqTime = 0;
}

uint8_t BandaiBoard::Read(uint16_t address) {
    if (address < 0x6000 || (address & 0x0F) != 0) return 0;
    uint8_t result = eeprom.DataOut() ? 0x10 : 0;
    if (barcodeReader.ready) result |= NextBarcodeBit();
    return result;
}

uint8_t BandaiBoard::NextBarcodeBit() {
    if (barcodePos < 0) {
        if (++barcodeCount >= kLeadReads) {
            barcodeCount = 0;
            if (barcodePos == kLeadIn) {
                barcodePos = barcodeModules[0] == kModulesEnd ? kLeadOut : 0;
            } else {
                barcodePos = kLeadIn;
                barcodeReader.ready = false;  // the code has been sent
            }
        }
        return 0x08;
    }
    // Bar modules read as 0, spaces as 1.
    uint8_t bit = barcodeModules[static_cast<size_t>(barcodePos)] == 0 ? 0x08 : 0;
    if (++barcodeCount >= kModuleReads) {
        barcodeCount = 0;
        ++barcodePos;
        if (static_cast<size_t>(barcodePos) >= barcodeModules.size() ||
            barcodeModules[static_cast<size_t>(barcodePos)] == kModulesEnd)
            barcodePos = kLeadOut;
    }
    return bit;
}

intptr_t BandaiBoard::Message(uint32_t code, intptr_t argument) {
    if (code == kMessageMenuItems && argument != 0) {
        const char* item = GetString(kStrReadBarcodeItem);
        std::snprintf(reinterpret_cast<char*>(argument), kMenuBufferSize - 1, "%s", item ? item : "");
    } else if (code == kMessageMenuCommand && argument == 0) {
        barcodeReader.ShowBarcodeDialog(console_.host);
        if (barcodeReader.ready) {
            barcodePos = kLeadIn;
            barcodeCount = 0;
            barcodeReader.TakeBarcode(barcodeModules);
        }
    }
    return 0;
}

void BandaiBoard::AfterStateLoad() {
    SetPrg8k(0, prgBank);
    SetPrg8k(1, prgBank + 1);
    SetPrgLast16kAtC000();
    if (chrWritable) return;
    console_.ppu.RenderCatchUp(true);
    for (int w = 0; w < 8; ++w) StoreChr1k(w, chrBanks[w]);
}

}  // namespace korvanta
