// Feeds arbitrary bytes to the KOR, old KOR and foreign-snapshot loaders, as
// a game file and as a snapshot of a running game, and to the movie header
// and its starting snapshot: every load must end (loaded or refused)
// without reading or writing outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/console.h"
#include "media/kor.h"
#include "media/loader.h"
#include "media/stream_window.h"
#include "movie/kmv_header.h"
#include "platform/headless/headless_host.h"

namespace {

// A 16 KB NROM game that loops at its reset address.
std::vector<uint8_t> SmallGame() {
    std::vector<uint8_t> image(16 + 0x4000 + 0x2000, 0);
    image[0] = 'N', image[1] = 'E', image[2] = 'S', image[3] = 0x1A, image[4] = 1, image[5] = 1;
    uint8_t* prg = image.data() + 16;
    prg[0] = 0x4C, prg[1] = 0x00, prg[2] = 0x80;  // JMP $8000
    prg[0x3FFC] = 0x00, prg[0x3FFD] = 0x80;
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    korvanta::HeadlessHost host;
    korvanta::Console console(host);
    korvanta::LoadOptions options;
    std::vector<uint8_t> bytes(data + 1, data + size);
    korvanta::MemoryStream file(bytes);
    switch (data[0] % 3) {
        case 0:  // a game file
            korvanta::OpenGameStream(console, file, "/nonexistent/fuzz.kor", options);
            break;
        case 1: {  // a snapshot slot of the running game
            korvanta::MemoryStream game(SmallGame());
            if (!korvanta::OpenGameStream(console, game, "/nonexistent/fuzz.nes", options)) return 0;
            korvanta::OpenGameStream(console, file, "/nonexistent/fuzz.kor", options, data[0] % 10);
            break;
        }
        default: {  // a movie: its header and starting snapshot
            korvanta::KmvHeader header;
            if (!korvanta::ParseKmvHeader(bytes, header)) return 0;
            korvanta::RecordingTimeText(header, static_cast<int64_t>(bytes.size()));
            if (korvanta::kKmvHeaderSize + static_cast<int64_t>(header.snapshotLength) > file.Size()) return 0;
            korvanta::MemoryStream game(SmallGame());
            if (!korvanta::OpenGameStream(console, game, "/nonexistent/fuzz.nes", options)) return 0;
            korvanta::StreamWindow snapshot(file, korvanta::kKmvHeaderSize, header.snapshotLength);
            korvanta::LoadKorState(console, snapshot, 0, options, false);
            break;
        }
    }
    // Whatever was loaded must run.
    if (console.mapper && console.machine.prgPageCount) {
        console.machine.RunState = 1;
        console.cpu.Run(korvanta::RunMode::SingleStep);
    }
    return 0;
}
