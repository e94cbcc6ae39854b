#include "mappers/karaoke.h"

#include <cstdio>

#include "app/strings.h"
#include "core/console.h"
#include "input/standard_pad.h"

namespace korvanta {
namespace {

constexpr uint32_t kPackPages = 16;  // 128 KB in 8 KB pages
constexpr int kSoundingState = 2;

}  // namespace

std::vector<uint32_t> KaraokePackNames(const Machine& machine) {
    std::vector<uint32_t> names{kStrNoKaraokePack};
    for (uint32_t first = kPackPages; first < machine.prgPageCount; first += kPackPages) {
        uint8_t id = machine.prgPages[first][4];
        names.push_back(id == 0x97 ? kStrKaraokePack1 : id == 0x98 ? kStrKaraokePack2 : kStrUnknownKaraokePack);
    }
    return names;
}

KaraokeBoard::KaraokeBoard(Console& console, const MapperConfig& config) : Mapper(console, config) {
    chrWritable = 1;
    batteryBacked = sramEnabled = config.battery;
    hasExpansionSound = 0;
    uint32_t n = PrgCount();
    packSelection = n / kPackPages > 1 ? 1 : 0;
    openBusPage.fill(0xFF);
    SetPrg8k(0, 0);
    SetPrg8k(1, 1);
    SetPrg8k(2, 14);
    SetPrg8k(3, 15);
    SetStateTable({
        Field(kFieldByte, lastWrite),
        Field(kFieldByte, inputLatch, 0xFF),
        Field(kFieldByte, packSelection),
        Field(kFieldByte, autoSing),
    });
}

void KaraokeBoard::Write(uint16_t address, uint8_t value) {
    (void)address;
    lastWrite = value;
    uint32_t bank = value & 7u;
    if (value & 8) {
        SetPrg16k(0, bank);
    } else if (PrgCount() > kPackPages && packSelection != 0) {
        SetPrg16k(0, packSelection * 8u | bank);
    } else {
        // No pack in the slot: the data lines float high.
        machine_.prgWindow[0] = machine_.prgWindow[1] = openBusPage.data();
    }
}

uint8_t KaraokeBoard::Read(uint16_t address) {
    (void)address;
    if (autoSing) {
        bool sounding = console_.apu.channels[0].state == kSoundingState;
        inputLatch = static_cast<uint8_t>((inputLatch & ~4u) | (sounding ? 0 : 4));
    }
    bool select = false, start = false;
    int pad = console_.devices.Find(kDeviceStandardPad);
    if (pad >= 0) {
        const PadButtons& buttons = static_cast<StandardPad&>(console_.devices[pad]).Buttons();
        select = buttons[kPadSelect] != 0;
        start = buttons[kPadStart] != 0;
    }
    inputLatch = static_cast<uint8_t>((inputLatch & 0xFC) | (select ? 0 : 1) | (start ? 0 : 2));
    return inputLatch;
}

KaraokeSettings KaraokeBoard::Settings() const {
    KaraokeSettings settings;
    settings.packNames = KaraokePackNames(machine_);
    settings.packSelection = packSelection;
    settings.autoSing = autoSing != 0;
    return settings;
}

void KaraokeBoard::Apply(const KaraokeSettings& settings) {
    // Only entries the combo offers can be chosen.
    if (settings.packSelection < KaraokePackNames(machine_).size())
        packSelection = static_cast<uint8_t>(settings.packSelection);
    autoSing = settings.autoSing ? 1 : 0;
}

intptr_t KaraokeBoard::Message(uint32_t code, intptr_t argument) {
    if (code == kMessageMenuItems && argument != 0) {
        const char* item = GetString(kStrKaraokeItem);
        std::snprintf(reinterpret_cast<char*>(argument), kMenuBufferSize - 1, "%s", item ? item : "");
    } else if (code == kMessageMenuCommand && argument == 0) {
        auto& edit = console_.boardLinks.editKaraoke;
        if (edit) {
            if (auto chosen = edit(Settings())) Apply(*chosen);
        }
    }
    return 0;
}

void KaraokeBoard::AfterStateLoad() { Write(0x8000, lastWrite); }

}  // namespace korvanta
