#include "core/cpu.h"

#include "core/console.h"

namespace korvanta {

void Cpu::Run(RunMode) {}

}  // namespace korvanta
