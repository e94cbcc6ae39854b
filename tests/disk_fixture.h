// Disk System test material: disk sides in the ".fds" block layout, images,
// a folder holding the test BIOS (asm/disk_bios.s) as disksys.rom, and a
// console with a Disk System game loaded.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disk/disk_system.h"
#include "mapper_fixture.h"
#include "media/loader.h"
#include "test_support.h"

namespace korvanta::test {

inline constexpr size_t kDiskInfoSize = 56;
inline constexpr size_t kFileHeaderAt = 58;  // after block 1 and block 2
inline constexpr size_t kFileDataAt = 74;    // block 4's code byte

// One side: the disk information block (numbered bytes after the signature),
// one file of `data`, zeros after it.
inline std::vector<uint8_t> MakeSide(const std::vector<uint8_t>& data, uint8_t tag = 0) {
    std::vector<uint8_t> side(kDiskSideSize, 0);
    const char signature[] = "*NINTENDO-HVC*";
    side[0] = 1;
    for (size_t i = 0; i < 14; ++i) side[1 + i] = static_cast<uint8_t>(signature[i]);
    for (size_t i = 15; i < kDiskInfoSize; ++i) side[i] = static_cast<uint8_t>(i + tag);
    side[56] = 2, side[57] = 1;
    uint8_t* header = &side[kFileHeaderAt];
    header[0] = 3, header[1] = 0, header[2] = 0;
    for (size_t i = 0; i < 8; ++i) header[3 + i] = static_cast<uint8_t>('A' + i);
    header[11] = 0x00, header[12] = 0x60;
    header[13] = static_cast<uint8_t>(data.size()), header[14] = static_cast<uint8_t>(data.size() >> 8);
    side[kFileDataAt] = 4;
    std::copy(data.begin(), data.end(), side.begin() + kFileDataAt + 1);
    return side;
}

// The file data of side `tag`: `size` bytes counting down from 0xF0 - tag.
inline std::vector<uint8_t> FileData(size_t size, uint8_t tag = 0) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(0xF0 - tag - i);
    return data;
}

// An image of `count` sides (the header may claim `claimed` instead).
inline std::vector<uint8_t> MakeDiskImage(int count, int claimed = -1) {
    std::vector<uint8_t> image = {'F', 'D', 'S', 0x1A, static_cast<uint8_t>(claimed < 0 ? count : claimed)};
    image.resize(kDiskHeaderSize, 0);
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> side = MakeSide(FileData(40, static_cast<uint8_t>(i)), static_cast<uint8_t>(i));
        image.insert(image.end(), side.begin(), side.end());
    }
    return image;
}

// A folder of its own, removed at the end of the test.
struct TempFolder {
    std::filesystem::path path;
    explicit TempFolder(const std::string& name) {
        static int serial = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("korvanta-" + name + "-" + info->test_suite_name() + "-" + info->name() + "-" + std::to_string(++serial));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> TestBios() { return ReadFileBytes(BuildRom("disk_bios.nes")); }

struct DiskConsole {
    TempFolder folder{"disk"};
    BoardHost host;
    Console console{host};
    LoadOptions options;

    // `bios` becomes the program folder's disksys.rom.
    explicit DiskConsole(const std::vector<uint8_t>& bios = TestBios()) {
        WriteBytes(folder.File("disksys.rom"), bios);
        options.programFolder = folder.path.string();
    }
    bool Load(const std::vector<uint8_t>& image) {
        MemoryStream stream(image);
        return OpenGameStream(console, stream, folder.File("game.fds"), options);
    }
    DiskSystem& Disk() { return dynamic_cast<DiskSystem&>(*console.mapper); }
    Machine& m() { return console.machine; }
    void Frame() {
        console.machine.RunState = 1;
        console.ppu.BeginDrawnFrame();
        console.cpu.Run(RunMode::RunWhileRunning);
        console.ppu.EndDrawnFrame();
    }
    void Write(uint16_t address, uint8_t value) { console.WriteByte(address, value); }
    uint8_t Read(uint16_t address) { return console.ReadByte(address); }
};

}  // namespace korvanta::test
