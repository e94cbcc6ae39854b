// The 6502 interpreter (no decimal mode). One Run call executes one frame,
// or one instruction for the debug console. All state lives in the Machine.
#pragma once
#include <cstdint>

namespace korvanta {

class Console;

enum class RunMode : int {
    SingleStep = 0,        // one instruction, then return
    RunWhileRunning = 1,   // until the frame ends or RunState leaves 1
    RunToFrameEnd = 2,     // until the frame ends, whatever RunState says
};

class Cpu {
public:
    explicit Cpu(Console& console) : console_(console) {}
    // Runs from the Machine's registers; on return `p` holds the full status.
    void Run(RunMode mode);

private:
    Console& console_;
};

}  // namespace korvanta
