// Loads arbitrary bytes as a game image held in memory, then feeds the rest
// of the input to the board as register writes and saves and reloads its
// state: nothing may read or write outside the pages and buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/console.h"
#include "media/loader.h"
#include "platform/headless/headless_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvanta::HeadlessHost host;
    korvanta::Console console(host);
    korvanta::MemoryStream image(std::vector<uint8_t>(data, data + size));
    if (!korvanta::OpenGameStream(console, image, "/nonexistent/fuzz.nes", korvanta::LoadOptions{})) return 0;

    // Writes from the end of the input backwards: address high byte, low
    // byte, value.
    size_t writes = 0;
    for (size_t i = size; i >= 3 && writes < 64; i -= 3, ++writes) {
        uint16_t address = static_cast<uint16_t>(0x4018 + ((data[i - 3] << 8 | data[i - 2]) % (0x10000 - 0x4018)));
        console.WriteByte(address, data[i - 1]);
        console.ReadByte(static_cast<uint16_t>(0x4018 + (address & 0x3FFF)));
    }
    korvanta::MemoryStream state;
    console.mapper->SaveState(state);
    korvanta::WriteEndChunk(state);
    console.mapper->LoadState(state, korvanta::OldFormatImage{}, 0);
    return 0;
}
