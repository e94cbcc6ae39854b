// Opens Disk System images built from arbitrary bytes, drives the board's
// registers, messages and timing with the rest of the input, saves and
// reloads its state, and reads the input itself as a board state stream:
// nothing may read or write outside the sides, pages and buffers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/console.h"
#include "disk/disk_system.h"
#include "media/loader.h"
#include "platform/headless/headless_host.h"

namespace {

// A folder with a BIOS that only loops at its reset vector.
const std::string& BiosFolder() {
    static const std::string folder = [] {
        std::filesystem::path path = std::filesystem::temp_directory_path() / "korvanta-fds-fuzz";
        std::filesystem::create_directories(path);
        std::vector<char> bios(0x2000, static_cast<char>(0xEA));
        bios[0] = 0x4C, bios[1] = 0x00, bios[2] = static_cast<char>(0xE0);
        bios[0x1FFA] = bios[0x1FFC] = bios[0x1FFE] = 0x00;
        bios[0x1FFB] = bios[0x1FFD] = bios[0x1FFF] = static_cast<char>(0xE0);
        std::ofstream((path / "disksys.rom").string(), std::ios::binary).write(bios.data(), 0x2000);
        return path.string();
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvanta;
    HeadlessHost host;
    Console console(host);
    LoadOptions options;
    options.programFolder = BiosFolder();

    // The input as the image file itself: mostly refused headers.
    std::vector<uint8_t> raw = {'F', 'D', 'S'};
    raw.insert(raw.end(), data, data + size);
    MemoryStream rawStream(raw);
    OpenGameStream(console, rawStream, "/nonexistent/fuzz.fds", options);

    // A whole image whose sides start with the input.
    if (size == 0) return 0;
    uint32_t sides = 1 + data[0] % kMaxDiskSides;
    std::vector<uint8_t> image(kDiskHeaderSize + sides * kDiskSideSize, 0);
    image[0] = 'F', image[1] = 'D', image[2] = 'S', image[3] = 0x1A, image[4] = static_cast<uint8_t>(sides);
    for (uint32_t s = 0; s < sides; ++s)
        std::copy(data, data + std::min<size_t>(size, kDiskSideSize), image.begin() + kDiskHeaderSize + s * kDiskSideSize);
    MemoryStream imageStream(image);
    if (!OpenGameStream(console, imageStream, "/nonexistent/fuzz.fds", options)) return 0;
    auto& board = static_cast<DiskSystem&>(*console.mapper);

    // Triples from the start of the input: register, value, event.
    int32_t accumulator = 0;
    for (size_t i = 0; i + 3 <= size && i < 3 * 512; i += 3) {
        uint8_t event = data[i + 2];
        uint16_t address = static_cast<uint16_t>(event & 0x80 ? 0x8000 + (data[i] << 6) : 0x4020 + data[i] % 0x6B);
        if (data[i] == 0xFF) address = 0x40FF;
        console.WriteByte(address, data[i + 1]);
        console.ReadByte(static_cast<uint16_t>(0x4030 + (event & 3)));
        console.ReadByte(static_cast<uint16_t>(0x4040 + (event & 63)));
        switch (event & 0x70) {
            case 0x10: board.Message(event & 7, 0); break;
            case 0x20: board.Message(203, data[i + 1]); break;
            case 0x30: board.IrqTimeReached(); break;
            case 0x40: board.EndOfFrame(); break;
            case 0x50: board.SoundTick(); break;
            default: board.MixSample(&accumulator, 0, 0); break;
        }
    }
    MemoryStream state;
    board.SaveState(state);
    WriteEndChunk(state);
    board.LoadState(state, OldFormatImage{}, 0);
    MemoryStream input(std::vector<uint8_t>(data, data + size));
    board.LoadState(input, OldFormatImage{}, 0);
    for (int i = 0; i < 300; ++i) {
        console.ReadByte(0x4031);
        board.SoundTick();
        board.MixSample(&accumulator, 0, 0);
    }
    console.WriteByte(0x4024, 0);
    return 0;
}
