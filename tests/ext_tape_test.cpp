// The keyboard's data recorder: $4016 writes recorded into a WAV tape, tapes
// played back into $4016 bit 1, the tape's header and size fields, its popup
// items and dialogs, and its on-screen messages.
#include <gtest/gtest.h>

#include "ext_fixture.h"
#include "input/ext_devices.h"
#include "input/family_keyboard.h"
#include "save_fixture.h"

namespace korvanta {
namespace {

using test::ExtFixture;
using test::ReadFileBytes;
using test::ScratchDir;

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8));
    return samples;
}

std::vector<uint8_t> Tape(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> bytes(44, 0xAA);  // the header is not looked at
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

struct TapeFixture : ExtFixture {
    ScratchDir dir;
    TapeFixture() : ExtFixture(kExtFamilyKeyboard) {}
    FamilyKeyboard& keyboard() { return static_cast<FamilyKeyboard&>(device()); }
    void WriteAt(uint32_t cycles, uint8_t value) {
        console().machine.cycles = cycles;
        console().WriteByte(0x4016, value);
    }
    int ReadAt(uint32_t cycles) {
        console().machine.cycles = cycles;
        return (console().ReadByte(0x4016) >> 1) & 1;
    }
};

TEST(DataRecorder, RecordingWritesTheHeaderAndSamplesForTheTimeBetweenWrites) {
    TapeFixture f;
    std::string path = f.dir.File("tape.wav");
    ASSERT_TRUE(f.keyboard().recorder.NewSave(path));
    f.WriteAt(1000, 0);    // the clock starts at cycle 0: 24 samples low
    f.WriteAt(1406, 1);    // 406 cycles: 10 samples at the level of bit 0 set
    f.WriteAt(1812, 4);    // 10 samples low
    f.WriteAt(1830, 5);    // 18 cycles: no sample, and no fraction carried
    f.WriteAt(1848, 5);    // again none
    f.WriteAt(29000, 0);   // 27152 cycles: 669 samples
    f.WriteAt(100, 1);     // across the frame end: 100 - 29000 + 29867 = 967 cycles, 23 samples
    f.keyboard().recorder.StopTape();

    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::vector<int16_t> want(24, 10000);
    want.insert(want.end(), 10, -10000);
    want.insert(want.end(), 10, 10000);
    want.insert(want.end(), 669, 10000);
    want.insert(want.end(), 23, -10000);
    EXPECT_EQ(Samples(bytes), want);

    const std::vector<uint8_t> header = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                         16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0,
                                         2, 0, 16, 0, 'd', 'a', 't', 'a'};
    ASSERT_GE(bytes.size(), 44u);
    std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 40);
    std::fill_n(head.begin() + 4, 4, 0);
    EXPECT_EQ(head, header);
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44);
    EXPECT_FALSE(f.keyboard().recorder.Recording());
}

TEST(DataRecorder, PlaybackSetsBitOneWhileTheLastSampleReadIsNegative) {
    TapeFixture f;
    std::string path = f.dir.Write("play.wav", Tape({100, -100, -100, 100, 0, -1}));
    ASSERT_TRUE(f.keyboard().recorder.NewPlay(path));
    // One sample every 40.58 cycles: reads 41 cycles apart take one each
    // (the accumulator keeps the remainder).
    std::vector<int> bits;
    for (uint32_t t = 0; t <= 6 * 41; t += 41) bits.push_back(f.ReadAt(t));
    EXPECT_EQ(bits, (std::vector<int>{0, 0, 1, 1, 0, 0, 1}));
    EXPECT_TRUE(f.keyboard().recorder.Playing());
    // The end of the tape stops it; the last sample stays.
    EXPECT_EQ(f.ReadAt(7 * 41), 1);
    EXPECT_FALSE(f.keyboard().recorder.Playing());
    EXPECT_EQ(f.ReadAt(9 * 41), 1);
}

TEST(DataRecorder, RecordedTapePlaysBackTheWrittenBits) {
    TapeFixture f;
    std::string path = f.dir.File("round.wav");
    const std::vector<int> written = {1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0};
    ASSERT_TRUE(f.keyboard().recorder.NewSave(path));
    // Each write's bit 0 is the level of the interval that ends with it.
    f.WriteAt(0, 0);
    for (size_t i = 0; i < written.size(); ++i) f.WriteAt(static_cast<uint32_t>(406 * (i + 1)), 4 | written[i]);
    f.input.RebuildDevices(kExtFamilyKeyboard);  // destroying the keyboard finishes the tape

    std::vector<uint8_t> bytes = ReadFileBytes(path);
    EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44);
    ASSERT_TRUE(f.keyboard().recorder.NewPlay(path));
    f.ReadAt(0);
    std::vector<int> played;
    for (size_t i = 0; i < written.size(); ++i) played.push_back(f.ReadAt(static_cast<uint32_t>(406 * i + 203)));
    EXPECT_EQ(played, written);
}

TEST(DataRecorder, PopupItemsAndDialogs) {
    TapeFixture f;
    ASSERT_EQ(f.window.items.size(), 3u);
    EXPECT_EQ(f.window.items[0].second, 22000u);  // New Play
    EXPECT_EQ(f.window.items[1].second, 22001u);  // New Save
    EXPECT_EQ(f.window.items[2].second, 22002u);  // Stop Tape

    // Writing 255 without a recording asks for a new tape at once.
    f.window.answer = f.dir.File("asked.wav");
    f.WriteAt(0, 255);
    EXPECT_EQ(f.window.dialogs, std::vector<bool>{true});
    EXPECT_TRUE(f.keyboard().recorder.Recording());
    f.WriteAt(10, 255);
    EXPECT_EQ(f.window.dialogs.size(), 1u) << "not while recording";

    f.window.answer = f.dir.Write("in.wav", Tape({-5}));
    f.window.handlers[0]();
    EXPECT_EQ(f.window.dialogs, (std::vector<bool>{true, false}));
    EXPECT_TRUE(f.keyboard().recorder.Playing());
    f.window.handlers[2]();
    EXPECT_FALSE(f.keyboard().recorder.Playing());
    EXPECT_FALSE(f.keyboard().recorder.Recording());
    std::vector<uint8_t> asked = ReadFileBytes(f.dir.File("asked.wav"));
    EXPECT_EQ(Le32(asked, 4), asked.size() - 8);

    // A cancelled dialog opens nothing.
    f.window.answer.clear();
    f.window.handlers[1]();
    EXPECT_FALSE(f.keyboard().recorder.Recording());

    // A rebuild takes the items away again.
    f.input.RebuildDevices(kExtNone);
    EXPECT_EQ(f.window.removed, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(f.host().messages.empty());
}

TEST(DataRecorder, FileThatCannotBeOpenedIsReportedAndTheDeviceGoesOn) {
    TapeFixture f;
    std::string missing = f.dir.File("none/missing.wav");
    EXPECT_FALSE(f.keyboard().recorder.NewPlay(missing));
    EXPECT_FALSE(f.keyboard().recorder.NewSave(missing));
    ASSERT_EQ(f.host().messages.size(), 2u);
    EXPECT_EQ(f.host().messages[0].text, "Couldn't open file.(" + missing + ")");
    EXPECT_EQ(f.host().messages[1].text, "Couldn't open file.(" + missing + ")");
    f.console().WriteByte(0x4016, 5);
    f.console().WriteByte(0x4016, 4);
    EXPECT_EQ(f.console().ReadByte(0x4017) & 0x1E, 0x1E);
    EXPECT_EQ(f.ReadAt(100), 0);
}

TEST(DataRecorder, TapeMessagesOnScreen) {
    TapeFixture f;
    f.display.noMessage = true;
    ASSERT_TRUE(f.keyboard().recorder.NewPlay(f.dir.Write("play.wav", Tape({1, 2, 3}))));
    f.ReadAt(0);
    EXPECT_FALSE(f.display.screenMessage.Active()) << "playing is a suppressible message";
    f.display.noMessage = false;
    f.ReadAt(41);
    EXPECT_EQ(f.display.screenMessage.text, "TAPE PLAYING...");
    EXPECT_EQ(f.display.screenMessage.lifetime, 60);
    EXPECT_EQ(f.display.screenMessage.x, 10);
    EXPECT_EQ(f.display.screenMessage.y, 10);

    f.display.noMessage = true;
    ASSERT_TRUE(f.keyboard().recorder.NewSave(f.dir.File("rec.wav")));
    f.WriteAt(0, 0);
    EXPECT_EQ(f.display.screenMessage.text, "TAPE RECORDING...");
}

}  // namespace
}  // namespace korvanta
