// One line of an instruction trace in the layout of the widely used nestest
// log, for the command-line runner's --trace option.
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

class Console;

// The instruction at `pc` before it runs: address, raw bytes, disassembly
// with the addresses and values it touches, the registers and the cycle
// count. Memory is read with PeekByte, so tracing changes nothing.
std::string TraceLine(const Console& console, uint64_t totalCycles);

}  // namespace korvanta
