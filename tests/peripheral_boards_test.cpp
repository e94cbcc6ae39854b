// The boards with peripherals: the drawing-tablet board (96) whose pattern
// quarters follow the name-table row being drawn, the study cartridge (186)
// with its banked RAM and tape deck, and the karaoke board (188) with its
// expansion packs and input latch.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "input/input_system.h"
#include "mapper_fixture.h"
#include "mappers/karaoke.h"
#include "mappers/mapper186.h"
#include "video/display.h"

namespace korvanta {
namespace {

using test::BoardConsole;
using test::ClearWindows;
using test::InesLayout;
using test::MakeInes;
using test::SaveBoard;

bool LoadBoard(BoardConsole& b, const std::vector<uint8_t>& state) {
    MemoryStream stream(state);
    return b.console.mapper->LoadState(stream, OldFormatImage{}, 0);
}

// ---------------------------------------------------------------- mapper 96

struct TabletConsole : BoardConsole {
    int rebuiltFor = -1;
    TabletConsole() {
        console.boardLinks.rebuildDevices = [this](int selection) { rebuiltFor = selection; };
        EXPECT_TRUE(Load(InesLayout{.mapper = 96, .prgUnits = 8, .chrUnits = 0}));
    }
    void Ppu2006(uint16_t address) {
        console.WriteByte(0x2006, static_cast<uint8_t>(address >> 8));
        console.WriteByte(0x2006, static_cast<uint8_t>(address));
    }
    // Tile 0 of the quarter chosen through name-table row `row`, drawn with
    // pattern value `value` in its first `width` pixels of every row.
    void WriteTile0(int row, int width, int value) {
        Ppu2006(static_cast<uint16_t>(0x2000 + row * 0x100));
        Ppu2006(0x0000);
        auto bits = static_cast<uint8_t>(0xFF << (8 - width));
        for (int plane = 0; plane < 2; ++plane)
            for (int r = 0; r < 8; ++r) console.WriteByte(0x2007, (value >> plane) & 1 ? bits : 0);
    }
    void DrawFrame() {
        console.WriteByte(0x2000, 0);
        console.WriteByte(0x2005, 0);
        console.WriteByte(0x2005, 0);
        console.WriteByte(0x2001, 0x0A);
        m().cycles = 0;
        ppu().BeginDrawnFrame();
        m().cycles = kFrameCycleBudget;
        ppu().RenderCatchUp(false);
    }
    // The lit pixels of line y's first tile and the value they carry.
    std::pair<int, int> TileRow(int y) {
        int width = 0, value = 0;
        for (int x = 0; x < 8; ++x) {
            int pixel = ppu().frameBuffer[static_cast<size_t>(y) * kScreenWidth + static_cast<size_t>(x)];
            if (pixel) ++width, value = pixel;
        }
        return {width, value};
    }
};

TEST(OekakidsBoard, EachScreenQuarterDrawsFromItsOwnPatternQuarter) {
    TabletConsole b;
    // Quarter q carries a tile q + 1 pixels wide, value 1 in the lower half.
    for (int q = 0; q < 4; ++q) b.WriteTile0(q, q + 1, 1);
    b.console.WriteByte(0x8000, 4);
    for (int q = 0; q < 4; ++q) b.WriteTile0(q, 8 - q, 2);

    b.DrawFrame();
    for (int y = 0; y < 232; y += 8) {
        int quarter = y / 64;
        EXPECT_EQ(b.TileRow(y), std::make_pair(8 - quarter, 2)) << "upper half, line " << y;
    }
    b.console.WriteByte(0x8000, 0);
    b.DrawFrame();
    for (int y = 0; y < 232; y += 8) {
        int quarter = y / 64;
        EXPECT_EQ(b.TileRow(y), std::make_pair(quarter + 1, 1)) << "lower half, line " << y;
    }
}

TEST(OekakidsBoard, AddressRowSelectsTheCpuQuarterAndBit2TheHalf) {
    TabletConsole b;
    const uint8_t* base = b.ppu().chrWindow[0];
    // Lower half, quarter 0: sprites from quarter 3 (pages 12-15).
    EXPECT_EQ(b.ppu().chrWindow[4] - base, 12 * 1024);
    b.Ppu2006(0x2100);
    EXPECT_EQ(b.ppu().chrWindow[0] - base, 4 * 1024);
    b.Ppu2006(0x2300);
    EXPECT_EQ(b.ppu().chrWindow[0] - base, 12 * 1024);
    // Pattern addresses leave the quarter alone.
    b.Ppu2006(0x0400);
    EXPECT_EQ(b.ppu().chrWindow[0] - base, 12 * 1024);
    b.console.WriteByte(0xC000, 0x05);
    EXPECT_EQ(b.ppu().chrWindow[0] - base, (16 + 12) * 1024);
    EXPECT_EQ(b.ppu().chrWindow[4] - base, (16 + 12) * 1024);
    for (int w = 0; w < 4; ++w) {
        EXPECT_EQ(b.Prg(w), 4 + w);
        EXPECT_EQ(b.ppu().decodedChrWindow[w] - b.ppu().decodedChrWindow[0], w * 4096);
    }
    // Writes below $8000 are not decoded.
    b.console.WriteByte(0x5000, 0x00);
    EXPECT_EQ(b.Prg(0), 4);
}

TEST(OekakidsBoard, ConnectsTheTabletAndFillsTheExtensionBands) {
    TabletConsole b;
    EXPECT_EQ(b.rebuiltFor, 8);
    EXPECT_EQ(b.m().extDeviceSelection, 8);
    EXPECT_EQ(b.console.mapper->renderMode, 2u);
    for (size_t offset : {0u, 255u, 256u, 600u, 900u, 1023u})
        EXPECT_EQ(b.ppu().extensionRam[3 * 1024 + offset], 3 - offset / 256) << offset;
    EXPECT_EQ(b.console.ReadByte(0x5000), 0);
}

TEST(OekakidsBoard, SnapshotRestoresTheUpperHalfAndItsPatterns) {
    TabletConsole b;
    b.console.WriteByte(0x8000, 0x06);
    b.WriteTile0(2, 5, 3);
    const uint8_t* saved = b.ppu().chrWindow[0];
    auto state = SaveBoard(b);

    b.console.WriteByte(0x8000, 0x00);
    b.WriteTile0(2, 1, 1);
    ClearWindows(b);
    ASSERT_TRUE(LoadBoard(b, state));
    EXPECT_EQ(b.ppu().chrWindow[0], saved);
    EXPECT_EQ(b.Prg(0), 8);
    b.DrawFrame();
    EXPECT_EQ(b.TileRow(0), std::make_pair(0, 0));  // row band 0 shows quarter 0, still empty
    EXPECT_EQ(b.TileRow(128), std::make_pair(5, 3));
}

// --------------------------------------------------------------- mapper 186

// A folder of its own holding "page1.dat", removed at the end.
struct TapeFolder {
    std::filesystem::path path;
    explicit TapeFolder(const std::vector<uint8_t>& tape) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() / ("korvanta-tape-" + std::string(info->name()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        std::ofstream out(path / "page1.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(tape.data()), static_cast<std::streamsize>(tape.size()));
    }
    ~TapeFolder() { std::filesystem::remove_all(path); }
};

struct StudyConsole : BoardConsole {
    Display display;
    explicit StudyConsole(const std::string& folder, uint8_t flags6 = 0) {
        console.boardLinks.programFolder = folder;
        console.boardLinks.display = &display;
        EXPECT_TRUE(Load(InesLayout{.mapper = 186, .prgUnits = 8, .chrUnits = 0, .flags6 = flags6}));
    }
    // One command bit clocked in on a falling edge of bit 4.
    void SendCommand(uint8_t command) {
        for (int i = 7; i >= 0; --i) {
            auto bit = static_cast<uint8_t>(((command >> i) & 1) << 7);
            console.WriteByte(0x4202, bit | 0x10);
            console.WriteByte(0x4202, bit);
        }
    }
};

TEST(Mapper186Board, BanksProgramAndSwapsRamBanksThroughTheWindow) {
    TapeFolder folder({1, 2, 3});
    StudyConsole b(folder.path.string());
    EXPECT_TRUE(b.host.messages.empty());
    EXPECT_EQ(b.PrgWindows()[2], 0);
    EXPECT_EQ(b.PrgWindows()[3], 1);
    b.console.WriteByte(0x4201, 0x13);  // high bits dropped
    EXPECT_EQ(b.Prg(0), 6);
    EXPECT_EQ(b.Prg(1), 7);
    b.console.WriteByte(0x4205, 0x0A);  // decoded by $FF03: $4201; bank 10 wraps
    EXPECT_EQ(b.Prg(0), 4);

    b.console.WriteByte(0x6000, 0x11);
    b.console.WriteByte(0x4200, 0x40);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0);
    b.console.WriteByte(0x6000, 0x22);
    b.console.WriteByte(0x4200, 0xC0);
    b.console.WriteByte(0x6000, 0x44);
    b.console.WriteByte(0x4200, 0x00);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x11);
    b.console.WriteByte(0x4200, 0x40);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x22);
    b.console.WriteByte(0x4200, 0xC0);
    EXPECT_EQ(b.console.ReadByte(0x6000), 0x44);

    b.console.WriteByte(0x4400, 0x5A);
    b.console.WriteByte(0x4FFF, 0xA5);
    EXPECT_EQ(b.console.ReadByte(0x4400), 0x5A);
    EXPECT_EQ(b.console.ReadByte(0x4FFF), 0xA5);
    EXPECT_EQ(b.console.ReadByte(0x5000), 0);
}

TEST(Mapper186Board, PlayCommandRewindsTheTapeAndSignalsData) {
    TapeFolder folder({0x10, 0x20, 0x30});
    StudyConsole b(folder.path.string());
    EXPECT_EQ(b.console.ReadByte(0x4200), 0x10);
    EXPECT_EQ(b.console.ReadByte(0x4203), 0x20);
    EXPECT_EQ(b.console.ReadByte(0x4201), 0xDF);  // no play command yet

    b.SendCommand(0x01);
    EXPECT_EQ(b.display.screenMessage.text, "TAPE PLAY!(01)");
    EXPECT_EQ(b.display.screenMessage.lifetime, 300);
    EXPECT_EQ(b.display.screenMessage.x, 140);
    EXPECT_EQ(b.console.boardLinks.tape.command, 0x01);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(b.console.ReadByte(0x4201) & 0x40) << "read " << i;
    EXPECT_EQ(b.console.ReadByte(0x4201), 0xDF & 0x2F);

    // The tape starts again from its first byte and holds its last one.
    std::vector<int> bytes;
    for (int i = 0; i < 5; ++i) bytes.push_back(b.console.ReadByte(0x4200));
    EXPECT_EQ(bytes, (std::vector<int>{0x10, 0x20, 0x30, 0x30, 0x30}));
    EXPECT_EQ(b.console.boardLinks.tape.bytesRead, 7u);
}

TEST(Mapper186Board, StatusAcknowledgesEachClockedBit) {
    TapeFolder folder({});
    StudyConsole b(folder.path.string(), 0x08);  // four-screen bit: tape flag
    EXPECT_EQ(b.console.ReadByte(0x4202), 0x77 | 0x08 | 0x40);
    b.console.WriteByte(0x4202, 0x10);
    b.console.WriteByte(0x4202, 0x00);
    EXPECT_EQ(b.console.ReadByte(0x4202), 0x3F);  // acknowledged once
    EXPECT_EQ(b.console.ReadByte(0x4202), 0x7F);
    // Without a falling edge no bit is counted.
    b.console.WriteByte(0x4202, 0x00);
    EXPECT_EQ(b.console.boardLinks.tape.bits, 1);
}

TEST(Mapper186Board, InterruptRepeatsAndCarriesIntoTheNextFrame) {
    TapeFolder folder({});
    StudyConsole b(folder.path.string());
    Mapper& board = *b.console.mapper;
    b.m().cycles = 29000;
    b.console.WriteByte(0x4202, 0x02);
    EXPECT_EQ(b.m().boardIrqTime, 29000u + 4096u);
    board.EndOfFrame();
    EXPECT_EQ(b.m().boardIrqTime, 29000u + 4096u - kFrameCycleBudget);
    b.m().cycles = 3300;
    b.m().irqPending = 1;
    board.IrqTimeReached();
    EXPECT_EQ(b.m().boardIrqTime, 3300u + 4096u);
    b.console.WriteByte(0x4202, 0x00);
    EXPECT_EQ(b.m().boardIrqTime, 0u);
    EXPECT_EQ(b.m().irqPending, 0);
    b.m().boardIrqTime = 1000;
    board.EndOfFrame();
    EXPECT_EQ(b.m().boardIrqTime, 0u);
}

TEST(Mapper186Board, ArmedInterruptKeepsFiringAcrossFrames) {
    TapeFolder folder({});
    BoardConsole b;
    b.console.boardLinks.programFolder = folder.path.string();
    auto image = MakeInes(InesLayout{.mapper = 186, .prgUnits = 8, .chrUnits = 0});
    // PRG page 1 sits at $E000: arm the timer, enable interrupts and spin;
    // the handler counts in $10.
    uint8_t* page = &image[16 + 0x2000];
    const uint8_t main[] = {0xA9, 0x02, 0x8D, 0x02, 0x42, 0x58, 0x4C, 0x06, 0xE0};
    const uint8_t handler[] = {0xE6, 0x10, 0x40};
    std::memcpy(page, main, sizeof main);
    std::memcpy(page + 0x10, handler, sizeof handler);
    page[0x1FFC] = 0x00, page[0x1FFD] = 0xE0;
    page[0x1FFE] = 0x10, page[0x1FFF] = 0xE0;
    ASSERT_TRUE(b.Load(image));
    b.m().RunState = 1;
    for (int frame = 0; frame < 3; ++frame) b.console.cpu.Run(RunMode::RunToFrameEnd);
    // One interrupt per 4096 cycles over three frames, none lost at the seams.
    int count = b.console.ReadByte(0x10);
    EXPECT_GE(count, 3 * 29859 / 4096 - 1);
    EXPECT_LE(count, 3 * 29859 / 4096 + 1);
}

TEST(Mapper186Board, TapeStateBelongsToTheConsoleAndOutlivesTheBoard) {
    TapeFolder folder({7, 8, 9});
    StudyConsole b(folder.path.string());
    StudyConsole other(folder.path.string());
    b.SendCommand(0x01);
    EXPECT_EQ(b.console.ReadByte(0x4200), 7);
    EXPECT_EQ(other.console.boardLinks.tape.command, 0);
    EXPECT_EQ(other.console.ReadByte(0x4201), 0xDF);
    EXPECT_EQ(other.console.ReadByte(0x4200), 7);
    for (int i = 0; i < 5; ++i) b.console.ReadByte(0x4201);

    // A new board reopens the tape but the deck's countdown runs on.
    ASSERT_TRUE(b.Load(InesLayout{.mapper = 186, .prgUnits = 8, .chrUnits = 0}));
    EXPECT_EQ(b.console.boardLinks.tape.command, 0x01);
    for (int i = 0; i < 15; ++i) EXPECT_TRUE(b.console.ReadByte(0x4201) & 0x40) << "read " << i;
    EXPECT_FALSE(b.console.ReadByte(0x4201) & 0x40);
    EXPECT_EQ(b.console.ReadByte(0x4200), 7);
}

TEST(Mapper186Board, MissingTapeWarnsAndReadsTheIdleByte) {
    BoardConsole b;
    b.console.boardLinks.programFolder = (std::filesystem::temp_directory_path() / "korvanta-no-such-folder").string();
    ASSERT_TRUE(b.Load(InesLayout{.mapper = 186, .prgUnits = 8, .chrUnits = 0}));
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_NE(b.host.messages[0].text.find("page1.dat"), std::string::npos);
    EXPECT_EQ(b.console.ReadByte(0x4200), 0xC5);
    b.console.WriteByte(0x4202, 0x10);
    for (int i = 0; i < 8; ++i) {
        b.console.WriteByte(0x4202, 0x10);
        b.console.WriteByte(0x4202, 0x00);
    }
    EXPECT_EQ(b.console.ReadByte(0x4203), 0xC5);  // no display, no tape: nothing breaks
}

TEST(Mapper186Board, Write4203PausesAndSnapshotsOnlyWarn) {
    TapeFolder folder({});
    StudyConsole b(folder.path.string());
    b.m().RunState = 1;
    b.console.WriteByte(0x4203, 0x3C);
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_EQ(b.host.messages[0].text, "Unknown Write 3C at 4203\n");
    EXPECT_EQ(b.m().RunState, 0u);

    b.console.WriteByte(0x4201, 2);
    auto state = SaveBoard(b);
    b.console.WriteByte(0x4201, 3);
    ASSERT_TRUE(LoadBoard(b, state));
    EXPECT_EQ(b.host.messages.size(), 2u);
    EXPECT_EQ(b.Prg(0), 6);  // restored but not applied
    auto again = SaveBoard(b);
    EXPECT_EQ(again, state);
}

// --------------------------------------------------------------- mapper 188

struct KaraokeConsole : BoardConsole {
    explicit KaraokeConsole(uint8_t prgUnits, std::vector<std::pair<int, uint8_t>> packIds = {}) {
        auto image = MakeInes(InesLayout{.mapper = 188, .prgUnits = prgUnits, .chrUnits = 0});
        for (auto [page, id] : packIds) image[16 + static_cast<size_t>(page) * 0x2000 + 4] = id;
        EXPECT_TRUE(Load(image));
    }
    KaraokeBoard& board() { return static_cast<KaraokeBoard&>(*console.mapper); }
};

TEST(KaraokeBoard, BanksMainProgramAndTheSelectedPack) {
    struct Case {
        const char* name;
        uint8_t prgUnits;
        uint32_t packSelection;  // applied before the write
        uint8_t value;
        int low, high;  // pages at $8000 and $A000, -1 the $FF page
    };
    const Case cases[] = {
        {"main bank", 8, 0, 0x0B, 6, 7},
        {"128 KB, bit 3 clear", 8, 0, 0x05, -1, -1},
        {"pack 1", 24, 1, 0x05, 26, 27},
        {"pack 2", 24, 2, 0x03, 38, 39},
        {"no pack chosen", 24, 0, 0x05, -1, -1},
        {"main bank with packs", 24, 2, 0x0F, 14, 15},
    };
    for (const Case& c : cases) {
        KaraokeConsole b(c.prgUnits);
        EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{0, 1, 14, 15})) << c.name;
        KaraokeSettings settings = b.board().Settings();
        settings.packSelection = c.packSelection;
        b.board().Apply(settings);
        b.console.WriteByte(0x8000, c.value);
        EXPECT_EQ(b.Prg(0), c.low < 0 ? 0xFFFF : c.low) << c.name;
        EXPECT_EQ(b.Prg(1), c.high < 0 ? 0xFFFF : c.high) << c.name;
        if (c.low < 0) {
            EXPECT_EQ(b.console.ReadByte(0xBFFF), 0xFF) << c.name;
        }
    }
}

TEST(KaraokeBoard, PackListNamesEachBlockAfterTheFirst) {
    KaraokeConsole plain(8);
    EXPECT_EQ(plain.board().Settings().packNames, (std::vector<uint32_t>{21000}));
    EXPECT_EQ(plain.board().Settings().packSelection, 0u);

    KaraokeConsole packs(24, {{16, 0x97}, {32, 0x42}});
    KaraokeSettings settings = packs.board().Settings();
    EXPECT_EQ(settings.packNames, (std::vector<uint32_t>{21000, 21001, 21003}));
    EXPECT_EQ(settings.packSelection, 1u);
    EXPECT_TRUE(settings.autoSing);
    KaraokeConsole second(24, {{16, 0x98}});
    EXPECT_EQ(second.board().Settings().packNames[1], 21002u);

    // An entry the combo does not offer is refused.
    settings.packSelection = 3;
    packs.board().Apply(settings);
    EXPECT_EQ(packs.board().Settings().packSelection, 1u);
}

TEST(KaraokeBoard, InputLatchFollowsTheSquareChannelAndPadOne) {
    KaraokeConsole b(8);
    KeyConfig keys;
    InputSystem input(b.console, keys);
    // Without pads every button reads released.
    EXPECT_EQ(b.console.ReadByte(0x5000), 0xFF);
    input.RebuildDevices(0);
    b.host.keysDown[static_cast<size_t>(keys.keys[0][kPadSelect])] = true;
    input.PollKeySets();
    input.UpdateDevices();
    EXPECT_EQ(b.console.ReadByte(0x4800), 0xFE);
    b.host.keysDown[static_cast<size_t>(keys.keys[0][kPadStart])] = true;
    input.PollKeySets();
    input.UpdateDevices();
    EXPECT_EQ(b.console.ReadByte(0x6000), 0xFC);

    b.console.apu.channels[0].state = 2;
    EXPECT_EQ(b.console.ReadByte(0x4020), 0xF8);
    // With the microphone the bit keeps what it last read.
    KaraokeSettings settings = b.board().Settings();
    settings.autoSing = false;
    b.board().Apply(settings);
    b.console.apu.channels[0].state = 0;
    EXPECT_EQ(b.console.ReadByte(0x4020), 0xF8);
}

TEST(KaraokeBoard, MenuOffersTheSettingsDialog) {
    KaraokeConsole b(24, {{16, 0x97}});
    char buffer[kMenuBufferSize] = {};
    b.console.mapper->Message(kMessageMenuItems, reinterpret_cast<intptr_t>(buffer));
    EXPECT_STREQ(buffer, "&Karaoke Studio configuration");
    EXPECT_EQ(buffer[std::strlen(buffer) + 1], 0);

    // Without a dialog nothing changes; OK applies; Cancel keeps.
    b.console.mapper->Message(kMessageMenuCommand, 0);
    std::optional<KaraokeSettings> answer;
    KaraokeSettings shown;
    b.console.boardLinks.editKaraoke = [&](const KaraokeSettings& current) {
        shown = current;
        return answer;
    };
    b.console.mapper->Message(kMessageMenuCommand, 0);
    EXPECT_EQ(shown.packNames.size(), 3u);
    EXPECT_EQ(b.board().Settings().packSelection, 1u);
    answer = KaraokeSettings{{}, 0, false};
    b.console.mapper->Message(kMessageMenuCommand, 1);  // not its item
    EXPECT_EQ(b.board().Settings().packSelection, 1u);
    b.console.mapper->Message(kMessageMenuCommand, 0);
    EXPECT_EQ(b.board().Settings().packSelection, 0u);
    EXPECT_FALSE(b.board().Settings().autoSing);
    b.console.WriteByte(0x8000, 0x02);
    EXPECT_EQ(b.Prg(0), 0xFFFF);
}

TEST(KaraokeBoard, SnapshotRestoresBankLatchAndSettings) {
    KaraokeConsole b(24);
    b.console.WriteByte(0x8000, 0x04);  // pack 1, bank 4: pages 24, 25
    KaraokeSettings settings = b.board().Settings();
    settings.autoSing = false;
    b.board().Apply(settings);
    auto state = SaveBoard(b);

    settings.autoSing = true;
    settings.packSelection = 0;
    b.board().Apply(settings);
    b.console.WriteByte(0x8000, 0x09);
    ClearWindows(b);
    ASSERT_TRUE(LoadBoard(b, state));
    EXPECT_EQ(b.PrgWindows(), (std::array<int, 4>{24, 25, 0, 0}));
    EXPECT_EQ(b.board().Settings().packSelection, 1u);
    EXPECT_FALSE(b.board().Settings().autoSing);
}

TEST(PeripheralBoards, TinyProgramsRunOnEachBoard) {
    for (uint32_t mapper : {96u, 186u, 188u}) {
        BoardConsole b;
        ASSERT_TRUE(b.Load(InesLayout{.mapper = mapper, .prgUnits = 8, .chrUnits = 0})) << mapper;
        b.m().RunState = 1;
        for (int frame = 0; frame < 3; ++frame) b.console.cpu.Run(RunMode::RunToFrameEnd);
        EXPECT_EQ(b.m().RunState, 1u) << mapper;
    }
}

}  // namespace
}  // namespace korvanta
