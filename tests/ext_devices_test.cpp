// The expansion-port devices: what each answers on $4016 and $4017 for
// given keys and mouse states, and the device list made for each selection.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/settings.h"
#include "ext_fixture.h"
#include "input/ext_devices.h"
#include "input/oekakids_tablet.h"
#include "input/optical_gun.h"
#include "input/paddle.h"
#include "input/standard_pad.h"
#include "media/kor.h"
#include "media/loader.h"
#include "media/save_file.h"
#include "save_fixture.h"

namespace korvanta {
namespace {

using test::ExtFixture;

std::vector<uint32_t> Kinds(Console& console) {
    std::vector<uint32_t> kinds;
    for (auto& device : console.devices) kinds.push_back(device->kind);
    return kinds;
}

// `count` reads of a port through the Bus, masked.
std::vector<int> Reads(Console& console, uint16_t port, int count, uint8_t mask) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) values.push_back(console.ReadByte(port) & mask);
    return values;
}

constexpr uint32_t kPad = kDeviceStandardPad;

const struct SelectionCase {
    int selection;
    std::vector<uint32_t> kinds;
} kSelections[] = {
    {0, {kPad, kPad}},
    {1, {kPad, kPad, kDeviceHyperShot}},
    {2, {kPad, kPad, kDeviceFamilyKeyboard}},
    {3, {kPad, kPad, kDeviceOpticalGun}},
    {4, {kPad, kPad, kPad, kPad}},
    {5, {kPad, kPad, kDeviceMahjongController}},
    {6, {kPad, kPad, kDeviceTopRiderHandle}},
    {7, {kPad, kPad, kDeviceArkanoidPaddle}},
    {8, {kPad, kPad, kDeviceOekakidsTablet}},
    {9, {kPad, kPad}},
    {10, {kPad, kPad}},
};

TEST(ExtDevices, RebuildMakesTheSelectedDeviceAfterThePads) {
    ExtFixture f(0);
    for (const SelectionCase& c : kSelections) {
        f.input.RebuildDevices(c.selection);
        EXPECT_EQ(Kinds(f.console()), c.kinds) << c.selection;
        EXPECT_EQ(f.console().machine.extDeviceSelection, c.selection);
        // The Detail button makes the device and destroys it again.
        f.input.ShowExtDeviceSettings(c.selection);
        EXPECT_EQ(Kinds(f.console()), c.kinds) << c.selection;
    }
    EXPECT_TRUE(f.host().messages.empty());
}

// A snapshot keeps only the selection; loading it rebuilds the devices.
TEST(ExtDevices, StateLoadRebuildsTheSavedSelection) {
    for (const SelectionCase& c : kSelections) {
        ExtFixture saved(c.selection);
        MemoryStream snapshot;
        ASSERT_TRUE(WriteBlock(saved.console(), snapshot, 0, kKorState, nullptr));

        ExtFixture loaded(kExtOpticalGun);
        LoadOptions options;
        options.rebuildDevices = [&loaded](int selection) { loaded.input.RebuildDevices(selection); };
        ASSERT_TRUE(LoadKorState(loaded.console(), snapshot, 0, options, false));
        EXPECT_EQ(Kinds(loaded.console()), c.kinds) << c.selection;
        EXPECT_EQ(loaded.console().machine.extDeviceSelection, c.selection);
    }
}

TEST(HyperShot, RunAndJumpOfBothPadsOnBitsOneToFour) {
    const struct {
        std::vector<int> keys;
        uint8_t answer;
    } cases[] = {
        {{}, 0x00}, {{'X'}, 0x02}, {{'Z'}, 0x04}, {{96}, 0x08}, {{97}, 0x10}, {{'X', 'Z', 96, 97}, 0x1E},
        {{112, 38}, 0x00},  // Start and Up are not on the Hyper Shot
    };
    for (const auto& c : cases) {
        ExtFixture f(kExtHyperShot);
        for (int key : c.keys) f.host().keysDown[key] = true;
        f.Frame();
        f.console().WriteByte(0x4016, 1);
        f.console().WriteByte(0x4016, 0);
        // Every read answers the same; pad 2 keeps bit 0.
        EXPECT_EQ(Reads(f.console(), 0x4017, 3, 0x1E), std::vector<int>(3, c.answer)) << c.keys.size();
    }
}

// One full scan of a column after a reset: nine rows, keys on bits 4-1.
std::vector<int> Scan(ExtFixture& f, int column) {
    f.console().WriteByte(0x4016, 5);
    f.console().WriteByte(0x4016, static_cast<uint8_t>(4 | column << 1));
    return Reads(f.console(), 0x4017, 9, 0x1E);
}

TEST(FamilyKeyboard, ScanFindsEachKeyAtItsRowColumnAndBit) {
    const struct {
        int key;
        int column, row;
        uint8_t bit;
    } cases[] = {
        {13, 0, 0, 0x04},   // RETURN
        {221, 0, 0, 0x10},  // ]
        {119, 0, 0, 0x02},  // F8
        {123, 1, 0, 0x02},  // F12
        {16, 1, 0, 0x04},   // SHIFT
        {192, 0, 1, 0x04},  // @
        {226, 1, 1, 0x02},  // _
        {'K', 0, 2, 0x10},  {'0', 1, 2, 0x10}, {190, 1, 2, 0x02}, {'M', 1, 3, 0x02}, {'Y', 0, 4, 0x04},
        {'F', 1, 5, 0x02},  {'A', 0, 6, 0x10}, {'X', 1, 6, 0x02}, {17, 0, 7, 0x10},  {29, 1, 7, 0x04},
        {112, 0, 7, 0x02},  // F1
        {19, 1, 7, 0x02},   // PAUSE
        {37, 0, 8, 0x10},   // LEFT
        {36, 0, 8, 0x02},   // HOME
        {32, 1, 8, 0x04},   // SPACE
        {40, 1, 8, 0x02},   // DOWN
    };
    for (const auto& c : cases) {
        ExtFixture f(kExtFamilyKeyboard);
        f.Hold(c.key);
        for (int column = 0; column < 2; ++column) {
            std::vector<int> expected(9, 0x1E);
            if (column == c.column) expected[c.row] = 0x1E & ~c.bit;
            EXPECT_EQ(Scan(f, column), expected) << "key " << c.key << " column " << column;
        }
    }
}

TEST(FamilyKeyboard, ResetEnableAndTheRowCounter) {
    ExtFixture f(kExtFamilyKeyboard);
    InputDevice& keyboard = f.device();
    keyboard.Write4016(5);
    EXPECT_EQ(keyboard.Read4017(), 0) << "the reset holds the keyboard silent";
    keyboard.Write4016(4);
    EXPECT_EQ(keyboard.Read4017(), 0x1E);
    // The tenth read of a column starts again at row 0.
    f.Hold(13);
    for (int row = 1; row < 9; ++row) EXPECT_EQ(keyboard.Read4017(), 0x1E) << row;
    EXPECT_EQ(keyboard.Read4017(), 0x1A);
    // Each column keeps its own counter; the column bit does not rewind.
    keyboard.Write4016(6);
    EXPECT_EQ(keyboard.Read4017(), 0x1E) << "column 1, row 0";
    keyboard.Write4016(4);
    EXPECT_EQ(keyboard.Read4017(), 0x1E) << "column 0, row 1";
    // Bit 2 clear disables the keyboard; a 0 write without a reset keeps
    // the rows.
    keyboard.Write4016(0);
    EXPECT_EQ(keyboard.Read4017(), 0);
    keyboard.Write4016(4);
    EXPECT_EQ(keyboard.Read4017(), 0x1E) << "column 0, row 2";
    EXPECT_EQ(keyboard.Read4016(), 0) << "no tape";
}

TEST(MahjongController, GroupKeysOnePerReadOnBitOne) {
    const struct {
        int key;
        int group;
        int position;
    } cases[] = {{'N', 1, 2}, {'I', 1, 7}, {'H', 2, 0}, {'A', 2, 7}, {'7', 3, 1}, {'1', 3, 7}};
    for (const auto& c : cases) {
        ExtFixture f(kExtMahjongController);
        InputDevice& mahjong = f.device();
        f.Hold(c.key);
        for (int group = 0; group < 4; ++group) {
            mahjong.Write4016(1);
            EXPECT_EQ(mahjong.Read4017(), 0) << "strobed";
            mahjong.Write4016(static_cast<uint8_t>(group << 1));
            std::vector<int> reads;
            for (int i = 0; i < 10; ++i) reads.push_back(mahjong.Read4017());
            // Reads 8 and 9 wrap to positions 0 and 1.
            std::vector<int> want(10, 0);
            if (group == c.group) {
                want[c.position] = 2;
                if (c.position < 2) want[c.position + 8] = 2;
            }
            EXPECT_EQ(reads, want) << "key " << c.key << " group " << group;
        }
    }
}

TEST(TopRiderHandle, DigitsOnBitFourLettersOnBitThree) {
    const struct {
        int key;
        int position;
        int bit;
    } cases[] = {{'1', 0, 0x10}, {'5', 4, 0x10}, {'8', 7, 0x10}, {'Q', 0, 0x08}, {'T', 4, 0x08}, {'I', 7, 0x08},
                 {'9', -1, 0},   {'O', -1, 0}};
    for (const auto& c : cases) {
        ExtFixture f(kExtTopRiderHandle);
        f.Hold(c.key);
        f.console().WriteByte(0x4016, 1);
        EXPECT_EQ(Reads(f.console(), 0x4017, 2, 0x18), std::vector<int>(2, 0)) << "strobed";
        f.console().WriteByte(0x4016, 0);
        std::vector<int> want(9, 0);
        if (c.position >= 0) want[c.position] = c.bit;
        if (c.position == 0) want[8] = c.bit;
        EXPECT_EQ(Reads(f.console(), 0x4017, 9, 0x18), want) << c.key;
    }
}

TEST(ArkanoidPaddle, KnobValueMostSignificantBitFirst) {
    const struct {
        int32_t mouseX;
        uint8_t value;
    } cases[] = {{12, 173}, {0, 185}, {100, 85}, {184, 1}, {185, 0}, {186, 1}, {255, 1}, {-200, 255}};
    for (const auto& c : cases) {
        ExtFixture f(kExtArkanoidPaddle);
        f.input.mouse.x = c.mouseX;
        f.console().WriteByte(0x4016, 1);
        EXPECT_EQ(f.console().ReadByte(0x4017) & 2, 0) << "strobed";
        f.console().WriteByte(0x4016, 0);
        std::vector<int> want;
        for (int bit = 7; bit >= 0; --bit) want.push_back(((c.value >> bit) & 1) << 1);
        want.push_back(want[0]);  // the ninth read starts over
        EXPECT_EQ(Reads(f.console(), 0x4017, 9, 2), want) << c.mouseX;
    }
}

TEST(ArkanoidPaddle, FireButtonOnFourSixteenBitOne) {
    ExtFixture f(kExtArkanoidPaddle);
    EXPECT_EQ(f.console().ReadByte(0x4016) & 2, 0);
    f.input.mouse.SetButton(kMouseLeft, true);
    EXPECT_EQ(f.console().ReadByte(0x4016) & 2, 2);
    f.console().WriteByte(0x4016, 1);
    EXPECT_EQ(f.console().ReadByte(0x4016) & 2, 0) << "strobed";
    f.console().WriteByte(0x4016, 0);
    f.input.mouse.SetButton(kMouseRight, true);
    f.input.mouse.SetButton(kMouseLeft, false);
    EXPECT_EQ(f.console().ReadByte(0x4016) & 2, 0) << "the right button is not fire";
}

// A picture for the gun: background tile 1 (all pattern value 1) at column
// 1, row 2 of name tables 0 and 1 (lines 16-23), white through palette
// entry 1; sprite 0 at (100, 50) with tile 2 of the second pattern table
// (value 2), white through entry 22; everything else black.
struct GunFixture : ExtFixture {
    std::vector<uint8_t> pages = std::vector<uint8_t>(8 * 4096, 0);
    Ppu& ppu = console().ppu;
    OpticalGun& gun = static_cast<OpticalGun&>(device());

    GunFixture() : ExtFixture(kExtOpticalGun) {
        for (int i = 0; i < 8; ++i) ppu.decodedChrWindow[i] = &pages[static_cast<size_t>(i) * 4096];
        std::fill_n(&pages[64], 64, 1);
        std::fill_n(&pages[4 * 4096 + 2 * 64], 64, 2);
        ppu.SetMirroring(1);
        ppu.nameTable[0][2 * 32 + 1] = 1;
        ppu.nameTable[1][2 * 32 + 1] = 1;
        ppu.spritePatternBase = 256;
        ppu.sprites[0].posX = 100;
        ppu.sprites[0].posY = 50;
        ppu.sprites[0].tile = 2;
        ppu.sprites[0].paletteBase = 4;
        ppu.palette[0].fill(0x0F);
        ppu.palette[0][1] = 0x30;
        ppu.palette[0][22] = 0x30;
        display.masterPalette[0x0F] = 0x000000;
        display.masterPalette[0x30] = 0xFFFFFF;
    }
    uint8_t Shoot(int32_t x, int32_t y, uint8_t button) {
        EXPECT_TRUE(gun.PointerEvent(1, PointerInfo{x, y, button}));
        gun.FrameUpdate();
        return console().ReadByte(0x4017) & 0x18;
    }
};

TEST(OpticalGun, SeesWhitePixelsOfBackgroundAndSprites) {
    const struct {
        const char* name;
        int32_t x, y;  // client position
        uint8_t button;
        uint8_t background, sprites;
        int32_t scrollX;
        PicturePlacement placement;
        uint8_t answer;
    } cases[] = {
        {"white tile, trigger down", 10, 8, 1, 1, 0, 0, {}, 0x00},
        {"white tile, trigger up", 10, 8, 0, 1, 0, 0, {}, 0x10},
        {"black pixel", 30, 8, 1, 1, 1, 0, {}, 0x08},
        {"background off", 10, 8, 1, 0, 1, 0, {}, 0x08},
        {"scrolled onto the tile", 2, 8, 1, 1, 0, 8, {}, 0x00},
        {"scrolled into the next name table", 14, 8, 1, 1, 0, 250, {}, 0x00},
        {"sprite pixel", 103, 47, 1, 0, 1, 0, {}, 0x00},
        {"beside the sprite", 108, 47, 1, 0, 1, 0, {}, 0x08},
        {"sprites off", 103, 47, 1, 1, 0, 0, {}, 0x08},
        {"stretched window", 36, 16, 1, 1, 0, 0, {2.0, 2.0, 16, 0}, 0x00},
    };
    for (const auto& c : cases) {
        GunFixture f;
        f.ppu.backgroundEnabled = c.background;
        f.ppu.spritesEnabled = c.sprites;
        f.ppu.renderScrollX = c.scrollX;
        f.display.placement = c.placement;
        EXPECT_EQ(f.Shoot(c.x, c.y, c.button), c.answer) << c.name;
    }
}

TEST(OpticalGun, ReadsSenseOnlyOnceThePictureReachesTheGun) {
    GunFixture f;
    f.ppu.backgroundEnabled = 1;
    Machine& m = f.console().machine;
    m.cycles = 0;
    ASSERT_EQ(f.Shoot(10, 8, 1), 0x00);
    EXPECT_EQ(f.gun.Y(), 16);
    f.ppu.palette[0][1] = 0x0F;
    EXPECT_EQ(f.console().ReadByte(0x4017) & 0x18, 0x00) << "line -21: the last sense stands";
    m.cycles = 4300;  // line 16
    EXPECT_EQ(f.console().ReadByte(0x4017) & 0x18, 0x08);
}

TEST(OpticalGun, ShotAwayFromTheScreenSeesLight) {
    GunFixture f;
    f.ppu.backgroundEnabled = 1;
    ASSERT_EQ(f.Shoot(30, 8, 1), 0x08);
    EXPECT_TRUE(f.gun.PointerEvent(1, PointerInfo{-1, -1, 1}));
    f.gun.FrameUpdate();
    for (uint32_t cycles : {0u, 10000u, 29000u}) {
        f.console().machine.cycles = cycles;
        EXPECT_EQ(f.console().ReadByte(0x4017) & 0x18, 0x00) << cycles;
    }
    EXPECT_TRUE(f.gun.PointerEvent(1, PointerInfo{-1, -1, 0}));
    EXPECT_EQ(f.console().ReadByte(0x4017) & 0x10, 0x10) << "trigger released";
    EXPECT_FALSE(f.gun.PointerEvent(2, PointerInfo{10, 8, 1}));
}

TEST(MouseMessages, ReachTheMouseStateAndTheGun) {
    ExtFixture paddle(kExtArkanoidPaddle);
    paddle.display.placement = PicturePlacement{2.0, 2.0, 32, 16};
    NoteMouseMove(paddle.input, 32 + 50, 16 + 20);
    EXPECT_EQ(paddle.input.mouse.x, 25);
    EXPECT_EQ(paddle.input.mouse.y, 10);
    EXPECT_FALSE(NoteMouseButton(paddle.input, MouseButton::Right, true, 0, 0)) << "no gun: the popup opens";
    EXPECT_FALSE(NoteMouseButton(paddle.input, MouseButton::Left, true, 0, 0));
    EXPECT_EQ(paddle.input.mouse.buttons, kMouseLeft | kMouseRight);
    NoteMouseButton(paddle.input, MouseButton::Right, false, 0, 0);
    EXPECT_EQ(paddle.input.mouse.buttons, kMouseLeft);

    ExtFixture f(kExtOpticalGun);
    auto& gun = static_cast<OpticalGun&>(f.device());
    f.display.placement = PicturePlacement{2.0, 2.0, 32, 16};
    EXPECT_TRUE(NoteMouseButton(f.input, MouseButton::Left, true, 32 + 50, 16 + 20));
    EXPECT_EQ(gun.X(), 25);
    EXPECT_EQ(gun.Y(), 18);
    EXPECT_TRUE(NoteMouseButton(f.input, MouseButton::Right, true, 60, 60));
    EXPECT_EQ(gun.X(), -1);
    EXPECT_EQ(gun.Y(), -1);
    EXPECT_TRUE(NoteMouseButton(f.input, MouseButton::Right, false, 60, 60));
    EXPECT_EQ(f.input.mouse.buttons, kMouseLeft);
}

// The tablet's 19 bits: clocked by rising edges of bit 1 with bit 0 held.
std::vector<int> TabletBits(InputDevice& tablet) {
    // Bit 0 clear rewinds; setting bit 0 while bit 1 stays set is no edge,
    // so the first read is the start bit.
    tablet.Write4016(2);
    tablet.Write4016(3);
    std::vector<int> bits{tablet.Read4017() >> 3};
    for (int i = 1; i < 19; ++i) {
        tablet.Write4016(1);
        tablet.Write4016(3);
        bits.push_back(tablet.Read4017() >> 3);
    }
    return bits;
}

std::vector<int> TabletReport(int x, int y, int touch, int pen) {
    std::vector<int> bits{0};
    for (int b = 7; b >= 0; --b) bits.push_back(((x >> b) & 1) ^ 1);
    for (int b = 7; b >= 0; --b) bits.push_back(((y >> b) & 1) ^ 1);
    bits.push_back(touch);
    bits.push_back(pen);
    return bits;
}

TEST(OekakidsTablet, ReportsPositionTouchAndPen) {
    const struct {
        int mode;
        int32_t x, y;
        uint8_t buttons;
        int touch, pen;  // as sent: 0 touching / pressed
    } cases[] = {
        // Easy mode: in the drawing area (Y' >= 36) the pen always touches.
        {kOekakidsEasy, 128, 120, 0, 0, 1},
        {kOekakidsEasy, 128, 120, kMouseRight, 0, 0},
        // Easy mode, command area: the left button touches, either presses.
        {kOekakidsEasy, 128, 20, 0, 1, 1},
        {kOekakidsEasy, 128, 20, kMouseLeft, 0, 0},
        // Faithful mode: left touches, right is the pen button.
        {kOekakidsFaithful, 128, 120, 0, 1, 1},
        {kOekakidsFaithful, 128, 120, kMouseLeft, 0, 1},
        {kOekakidsFaithful, 128, 120, kMouseRight, 1, 0},
        // Off the tablet (X' > 248, Y' < 0) nothing touches.
        {kOekakidsEasy, 260, 120, kMouseLeft, 1, 0},
        {kOekakidsFaithful, 128, 0, kMouseLeft, 1, 1},
    };
    for (const auto& c : cases) {
        ExtFixture f(kExtNone);
        ProfileFile profile;
        profile.SetText("[OekakidsTablet]\nMode=" + std::to_string(c.mode) + "\n");
        f.input.settings = &profile;
        f.input.RebuildDevices(kExtOekakidsTablet);
        f.input.mouse = MouseState{c.x, c.y, c.buttons};
        int x = c.x * 240 / 256 + 8, y = c.y * 256 / 240 - 4;
        EXPECT_EQ(TabletBits(f.device()), TabletReport(x, y, c.touch, c.pen)) << c.mode << " " << c.x << "," << c.y;
    }
}

TEST(OekakidsTablet, LatchBitsAndCounterWrap) {
    ExtFixture f(kExtOekakidsTablet);
    InputDevice& tablet = f.device();
    f.input.mouse = MouseState{0, 0, 0};  // X' = 8: 00001000, sent inverted
    tablet.Write4016(0);
    EXPECT_EQ(tablet.Read4017(), 0) << "bit 0 clear";
    tablet.Write4016(1);
    EXPECT_EQ(tablet.Read4017(), 4) << "bit 1 clear";
    // 19 rising edges bring the counter back to 0 (the start bit).
    std::vector<int> bits;
    for (int i = 0; i < 20; ++i) {
        tablet.Write4016(3);
        bits.push_back(tablet.Read4017());
        tablet.Write4016(1);
    }
    EXPECT_EQ(bits[0], 8) << "X bit 7 inverted";
    EXPECT_EQ(bits[4], 0) << "X bit 3";
    EXPECT_EQ(bits[18], 0) << "counter 0 after 19 edges";
    EXPECT_EQ(bits[19], 8);
    // Holding bit 1 gives no further edge.
    tablet.Write4016(0);
    tablet.Write4016(3);
    tablet.Write4016(3);
    EXPECT_EQ(tablet.Read4017(), 8);
}

TEST(OekakidsTablet, ModeComesFromSettingsAndAConfirmedDialogWritesIt) {
    test::ScratchDir dir;
    ProfileFile profile(dir.path / "korvanta.ini");
    ExtFixture f(kExtNone);
    f.input.settings = &profile;
    f.input.RebuildDevices(kExtOekakidsTablet);
    EXPECT_EQ(static_cast<OekakidsTablet&>(f.device()).Mode(), kOekakidsEasy) << "default";

    // Cancel: nothing is written when the device goes.
    EXPECT_TRUE(f.input.ShowExtDeviceSettings(kExtOekakidsTablet));
    EXPECT_FALSE(profile.Find("OekakidsTablet", "Mode"));

    f.window.oekakidsAnswer = kOekakidsFaithful;
    EXPECT_TRUE(f.input.ShowExtDeviceSettings(kExtOekakidsTablet));
    EXPECT_EQ(profile.GetInt("OekakidsTablet", "Mode", -1), kOekakidsFaithful);
    EXPECT_EQ(ProfileFile(dir.path / "korvanta.ini").GetInt("OekakidsTablet", "Mode", -1), kOekakidsFaithful);
    f.input.RebuildDevices(kExtOekakidsTablet);
    EXPECT_EQ(static_cast<OekakidsTablet&>(f.device()).Mode(), kOekakidsFaithful);
}

}  // namespace
}  // namespace korvanta
