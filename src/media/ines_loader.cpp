// iNES images: a 16-byte header, then PRG in 16 KB units and CHR in 8 KB
// units.
#include <cstring>
#include <new>

#include "app/strings.h"
#include "core/console.h"
#include "mappers/mapper_factory.h"
#include "media/loader.h"
#include "ppu/chr_decode.h"

namespace korvanta {
namespace {

constexpr int64_t kHeaderSize = 16;
constexpr uint32_t kPrgUnitSize = 0x4000;
constexpr uint32_t kChrUnitSize = 0x2000;
constexpr uint8_t kFlagVertical = 0x01;
constexpr uint8_t kFlagBattery = 0x02;
constexpr uint8_t kFlagTrainer = 0x04;
constexpr uint8_t kFlagFourScreen = 0x08;
constexpr uint8_t kFlagVsUnisystem = 0x01;

// 255 stands for 256 units (a 4 MB PRG or 2 MB CHR image).
uint32_t Units(uint8_t count) { return count == 255 ? 256 : count; }

void ShowError(Console& console, uint32_t id) { ShowStringMessage(console.host, MessageKind::Error, id); }

// Reads the PRG and CHR data into fresh pages and places the default windows.
// False on a short read; allocation failures throw.
bool FillPages(Console& console, Stream& stream, uint32_t prgPages, uint32_t chrPages, bool chrIsRam) {
    Machine& m = console.machine;
    m.prgStorage.reserve(prgPages);
    for (uint32_t i = 0; i < prgPages; ++i) {
        auto page = std::make_unique<PrgPage>();
        if (stream.Read(page->data(), page->size()) != page->size()) return false;
        m.prgPages[i] = page->data();
        m.prgStorage.push_back(std::move(page));
    }
    m.prgPageCount = prgPages;
    PlaceLastPrg32k(m);

    m.chrStorage.assign(static_cast<size_t>(chrPages) * kChrPageSize, 0);
    m.decodedChrStorage.assign(static_cast<size_t>(chrPages) * kDecodedChrPageSize, 0);
    if (!chrIsRam && stream.Read(m.chrStorage.data(), m.chrStorage.size()) != m.chrStorage.size()) return false;
    for (uint32_t i = 0; i < chrPages; ++i) {
        m.chrPages[i] = &m.chrStorage[static_cast<size_t>(i) * kChrPageSize];
        m.decodedChrPages[i] = &m.decodedChrStorage[static_cast<size_t>(i) * kDecodedChrPageSize];
        DecodeChrPage(m.chrPages[i], m.decodedChrPages[i]);
    }
    m.chrPageCount = chrPages;
    for (uint32_t w = 0; w < 8; ++w) {
        console.ppu.chrWindow[w] = m.chrPages[chrPages - 8 + w];
        console.ppu.decodedChrWindow[w] = m.decodedChrPages[chrPages - 8 + w];
    }
    return true;
}

}  // namespace

uint32_t InesMapperNumber(const ImageHeader& header) {
    uint32_t number = (header[6] >> 4) | (header[7] & 0xF0);
    // Numbers above 255 (the Disk System's 1000) are written as 255 in the
    // nibbles and the full value in bytes 8-9.
    if (number == 255) number = header[8] | header[9] << 8;
    return number;
}

bool MarkerTestMatches(const ImageHeader& header, std::span<const uint8_t> heldMarker) {
    if (heldMarker.size() != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (header[11 + i] != static_cast<uint8_t>(heldMarker[i] - 1)) return false;
    return true;
}

bool LoadInes(Console& console, Stream& stream, const LoadOptions& options) {
    ImageHeader header;
    if (!stream.Seek(0) || stream.Read(header.data(), header.size()) != header.size()) {
        ShowError(console, kStrBrokenFile);
        return false;
    }
    if (header[6] & kFlagTrainer) {
        ShowError(console, kStrTrainerNotSupported);
        return false;
    }
    if (MarkerTestMatches(header, options.heldMarker)) {
        ShowError(console, kStrIllegalImage);
        return false;
    }
    uint32_t number = InesMapperNumber(header);
    if (!IsMapperSupported(number)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrMapperNotSupported, static_cast<int>(number));
        return false;
    }
    // An image without program data, or one that claims more data than the
    // file holds, is refused before the current game is touched.
    uint32_t prgUnits = Units(header[4]);
    uint32_t chrUnits = Units(header[5]);
    bool chrIsRam = header[5] == 0;
    int64_t needed = kHeaderSize + static_cast<int64_t>(prgUnits) * kPrgUnitSize +
                     (chrIsRam ? 0 : static_cast<int64_t>(chrUnits) * kChrUnitSize);
    if (prgUnits == 0 || stream.Size() < needed) {
        ShowError(console, kStrBrokenFile);
        return false;
    }

    // From here on the previous game is gone.
    Machine& m = console.machine;
    console.game.header = header;
    m.FreePages();
    uint32_t prgPages = 2 * prgUnits;
    uint32_t chrPages = chrIsRam ? 8 : 8 * chrUnits;
    try {
        if (!FillPages(console, stream, prgPages, chrPages, chrIsRam)) {
            ShowError(console, kStrBrokenFile);
            CloseGame(console);
            return false;
        }
    } catch (const std::bad_alloc&) {
        ShowError(console, kStrMemoryAllocationFailed);
        CloseGame(console);
        return false;
    }
    console.ppu.SetMirroring(header[6] & kFlagVertical ? 1 : 2);

    MapperConfig config;
    config.chrIsRam = chrIsRam;
    config.battery = header[6] & kFlagBattery;
    config.fourScreen = header[6] & kFlagFourScreen;
    config.verticalMirroring = header[6] & kFlagVertical;
    config.vsUnisystem = header[7] & kFlagVsUnisystem;
    config.suspectImage = false;
    config.prgBankCount = prgPages;
    config.chrBankCount = chrPages;

    m.perDotBankSwitching = 0;
    m.allowUndocumentedOpcodes = 0;
    if (!CreateMapper(console, number, config, console.mapper)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrMapperNotSupported, static_cast<int>(number));
        CloseGame(console);
        return false;
    }
    console.SoftReset();
    return true;
}

}  // namespace korvanta
