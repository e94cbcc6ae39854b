// The Disk System drive registers: the block walk through a side, reads and
// writes limited to the block, the byte-ready and timer interrupts in CPU
// cycles, side changes and ejects by message, and the board's saved state.
#include <gtest/gtest.h>

#include <numeric>

#include "disk_fixture.h"
#include "media/loader.h"
#include "media/save_file.h"
#include "media/snapshot.h"

namespace korvanta::test {
namespace {

// A BIOS page whose bytes add up to the known BIOS's sum.
std::vector<uint8_t> KnownSumBios() {
    std::vector<uint8_t> bios(0x2000, 117);
    uint32_t rest = kKnownBiosSum - 117 * 0x2000;
    for (uint32_t i = 0; i < rest; ++i) ++bios[i];
    return bios;
}

struct Drive : DiskConsole {
    explicit Drive(const std::vector<uint8_t>& bios = TestBios()) : DiskConsole(bios) {
        EXPECT_TRUE(Load(image));
        Write(0x4023, 0x01);
    }
    // Head to the start of the side, then a transfer in `mode` ($4025 bits
    // other than 1 and 6).
    void Rewind(uint8_t mode) {
        Write(0x4025, static_cast<uint8_t>(mode | 0x02));
        Write(0x4025, mode);
    }
    void StartBlock(uint8_t mode) {
        Write(0x4025, mode);
        Write(0x4025, static_cast<uint8_t>(mode | 0x40));
    }
    // A byte read as a ready byte: the byte-ready flag is raised first, as
    // the interrupt or the known BIOS's $40FF would.
    uint8_t ReadReady() {
        Disk().status |= 0x80;
        return Read(0x4031);
    }
    const uint8_t* Side(int i) const { return &image[kDiskHeaderSize + i * kDiskSideSize]; }
    std::vector<uint8_t> image = MakeDiskImage(2);
};

constexpr uint8_t kRead = 0x04;

TEST(DiskDrive, BlocksAreReadWithinTheirBounds) {
    Drive d;
    d.Rewind(kRead);
    d.StartBlock(kRead);
    EXPECT_EQ(d.Disk().blockEnd, 55u);
    for (int i = 0; i < 56; ++i) ASSERT_EQ(d.ReadReady(), d.Side(0)[i]) << i;
    // A 57th read gives the block's last byte again.
    EXPECT_EQ(d.ReadReady(), d.Side(0)[55]);

    // Each transfer start announces the next block by the one before it.
    d.StartBlock(kRead);
    EXPECT_EQ(d.Disk().blockEnd, 57u);
    EXPECT_EQ(d.host.icon, kIconDiskReading);
    EXPECT_EQ(d.ReadReady(), 2);
    EXPECT_EQ(d.ReadReady(), 1);
    d.StartBlock(kRead);
    EXPECT_EQ(d.Disk().blockEnd, 73u);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(d.ReadReady(), d.Side(0)[kFileHeaderAt + i]);
    d.StartBlock(kRead);
    EXPECT_EQ(d.Disk().blockEnd, 73u + 40 + 1);
    for (int i = 0; i < 41; ++i) ASSERT_EQ(d.ReadReady(), d.Side(0)[kFileDataAt + i]);
    EXPECT_EQ(d.ReadReady(), d.Side(0)[kFileDataAt + 40]);

    // Without a ready byte, or outside read mode, $4031 repeats the last byte.
    d.Disk().status = 0;
    EXPECT_EQ(d.Read(0x4031), d.Side(0)[kFileDataAt + 40]);
}

TEST(DiskDrive, BlockSizesBeyondTheSideStayInsideIt) {
    Drive d;
    DiskSystem& disk = d.Disk();
    uint8_t* side = disk.disk.Side(0);
    // A file header at the end of the side claiming 65535 bytes.
    side[65528] = 0xFF;
    side[65529] = 0xFF;
    for (uint32_t i = 65531; i < kDiskSideBuffer; ++i) side[i] = 0x77;
    disk.blockState = 2;
    disk.blockEnd = 65530;
    disk.position = 65531;
    d.StartBlock(kRead);
    EXPECT_EQ(disk.blockEnd, 65530u + 65536);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(d.ReadReady(), 0x77);

    // Writing on past the side's buffer stores nothing.
    d.Write(0x4025, 0x00);
    disk.skipNextWrite = 0;
    disk.position = kDiskSideBuffer - 1;
    for (int i = 0; i < 4; ++i) {
        disk.status |= 0x80;
        d.Write(0x4024, 0x99);
    }
    EXPECT_EQ(side[kDiskSideBuffer - 1], 0x99);

    // A header position outside the side reads as size 0.
    disk.blockState = 2;
    disk.blockEnd = 0xFFFFFFF0u;
    d.StartBlock(kRead);
    EXPECT_EQ(disk.blockEnd, 0xFFFFFFF1u);
    EXPECT_EQ(d.ReadReady(), 0x99);
}

TEST(DiskDrive, WritesDropTheFirstByteAndStopAtTheBlockEnd) {
    Drive d;
    d.Rewind(0x00);
    d.StartBlock(0x00);
    for (int i = 0; i < 60; ++i) {
        d.Disk().status |= 0x80;
        d.Write(0x4024, static_cast<uint8_t>(0xA0 + i));
    }
    const uint8_t* side = d.Disk().disk.Side(0);
    // Byte 0xA0 was dropped; 56 bytes fill the block; the rest is refused.
    for (int i = 0; i < 56; ++i) ASSERT_EQ(side[i], 0xA1 + i) << i;
    EXPECT_EQ(side[56], 2);
    EXPECT_EQ(d.Disk().position, 56u);

    // No write without a ready byte, in read mode, or with I/O off.
    d.Rewind(0x00);
    d.StartBlock(0x00);
    d.Write(0x4024, 0);
    d.Disk().status = 0;
    d.Write(0x4024, 0x11);
    d.Disk().status = 0x80;
    d.Write(0x4023, 0);
    d.Write(0x4024, 0x22);
    EXPECT_EQ(side[0], 0xA1);
}

TEST(DiskDrive, ControlNeedsIoEnableAndSetsMirroring) {
    Drive d;
    d.Write(0x4025, 0x08);
    EXPECT_EQ(d.console.ppu.mirroring, 2);
    d.Write(0x4025, 0x00);
    EXPECT_EQ(d.console.ppu.mirroring, 1);
    d.Write(0x4023, 0x00);
    d.Write(0x4025, 0x0E);
    EXPECT_EQ(d.Disk().control, 0x00);
    EXPECT_EQ(d.console.ppu.mirroring, 1);
    d.Write(0x4026, 0x5C);
    EXPECT_EQ(d.Read(0x4033), 0x5C);
}

TEST(DiskDrive, ByteReadyInterruptEvery100Cycles) {
    Drive d;
    d.Rewind(kRead);
    d.m().cycles = 1000;
    d.StartBlock(0x84);
    EXPECT_EQ(d.m().boardIrqTime, 1100u);
    d.Disk().status = 0;
    d.m().cycles = 1101;
    d.Disk().IrqTimeReached();
    EXPECT_EQ(d.m().boardIrqTime, 1201u);
    EXPECT_EQ(d.Disk().status & 0x80, 0x80);
    // Clearing bit 7 cancels it and drops the line.
    d.m().irqPending = 1;
    d.Write(0x4025, 0x44);
    EXPECT_EQ(d.m().boardIrqTime, 0u);
    EXPECT_EQ(d.m().irqPending, 0);

    // The known BIOS takes bytes without interrupts: the next is ready at
    // once while bit 7 is clear, and $40FF signals one while it is set.
    Drive known(KnownSumBios());
    EXPECT_TRUE(known.Disk().knownBios);
    known.Rewind(kRead);
    known.StartBlock(0x84);
    EXPECT_EQ(known.m().boardIrqTime, 0u);
    EXPECT_EQ(known.Read(0x4031), known.Side(0)[0]);
    EXPECT_EQ(known.Read(0x4031), known.Side(0)[0]);  // not ready again
    known.Write(0x40FF, 0);
    EXPECT_EQ(known.m().irqPending, 1);
    EXPECT_EQ(known.Read(0x4031), known.Side(0)[1]);
    known.Write(0x4025, kRead);
    known.m().irqPending = 0;
    known.Write(0x40FF, 0);
    EXPECT_EQ(known.m().irqPending, 0);
    for (int i = 2; i < 56; ++i) ASSERT_EQ(known.Read(0x4031), known.Side(0)[i]);
    known.StartBlock(kRead);
    EXPECT_EQ(known.Read(0x4031), 2);
    EXPECT_EQ(known.Read(0x4031), 1);
}

TEST(DiskDrive, TimerFiresOnceInCycles) {
    Drive d;
    d.m().cycles = 500;
    d.Write(0x4020, 0x34);
    d.Write(0x4021, 0x12);
    d.Write(0x4022, 0x02);
    EXPECT_EQ(d.m().boardIrqTime, 500u + 0x1234);
    d.m().cycles = 500 + 0x1235;
    d.Disk().IrqTimeReached();
    EXPECT_EQ(d.m().boardIrqTime, 0u);
    EXPECT_EQ(d.Read(0x4030) & 1, 1);
    EXPECT_EQ(d.Read(0x4030) & 1, 0);
    // A second interrupt needs a new count: the reload was used up.
    d.Write(0x4022, 0x02);
    EXPECT_EQ(d.m().boardIrqTime, 500u + 0x1235);
    d.Write(0x4022, 0x00);
    EXPECT_EQ(d.m().boardIrqTime, 0u);

    // A time past the frame's end carries over into the next frame.
    d.m().boardIrqTime = d.m().frameCycleBudget + 40;
    d.Disk().EndOfFrame();
    EXPECT_EQ(d.m().boardIrqTime, 40u);
    d.Disk().EndOfFrame();
    EXPECT_EQ(d.m().boardIrqTime, 40u);

}

TEST(DiskDrive, SideChangesAndEjects) {
    Drive d;
    DiskSystem& disk = d.Disk();
    auto side = [&] { return static_cast<int>(disk.Message(kDiskGetSide, 0)); };
    auto movieState = [&] { return static_cast<int>(disk.Message(kDiskMovieState, 0)); };
    EXPECT_EQ(side(), 0);
    EXPECT_EQ(movieState(), 1);
    EXPECT_EQ(d.Read(0x4032) & 0x05, 0);

    // A change while a disk is in: 17 frames without a disk.
    disk.Message(1, 0);
    EXPECT_EQ(d.host.icon, kIconNoDisk);
    EXPECT_EQ(side(), 1);
    for (int frame = 0; frame < 17; ++frame) {
        EXPECT_EQ(d.Read(0x4032) & 0x05, 0x05) << frame;
        EXPECT_EQ(movieState(), 0);
        disk.EndOfFrame();
    }
    EXPECT_EQ(d.Read(0x4032) & 0x45, 0x40);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);
    EXPECT_EQ(movieState(), 2);

    disk.Message(kDiskEject, 0);
    EXPECT_EQ(d.host.icon, kIconNoDisk);
    uint8_t ejected = 0;
    disk.Message(kDiskGetEjected, reinterpret_cast<intptr_t>(&ejected));
    EXPECT_EQ(ejected, 1);
    EXPECT_EQ(d.Read(0x4032) & 0x05, 0x05);
    EXPECT_EQ(movieState(), 0);
    // Inserting into an empty drive takes no time.
    disk.Message(3, 0);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);
    EXPECT_EQ(d.Read(0x4032) & 0x05, 0);
    EXPECT_EQ(movieState(), 4);
    disk.Message(kDiskEject, 0);
    disk.Message(kDiskInsert, 0);
    EXPECT_EQ(movieState(), 4);

    // The movie's disk byte: 0 ejects, n inserts side n - 1 at once.
    disk.Message(kDiskSetMovieState, 0);
    EXPECT_TRUE(disk.Ejected());
    disk.Message(kDiskSetMovieState, 2);
    EXPECT_EQ(movieState(), 2);
    EXPECT_EQ(d.host.icon, kIconDiskIdle);

    uint32_t count = 0;
    disk.Message(kDiskGetSideCount, reinterpret_cast<intptr_t>(&count));
    EXPECT_EQ(count, 2u);
    // The reads follow the side in the drive.
    d.Rewind(kRead);
    d.StartBlock(kRead);
    for (int i = 0; i < 20; ++i) d.ReadReady();
    EXPECT_EQ(d.ReadReady(), d.Side(1)[20]);
}

// The board's chunks in a snapshot: drive and sound fields, the disk and the
// adapter's RAM come back, also through a KRT file.
TEST(DiskDrive, SnapshotRoundTrip) {
    Drive d;
    DiskSystem& disk = d.Disk();
    d.Rewind(kRead);
    d.StartBlock(0x84);
    for (int i = 0; i < 10; ++i) d.ReadReady();
    disk.disk.Side(1)[3000] = 0x42;
    d.Write(0x8123, 0x11);
    d.Write(0xC456, 0x22);
    d.Write(0x4088, 0x07);  // -1
    d.Write(0x4088, 0x04);  // -4
    d.Write(0x4082, 0x34);
    d.Write(0x4083, 0x02);
    d.Write(0x4085, 0x10);
    d.Write(0x4084, 0x45);  // a downward sweep
    d.Write(0x4050, 0x3F);
    ASSERT_EQ(disk.sound.sweepDirection, -1);

    SaveOptions options;
    options.load = d.options;
    d.console.game.snapshotSlot = 2;
    d.console.game.path = d.folder.File("game.fds");
    ASSERT_TRUE(QuickSave(d.console, options));

    Drive fresh;
    DiskSystem& other = fresh.Disk();
    fresh.console.game.path = d.console.game.path;
    fresh.console.game.kind = kFileFds;
    ASSERT_TRUE(OpenGameSlot(fresh.console, 2, fresh.options));
    EXPECT_EQ(other.position, 10u);
    EXPECT_EQ(other.blockEnd, 55u);
    EXPECT_EQ(other.control, 0xC4);
    EXPECT_EQ(other.transferIrqArmed, 1);
    EXPECT_EQ(other.ioEnable, 0x01);
    EXPECT_EQ(other.disk.sideCount, 2u);
    EXPECT_EQ(other.disk.Side(1)[3000], 0x42);
    EXPECT_EQ(fresh.m().prgWindow[0][0x123], 0x11);
    EXPECT_EQ(fresh.m().prgWindow[2][0x456], 0x22);
    EXPECT_EQ(other.sound.modTable[0], -1);
    EXPECT_EQ(other.sound.modTable[1], -4);
    EXPECT_EQ(other.sound.sweepDirection, -1);
    EXPECT_EQ(other.sound.sweepTarget, disk.sound.sweepTarget);
    EXPECT_EQ(other.sound.frequency, 0x234);
    EXPECT_EQ(other.sound.waveMemory[0x10], 0x3F);
    EXPECT_EQ(fresh.ReadReady(), fresh.Side(0)[10]);
}

// Older snapshots hold the sides and the drive fields in one chunk (tag
// 19) and no side count: the sides that begin like a disk count.
TEST(DiskDrive, OlderSnapshotChunk) {
    Drive d;
    std::vector<uint8_t> payload(4 * kDiskSideSize, 0);
    for (int i = 0; i < 3; ++i) payload[i * kDiskSideSize + 1] = i == 1 ? 'x' : '*';
    payload[2 * kDiskSideSize + 500] = 0x6C;
    payload.insert(payload.end(), {0, 2, 0, 7, 0, 0, 0});  // skipNextWrite, currentSide, position
    uint32_t length = static_cast<uint32_t>(kChunkPrefix + payload.size());
    std::vector<uint8_t> stream(length + kChunkPrefix, 0);
    stream[0] = 19;
    for (int i = 0; i < 4; ++i) stream[2 + i] = static_cast<uint8_t>(length >> (8 * i));
    std::copy(payload.begin(), payload.end(), stream.begin() + kChunkPrefix);
    const uint8_t end[] = {0xFF, 0xFF, 6, 0, 0, 0};
    std::copy(std::begin(end), std::end(end), stream.end() - 6);
    MemoryStream in(stream);
    ASSERT_TRUE(d.Disk().LoadState(in, OldFormatImage{}, 0));
    DiskSystem& disk = d.Disk();
    EXPECT_EQ(disk.disk.sideCount, 3u);
    EXPECT_EQ(disk.currentSide, 2u);
    EXPECT_EQ(disk.position, 7u);
    EXPECT_EQ(disk.disk.Side(2)[500], 0x6C);
    // Fields the chunk lacks take their defaults: no disk, I/O enabled.
    EXPECT_EQ(disk.ioEnable, 0xFF);
    EXPECT_TRUE(disk.Ejected());
    EXPECT_EQ(d.host.icon, kIconNoDisk);

    // A stream that ends before its end chunk fails.
    std::vector<uint8_t> cut(stream.begin(), stream.end() - 6);
    MemoryStream broken(cut);
    EXPECT_FALSE(disk.LoadState(broken, OldFormatImage{}, 0));
}

}  // namespace
}  // namespace korvanta::test
