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
    // Called by the frame driver once per frame and by the debug console.
    void Run(RunMode mode);

private:
    // Rebases the frame's timestamps and delivers the frame-start NMI.
    void StartFrame();
    // The first cycle count at which a post-instruction check can have an
    // effect; 0 when the next instruction must be followed by the checks.
    uint32_t NextCheckTime(uint32_t cycles, uint8_t p) const;
    bool SramEnabled() const;

    Console& console_;
};

}  // namespace korvanta
