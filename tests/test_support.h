// Small fixtures shared by the tests: a console with program bytes placed
// straight into its windows, and paths of the programs the tests run.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/console.h"
#include "platform/headless/headless_host.h"

namespace korvanta::test {

inline std::string SharedRom(const std::string& relative) { return std::string(KORVANTA_SHARED_ROMS) + "/" + relative; }
inline std::string BuildRom(const std::string& name) { return std::string(KORVANTA_BUILD_ROMS) + "/" + name; }

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A console whose program ROM is `prg` (a multiple of 8 KB; 16 KB shows twice),
// under a board that decodes nothing. CHR is 8 KB of zeroes.
struct FlatConsole {
    HeadlessHost host;
    Console console{host};

    explicit FlatConsole(std::vector<uint8_t> prg, bool sram = false) {
        Machine& m = console.machine;
        size_t pages = prg.size() / 0x2000;
        for (size_t i = 0; i < pages; ++i) {
            auto page = std::make_unique<PrgPage>();
            std::copy(prg.begin() + i * 0x2000, prg.begin() + (i + 1) * 0x2000, page->begin());
            m.prgPages[i] = page->data();
            m.prgStorage.push_back(std::move(page));
        }
        m.prgPageCount = static_cast<uint32_t>(pages);
        for (int w = 0; w < 4; ++w) m.prgWindow[w] = m.prgPages[(pages - std::min<size_t>(pages, 4) + w) % pages];
        console.mapper = std::make_unique<Mapper>(console, MapperConfig{});
        console.mapper->sramEnabled = sram;
    }
    Machine& m() { return console.machine; }
};

// 32 KB of program ROM filled with `fill`, `code` placed at $8000 and the
// reset vector pointing there.
inline std::vector<uint8_t> ProgramAt8000(const std::vector<uint8_t>& code, uint8_t fill = 0xEA) {
    std::vector<uint8_t> prg(0x8000, fill);
    std::copy(code.begin(), code.end(), prg.begin());
    prg[0x7FFC] = 0x00;
    prg[0x7FFD] = 0x80;
    return prg;
}

}  // namespace korvanta::test
