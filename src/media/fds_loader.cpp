// Disk System images: the BIOS file gives the page at $E000, the RAM
// adapter's 24 KB at $8000-$DFFF start zeroed, and the board receives the
// disk sides from the image.
#include <filesystem>
#include <new>
#include <system_error>

#include "app/strings.h"
#include "core/console.h"
#include "disk/disk_image.h"
#include "disk/disk_system.h"
#include "mappers/mapper_factory.h"
#include "media/loader.h"
#include "media/movie_link.h"
#include "ppu/chr_decode.h"

namespace korvanta {
namespace {

constexpr uint32_t kDiskPrgPages = 4;  // three RAM pages and the BIOS
constexpr uint32_t kDiskChrPages = 8;  // 8 KB of CHR RAM
constexpr const char* kBiosFileName = "disksys.rom";

// An image whose header counts 1-4 sides and whose file holds them all.
bool ImageIsWhole(Stream& stream) {
    uint8_t header[kDiskHeaderSize];
    if (!stream.Seek(0) || stream.Read(header, sizeof header) != sizeof header) return false;
    uint32_t sides = header[4];
    return sides >= 1 && sides <= kMaxDiskSides &&
           stream.Size() >= static_cast<int64_t>(kDiskHeaderSize + kDiskSideSize * sides);
}

// The RAM and BIOS pages, and zeroed CHR RAM in every pattern window.
void FillDiskPages(Console& console, const PrgPage& bios) {
    Machine& m = console.machine;
    m.prgStorage.reserve(kDiskPrgPages);
    for (uint32_t i = 0; i < kDiskPrgPages; ++i) {
        auto page = i + 1 == kDiskPrgPages ? std::make_unique<PrgPage>(bios) : std::make_unique<PrgPage>();
        m.prgPages[i] = page->data();
        m.prgWindow[i] = page->data();
        m.prgStorage.push_back(std::move(page));
    }
    m.prgPageCount = kDiskPrgPages;
    m.chrStorage.assign(static_cast<size_t>(kDiskChrPages) * kChrPageSize, 0);
    m.decodedChrStorage.assign(static_cast<size_t>(kDiskChrPages) * kDecodedChrPageSize, 0);
    for (uint32_t i = 0; i < kDiskChrPages; ++i) {
        m.chrPages[i] = &m.chrStorage[static_cast<size_t>(i) * kChrPageSize];
        m.decodedChrPages[i] = &m.decodedChrStorage[static_cast<size_t>(i) * kDecodedChrPageSize];
        DecodeChrPage(m.chrPages[i], m.decodedChrPages[i]);
        console.ppu.chrWindow[i] = m.chrPages[i];
        console.ppu.decodedChrWindow[i] = m.decodedChrPages[i];
    }
    m.chrPageCount = kDiskChrPages;
}

// The iNES form of a Disk System game: 2 PRG units, CHR RAM, battery, and
// the mapper number 1000 in bytes 8-9.
ImageHeader DiskHeader() {
    ImageHeader header{'N', 'E', 'S', 0x1A, 2, 0, 0xF0 | 0x02, 0xF0};
    header[8] = kDiskSystemMapper & 0xFF;
    header[9] = kDiskSystemMapper >> 8;
    return header;
}

}  // namespace

std::string DiskBiosPath(const LoadOptions& options) {
    std::string folder = options.diskBiosFolderUse ? options.diskBiosFolder : options.programFolder;
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return (folder.empty() ? std::string(".") : folder) + "/" + kBiosFileName;
}

bool LoadDiskImage(Console& console, Stream& stream, const LoadOptions& options) {
    std::string biosPath = DiskBiosPath(options);
    PrgPage bios{};
    {
        std::error_code error;
        FileStream file(biosPath, "rb");
        // A BIOS shorter than its 8 KB page would start the game at a zero
        // vector; it counts as missing.
        if (!file.IsOpen() || std::filesystem::is_directory(biosPath, error) ||
            file.Read(bios.data(), bios.size()) != bios.size()) {
            ShowStringMessage(console.host, MessageKind::Error, kStrBiosLoadFailed, biosPath.c_str());
            return false;
        }
    }
    if (!ImageIsWhole(stream)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile);
        return false;
    }

    // From here on the previous game is gone.
    Machine& m = console.machine;
    m.FreePages();
    try {
        FillDiskPages(console, bios);
    } catch (const std::bad_alloc&) {
        ShowStringMessage(console.host, MessageKind::Error, kStrMemoryAllocationFailed);
        CloseGame(console);
        return false;
    }
    MapperConfig config;
    config.chrIsRam = true;
    config.battery = true;
    config.prgBankCount = kDiskPrgPages;
    config.chrBankCount = kDiskChrPages;
    console.ppu.SetMirroring(2);
    console.game.header = DiskHeader();

    m.perDotBankSwitching = 0;
    m.allowUndocumentedOpcodes = 0;
    if (!CreateMapper(console, kDiskSystemMapper, config, console.mapper)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrMapperNotSupported, static_cast<int>(kDiskSystemMapper));
        CloseGame(console);
        return false;
    }
    // The drive sounds would make a movie's timing depend on the files.
    if (!(options.movie && options.movie->Active()))
        static_cast<DiskSystem&>(*console.mapper).EnableEffects(options.programFolder);
    if (!stream.Seek(0) || !console.mapper->Message(kDiskReadImage, reinterpret_cast<intptr_t>(&stream))) {
        ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile);
        CloseGame(console);
        return false;
    }
    console.mapper->Message(kDiskInsertSide0, 0);
    m.ram.fill(0);
    m.sram.fill(0);
    console.SoftReset();
    return true;
}

}  // namespace korvanta
