// The Disk System's drive sounds: the boot, load and end files played in
// turn from a transfer at the start of a side, the transfer held until the
// load sound starts, and the cases in which they stay off.
#include <gtest/gtest.h>

#include "disk_fixture.h"
#include "media/movie_link.h"

namespace korvanta::test {
namespace {

std::vector<uint8_t> Wave(uint32_t rate, const std::vector<uint8_t>& samples) {
    std::vector<uint8_t> file(44 + samples.size(), 0);
    for (int i = 0; i < 4; ++i) file[24 + i] = static_cast<uint8_t>(rate >> (8 * i));
    std::copy(samples.begin(), samples.end(), file.begin() + 44);
    return file;
}

struct EffectsConsole : DiskConsole {
    explicit EffectsConsole(const std::vector<uint8_t>& bios = TestBios(), bool withEnd = true) : DiskConsole(bios) {
        WriteBytes(folder.File("diskboot.wav"), Wave(44100, {10, 20, 30}));
        WriteBytes(folder.File("diskload.wav"), Wave(44100, {40, 50}));
        if (withEnd) WriteBytes(folder.File("diskend.wav"), Wave(44100, {60}));
    }
    int32_t Mix() {
        int32_t acc = 0;
        Disk().MixSample(&acc, 0, 0);
        return acc;
    }
    // A read transfer from the start of the side with byte interrupts on.
    void StartAtSideStart() {
        Write(0x4023, 0x01);
        Write(0x4025, 0x86);
        Write(0x4025, 0xC4);
    }
};

TEST(DiskEffects, BootLoadAndEndPlayInTurn) {
    EffectsConsole d;
    ASSERT_TRUE(d.Load(MakeDiskImage(1)));
    DiskSystem& disk = d.Disk();
    ASSERT_TRUE(disk.effects.Enabled());
    EXPECT_EQ(disk.effects.effectRate, 44100u);
    d.m().cycles = 2000;
    d.StartAtSideStart();
    EXPECT_EQ(disk.effects.Current(), kEffectBoot);
    EXPECT_EQ(d.host.icon, kIconDiskReading);
    EXPECT_EQ(disk.status & 0x80, 0);
    EXPECT_EQ(d.m().boardIrqTime, 0u);

    // Twice each byte; the transfer waits until the load sound starts.
    EXPECT_EQ(d.Mix(), 20);
    EXPECT_EQ(d.Mix(), 40);
    EXPECT_EQ(d.Mix(), 60);
    EXPECT_EQ(disk.status & 0x80, 0);
    d.Mix();
    EXPECT_EQ(disk.effects.Current(), kEffectLoad);
    EXPECT_EQ(disk.status & 0x80, 0x80);
    EXPECT_EQ(d.m().boardIrqTime, 2100u);
    EXPECT_EQ(d.Mix(), 80);
    EXPECT_EQ(d.Mix(), 100);
    d.Mix();
    EXPECT_EQ(disk.effects.Current(), kEffectEnd);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);
    EXPECT_EQ(d.Mix(), 120);
    d.Mix();
    EXPECT_EQ(disk.effects.Current(), kEffectNone);
    EXPECT_EQ(d.Mix(), 0);

    // A transfer that does not start at the side's beginning plays nothing.
    d.Read(0x4031);
    d.Write(0x4025, 0x84);
    d.Write(0x4025, 0xC4);
    EXPECT_EQ(disk.effects.Current(), kEffectNone);
}

TEST(DiskEffects, WithoutMixingTheyAdvanceByFrames) {
    EffectsConsole d;
    ASSERT_TRUE(d.Load(MakeDiskImage(1)));
    DiskSystem& disk = d.Disk();
    d.StartAtSideStart();
    EXPECT_EQ(disk.effects.Current(), kEffectBoot);
    // The frame's samples come after its end: one frame end alone is not a
    // frame without sound.
    disk.EndOfFrame();
    d.Mix();
    disk.EndOfFrame();
    EXPECT_EQ(disk.effects.Current(), kEffectBoot);
    disk.EndOfFrame();
    EXPECT_EQ(disk.effects.Current(), kEffectLoad);
    EXPECT_EQ(disk.status & 0x80, 0x80);

    // The test BIOS gets its file with the effects on and no sound output.
    EffectsConsole run;
    ASSERT_TRUE(run.Load(MakeDiskImage(1)));
    ASSERT_TRUE(run.Disk().effects.Enabled());
    for (int frame = 0; frame < 120 && run.m().ram[0xF0] != 0xA5; ++frame) run.Frame();
    EXPECT_EQ(run.m().ram[0xF0], 0xA5);
    EXPECT_EQ(run.m().ram[0x400], 4);
}

struct RunningMovie : MovieLink {
    bool Active() const override { return true; }
    uint32_t Position() const override { return 0; }
    bool ReRecord(uint32_t) override { return false; }
    bool StartReplay(const std::string&) override { return false; }
};

TEST(DiskEffects, StayOffWhenTheyCannotOrMustNotPlay) {
    EffectsConsole missing(TestBios(), false);
    ASSERT_TRUE(missing.Load(MakeDiskImage(1)));
    EXPECT_FALSE(missing.Disk().effects.Enabled());

    EffectsConsole movie;
    RunningMovie running;
    movie.options.movie = &running;
    ASSERT_TRUE(movie.Load(MakeDiskImage(1)));
    EXPECT_FALSE(movie.Disk().effects.Enabled());

    EffectsConsole zeroRate;
    WriteBytes(zeroRate.folder.File("diskboot.wav"), Wave(0, {1}));
    ASSERT_TRUE(zeroRate.Load(MakeDiskImage(1)));
    EXPECT_FALSE(zeroRate.Disk().effects.Enabled());

    // A file that went missing after the start ends its sound at once.
    EffectsConsole gone;
    ASSERT_TRUE(gone.Load(MakeDiskImage(1)));
    std::filesystem::remove(gone.folder.File("diskboot.wav"));
    gone.StartAtSideStart();
    EXPECT_EQ(gone.Disk().effects.Current(), kEffectLoad);
    EXPECT_EQ(gone.Disk().status & 0x80, 0x80);
}

}  // namespace
}  // namespace korvanta::test
