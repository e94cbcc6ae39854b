#include "core/console.h"

namespace korvanta {

void Machine::FreePages() {
    prgWindow.fill(nullptr);
    prgPages.fill(nullptr);
    chrPages.fill(nullptr);
    decodedChrPages.fill(nullptr);
    prgStorage.clear();
    chrStorage.clear();
    decodedChrStorage.clear();
    prgPageCount = 0;
    chrPageCount = 0;
}

Console::Console(Host& hostRef) : host(hostRef), ppu(*this), apu(*this), cpu(*this) { BuildMachineTables(); }

Console::~Console() {
    mapper.reset();
    devices.Clear();
    machine.FreePages();
}

}  // namespace korvanta
