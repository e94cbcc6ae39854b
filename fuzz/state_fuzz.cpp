// Feeds arbitrary bytes to the chunk reader as a snapshot stream of the
// Machine's tables: it must end (success or failure) without reading or
// writing outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/console.h"
#include "platform/headless/headless_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static korvanta::HeadlessHost host;
    static korvanta::Console console(host);
    korvanta::MemoryStream stream(std::vector<uint8_t>(data, data + size));
    korvanta::ReadTables(stream, 0, console.MachineTables());
    return 0;
}
