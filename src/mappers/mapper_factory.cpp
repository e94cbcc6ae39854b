#include "mappers/mapper_factory.h"

#include <chrono>
#include <new>
#include <random>
#include <type_traits>

#include "core/console.h"
#include "disk/disk_system.h"
#include "mappers/bandai.h"
#include "mappers/chip_boards.h"
#include "mappers/discrete.h"
#include "mappers/karaoke.h"
#include "mappers/mapper186.h"
#include "mappers/mapper90.h"
#include "mappers/mmc1.h"
#include "mappers/mmc2.h"
#include "mappers/mmc3.h"
#include "mappers/mmc3_relatives.h"
#include "mappers/mmc5.h"
#include "mappers/multicart.h"
#include "mappers/namco106.h"
#include "mappers/namco108.h"
#include "mappers/oekakids.h"
#include "mappers/small_boards.h"
#include "mappers/vrc.h"

namespace korvanta {
namespace {

using BoardMaker = std::unique_ptr<Mapper> (*)(Console&, const MapperConfig&, int variant);

template <typename Board>
std::unique_ptr<Mapper> Make(Console& console, const MapperConfig& config, int variant) {
    if constexpr (std::is_constructible_v<Board, Console&, const MapperConfig&, int>)
        return std::make_unique<Board>(console, config, variant);
    else
        return std::make_unique<Board>(console, config);
}

struct BoardEntry {
    uint32_t number;
    BoardMaker make;  // null: the board is not built yet, the number unsupported
    int variant;
};

// Every mapper number the program knows, with its board class and variant.
// Adding a board is filling in its maker here.
constexpr BoardEntry kBoards[] = {
    // Discrete logic.
    {0, Make<NromBoard>, 0},
    {2, Make<UxromBoard>, 0},
    {93, Make<UxromBoard>, 1},
    {94, Make<UxromBoard>, 2},
    {71, Make<UxromBoard>, 3},
    {3, Make<CnromBoard>, 0},
    {99, Make<CnromBoard>, 0},
    {101, Make<CnromBoard>, 1},
    {66, Make<GxromBoard>, 0},
    {240, Make<GxromBoard>, 0},
    {113, Make<GxromBoard>, 1},
    {181, Make<GxromBoard>, 2},
    {7, Make<AxromBoard>, 0},
    {11, Make<ColorDreamsBoard>, 0},
    {13, Make<CpromBoard>, 0},
    {34, Make<Mapper34Board>, 0},
    {70, Make<Mapper70Board>, 0},
    {72, Make<JalecoJf17Board>, 0},
    {92, Make<JalecoJf17Board>, 1},
    {77, Make<Mapper77Board>, 0},
    {78, Make<Mapper78Board>, 0},
    {87, Make<Mapper87Board>, 0},
    {89, Make<Sunsoft2Board>, 0},
    {97, Make<IremTamS1Board>, 0},
    {122, Make<Sunsoft1Board>, 0},
    {184, Make<Sunsoft1Board>, 0},
    {185, Make<ChrGuardBoard>, 0},
    // MMC1.
    {1, Make<Mmc1Board>, 0},
    // MMC3 and its relatives.
    {4, Make<Mmc3Board>, 0},
    {118, Make<Mmc3Board>, 1},
    {245, Make<Mmc3Board>, 2},
    {64, Make<Rambo1Board>, 0},
    {182, Make<Mapper182Board>, 0},
    {187, Make<Mapper187Board>, 0},
    {189, Make<Mapper189Board>, 0},
    // MMC5.
    {5, Make<Mmc5Board>, 0},
    // Konami VRC.
    {23, Make<Vrc2Vrc4Board>, 0},
    {22, Make<Vrc2Vrc4Board>, 1},
    {25, Make<Vrc2Vrc4Board>, 2},
    {21, Make<Vrc2Vrc4Board>, 3},
    {24, Make<Vrc6Board>, 0},
    {26, Make<Vrc6Board>, 1},
    {75, Make<Vrc1Board>, 0},
    {151, Make<Mapper151Board>, 0},
    {73, Make<Vrc3Board>, 0},
    // Namco 106, Bandai.
    {19, Make<Namco106Board>, 0},
    {16, Make<BandaiBoard>, 0},
    // Jaleco, Taito, Sunsoft and Irem chips.
    {18, Make<JalecoSs88006Board>, 0},
    {32, Make<IremG101Board>, 0},
    {33, Make<TaitoTc0190Board>, 0},
    {48, Make<TaitoTc0190Board>, 0},
    {40, Make<Mapper40Board>, 0},
    {65, Make<IremH3001Board>, 0},
    {67, Make<Sunsoft3Board>, 0},
    {69, Make<Fme7Board>, 0},
    {80, Make<TaitoX1005Board>, 0},
    // J.Y. Company.
    {90, Make<Mapper90Board>, 0},
    // Boards with peripherals.
    {96, Make<OekakidsBoard>, 0},
    {186, Make<Mapper186Board>, 0},
    {188, Make<KaraokeBoard>, 0},
    // MMC2/MMC4 and the remaining boards.
    {9, Make<Mmc2Board>, 0},
    {10, Make<Mmc2Board>, 1},
    {15, Make<Mapper15Board>, 0},
    {76, Make<Namco108Board>, 0},
    {88, Make<Mapper88Board>, 0},
    {95, Make<Mapper95Board>, 0},
    {225, Make<Mapper225Board>, 0},
    {226, Make<Mapper226Board>, 0},
    {230, Make<Mapper230Board>, 0},
    {234, Make<Mapper234Board>, 0},
    {235, Make<Mapper235Board>, 0},
    {236, Make<Mapper236Board>, 0},
    {237, Make<Mapper237Board>, 0},
    {242, Make<Mapper242Board>, 0},
    {243, Make<Sachen243Board>, 0},
    {246, Make<Mapper246Board>, 0},
    {254, Make<Mapper254Board>, 0},
    // Disk System.
    {1000, Make<DiskSystem>, 0},
};

constexpr uint32_t kVsUnisystemNumber = 99;
constexpr int kFirstCartridgeIcon = 170;
constexpr uint32_t kCartridgeIconCount = 7;

const BoardEntry* FindBoard(uint32_t number) {
    for (const BoardEntry& entry : kBoards)
        if (entry.number == number) return entry.make ? &entry : nullptr;
    return nullptr;
}

}  // namespace

bool IsMapperSupported(uint32_t number) { return FindBoard(number) != nullptr; }

std::vector<uint32_t> MapperTableNumbers() {
    std::vector<uint32_t> numbers;
    for (const BoardEntry& entry : kBoards) numbers.push_back(entry.number);
    return numbers;
}

bool CreateMapper(Console& console, uint32_t number, const MapperConfig& config, std::unique_ptr<Mapper>& slot) {
    const BoardEntry* entry = FindBoard(number);
    if (!entry) return false;
    std::unique_ptr<Mapper> board;
    try {
        board = entry->make(console, config, entry->variant);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (number == kVsUnisystemNumber) board->sramEnabled = 1;
    board->mapperNumber = number;
    slot = std::move(board);

    if (number != kDiskSystemMapper) {
        // One of the seven cartridge icons, a new one at every load.
        auto seed = static_cast<std::minstd_rand::result_type>(
            std::chrono::system_clock::now().time_since_epoch().count());
        std::minstd_rand random(seed);
        console.host.SetWindowIcon(kFirstCartridgeIcon + static_cast<int>((random() >> 2) % kCartridgeIconCount));
    }
    return true;
}

}  // namespace korvanta
