// The barcode reader (EAN-8 and EAN-13 encoding, dialog 145's checks) and
// the VS Unisystem settings (DIP boxes, palettes, the DIP byte on the Bus).
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>

#include "app/strings.h"
#include "input/barcode.h"
#include "input/vs_settings.h"
#include "mapper_fixture.h"
#include "video/display.h"

namespace korvanta::test {
namespace {

// Answers the dialogs from a script: each EditBarcode takes the next text
// (nothing left: Cancel); ShowVsDialog gives `vsChoice`.
struct DialogHost : HeadlessHost {
    std::optional<std::string> EditBarcode(std::string_view text) override {
        shownTexts.emplace_back(text);
        if (typed.empty()) return std::nullopt;
        std::string next = typed.front();
        typed.pop_front();
        return next;
    }
    std::optional<VsDialogChoice> ShowVsDialog(const VsDialogChoice& current) override {
        vsOpenedWith = current;
        return vsChoice;
    }
    std::deque<std::string> typed;
    std::vector<std::string> shownTexts;
    std::optional<VsDialogChoice> vsChoice;
    VsDialogChoice vsOpenedWith;
};

std::string Bits(const std::vector<int32_t>& modules) {
    std::string bits;
    for (int32_t m : modules) bits += m == kModulesEnd ? '|' : static_cast<char>('0' + m);
    return bits;
}

// 490123456789 + check digit 4; 1234567 + check digit 0.
constexpr const char* kEan13 =
    "10100010110100111001100100100110100001001110101010100111010100001000100100100011101001011100101|";
constexpr const char* kEan8 = "1010011001001001101111010100011010101001110101000010001001110010101|";

TEST(Barcode, EncodesEanCodes) {
    struct Case {
        const char* typed;
        const char* modules;
    } cases[] = {
        {"490123456789", kEan13},
        {"4901234567894", kEan13},
        {"1234567", kEan8},
        {"12345670", kEan8},
    };
    for (const Case& c : cases) {
        std::optional<std::vector<int32_t>> modules = EncodeBarcode(c.typed);
        ASSERT_TRUE(modules) << c.typed;
        EXPECT_EQ(Bits(*modules), c.modules) << c.typed;
    }
    EXPECT_EQ(EncodeBarcode("490123456789")->size(), 96u);
    EXPECT_EQ(EncodeBarcode("1234567")->size(), 68u);
}

TEST(Barcode, TypedCheckDigitIsNotVerified) {
    std::optional<std::vector<int32_t>> wrong = EncodeBarcode("4901234567890");
    ASSERT_TRUE(wrong);
    EXPECT_NE(Bits(*wrong), kEan13);
    // Only the last digit's seven modules (before the end guard) differ.
    EXPECT_EQ(Bits(*wrong).substr(0, 85), std::string(kEan13).substr(0, 85));
}

TEST(Barcode, CheckDigitOfEveryFirstDigit) {
    // Known EAN-13 codes and the EAN-8 of the standard's example.
    struct Case {
        std::vector<uint8_t> digits;
        int check;
    } cases[] = {
        {{4, 0, 0, 6, 3, 8, 1, 3, 3, 3, 9, 3}, 1},
        {{9, 7, 8, 0, 3, 0, 6, 4, 0, 6, 1, 5}, 7},
        {{7, 3, 5, 1, 3, 5, 3}, 7},
        {{0, 0, 0, 0, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(EanCheckDigit(c.digits), c.check);
}

TEST(Barcode, RefusesInvalidText) {
    for (const char* text : {"12a4567", "", "123456", "123456789", "12345678901", "12345678901234",
                             " 1234567", "1234567 ", "-123456", "12345.67"})
        EXPECT_FALSE(EncodeBarcode(text)) << '"' << text << '"';
}

TEST(Barcode, DialogAsksAgainOverTheMessageUntilTheCodeIsValid) {
    DialogHost host;
    BarcodeReader reader;
    host.typed = {"12a4567", "1234567"};
    reader.ShowBarcodeDialog(host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "The barcode has invalid value.");
    // The reopened dialog shows what was typed.
    EXPECT_EQ(host.shownTexts, (std::vector<std::string>{"", "12a4567"}));
    EXPECT_TRUE(reader.ready);
    EXPECT_EQ(reader.Text(), "1234567");
    std::array<int32_t, 512> taken;
    taken.fill(7);
    EXPECT_TRUE(reader.TakeBarcode(taken));
    EXPECT_EQ(Bits(std::vector<int32_t>(taken.begin(), taken.begin() + 68)), kEan8);
}

TEST(Barcode, CancelAndInvalidCodesHandNothingOver) {
    DialogHost host;
    BarcodeReader reader;
    host.typed = {"490123456789"};
    reader.ShowBarcodeDialog(host);
    ASSERT_TRUE(reader.ready);
    // Opening clears the flag; an invalid code followed by Cancel keeps it clear.
    host.typed = {"12"};
    reader.ShowBarcodeDialog(host);
    EXPECT_FALSE(reader.ready);
    EXPECT_EQ(host.shownTexts.back(), "12");
    std::array<int32_t, 4> taken{5, 5, 5, 5};
    EXPECT_FALSE(reader.TakeBarcode(taken));
    EXPECT_EQ(taken, (std::array<int32_t, 4>{kModulesEnd, 5, 5, 5}));
}

TEST(Barcode, ShortDestinationStillEndsTheList) {
    BarcodeReader reader;
    ASSERT_TRUE(reader.Confirm("1234567"));
    std::array<int32_t, 4> taken{};
    EXPECT_TRUE(reader.TakeBarcode(taken));
    EXPECT_EQ(taken, (std::array<int32_t, 4>{1, 0, 1, kModulesEnd}));
    EXPECT_FALSE(reader.TakeBarcode({}));
}

TEST(Barcode, StoredTextIsCutTo511Bytes) {
    BarcodeReader reader;
    EXPECT_FALSE(reader.Confirm(std::string(600, '1')));
    EXPECT_EQ(reader.Text().size(), 511u);
}

// VS Unisystem ---------------------------------------------------------------

TEST(VsSettings, DipBoxesToBits) {
    const uint8_t expected[8] = {0x01, 0x02, 0x04, 0x10, 0x20, 0x08, 0x40, 0x80};
    for (int box = 0; box < 8; ++box)
        EXPECT_EQ(VsDipByteFromBoxes(static_cast<uint8_t>(1 << box)), expected[box]) << "box " << box + 1;
    for (int boxes = 0; boxes < 256; ++boxes)
        EXPECT_EQ(VsBoxesFromDipByte(VsDipByteFromBoxes(static_cast<uint8_t>(boxes))), boxes);
}

TEST(VsSettings, PalettesRemapTheBaseTable) {
    Display display;
    VsSettings vs;
    vs.ApplyVsPalette(display, 1);  // VS Castlevania
    EXPECT_EQ(vs.PaletteNumber(), 1);
    EXPECT_EQ(display.masterPalette[0x00], BasePalette()[0x0F]);
    EXPECT_EQ(display.masterPalette[0x01], BasePalette()[0x27]);
    EXPECT_EQ(display.masterPalette[0x3F], BasePalette()[0x3F]);
    vs.ApplyVsPalette(display, 7);
    EXPECT_EQ(display.masterPalette[0x3E], BasePalette()[0x1B]);
    vs.ApplyVsPalette(display, 8);  // no such chip: nothing changes
    EXPECT_EQ(vs.PaletteNumber(), 7);
    EXPECT_EQ(display.masterPalette[0x3E], BasePalette()[0x1B]);
    vs.ApplyVsPalette(display, 0);
    EXPECT_EQ(display.masterPalette, BasePalette());
    for (int p = 0; p < kVsPaletteCount; ++p)
        for (uint8_t entry : VsPaletteMapping(p)) EXPECT_LT(entry, 64) << p;
    EXPECT_STREQ(GetString(kStrVsPaletteNames + 1), "VS Castlevania");
    EXPECT_STREQ(GetString(kStrVsPaletteNames + 7), "VS Super Mario Bros");
}

TEST(VsSettings, DialogSetsTheByteTheBusReads) {
    DialogHost host;
    Console console{host};
    MemoryStream stream(MakeInes(InesLayout{0, 2, 1, 0, 1}));
    ASSERT_TRUE(LoadInes(console, stream, {}));
    Mapper& board = *console.mapper;
    ASSERT_TRUE(board.watchesControllerPorts);
    Display display;
    VsSettings vs;

    // Boxes 1, 4 and 6: bits 0, 4 and 3.
    host.vsChoice = Host::VsDialogChoice{2, 0x29};
    EXPECT_TRUE(vs.ShowVsDialog(host, display, board.vsDipSwitches));
    EXPECT_EQ(board.vsDipSwitches, 0x19);
    EXPECT_EQ(vs.PaletteNumber(), 2);
    EXPECT_EQ(console.ReadByte(0x4016) & 0x18, 0x08);  // bits 0-1 as bits 3-4
    EXPECT_EQ(console.ReadByte(0x4017) & 0xFC, 0x18);  // bits 2-7 in place

    // The dialog opens on the current settings; Cancel keeps them.
    host.vsChoice.reset();
    EXPECT_FALSE(vs.ShowVsDialog(host, display, board.vsDipSwitches));
    EXPECT_EQ(host.vsOpenedWith.palette, 2);
    EXPECT_EQ(host.vsOpenedWith.boxes, 0x29);
    EXPECT_EQ(board.vsDipSwitches, 0x19);
    EXPECT_EQ(vs.PaletteNumber(), 2);
}

}  // namespace
}  // namespace korvanta::test
