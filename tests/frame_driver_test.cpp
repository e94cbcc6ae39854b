// The frame driver: timer choice, shown and skipped frames, and the pacing
// that follows how long the frames take on the host's clock.
#include <gtest/gtest.h>

#include "core/frame_driver.h"
#include "test_support.h"
#include "video/display.h"

namespace korvanta {
namespace {

// An idle loop: every frame ends at once.
std::vector<uint8_t> IdleProgram() { return test::ProgramAt8000({0x4C, 0x00, 0x80}); }

// Moves the host's clock while a frame runs: `shownMs` for frames being
// drawn, `skippedMs` for the others.
struct SlowDevice : InputDevice {
    HeadlessHost& host;
    Console& console;
    uint32_t shownMs, skippedMs;
    SlowDevice(HeadlessHost& h, Console& c, uint32_t shown, uint32_t skipped)
        : host(h), console(c), shownMs(shown), skippedMs(skipped) {}
    void FrameUpdate() override { host.clock += console.ppu.DrawingThisFrame() ? shownMs : skippedMs; }
};

struct Driven {
    test::FlatConsole f{IdleProgram()};
    Display display;
    SpeedSettings speed;
    FrameDriver driver{f.console, nullptr, &display, speed};
    std::vector<bool> shown;  // per frame, from the statistics

    Driven() {
        f.console.SoftReset();
        f.m().RunState = 1;
    }
    void Slow(uint32_t shownMs, uint32_t skippedMs) {
        f.console.devices.Add(std::make_unique<SlowDevice>(f.host, f.console, shownMs, skippedMs));
    }
    void Tick(uint32_t id = 1) { driver.Tick(id); }
    // Runs frames one at a time and notes which were drawn.
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            uint64_t before = driver.stats.framesShown;
            driver.RunOneFrame();
            shown.push_back(driver.stats.framesShown > before);
        }
    }
};

TEST(FrameDriver, TimerPeriodFollowsSpeedAndBatch) {
    struct Case {
        int32_t execSpeed, occupation;
        uint8_t fullSpeed;
        uint32_t period;
        bool periodic;
    };
    const Case cases[] = {
        {100, 12, 0, 200, true},  // 12 frames per 200 ms tick
        {200, 3, 0, 25, true},
        {100, 2, 0, 1, true},  // the formula gives 0 ms: the timer still runs
        {999, 12, 1, 1, false},  // FullSpeed: the window timer
    };
    for (const Case& c : cases) {
        Driven d;
        d.speed.execSpeed = c.execSpeed;
        d.speed.occupation = c.occupation;
        d.speed.fullSpeed = c.fullSpeed;
        ASSERT_TRUE(d.driver.StartTimer(true));
        EXPECT_EQ(d.f.host.timerPeriod, c.period) << c.execSpeed << "/" << c.occupation;
        EXPECT_EQ(d.f.host.timerPeriodic, c.periodic);
    }
}

TEST(FrameDriver, TickRunsTheBatchOnlyWhileRunning) {
    Driven d;
    d.speed.fullSpeed = 0;
    d.speed.execSpeed = 100;
    d.speed.occupation = 12;
    d.driver.StartTimer(true);
    d.Tick();
    EXPECT_EQ(d.driver.stats.framesRun, 12u);
    d.Tick(0);  // the window timer's ticks only note the time
    EXPECT_EQ(d.driver.stats.framesRun, 12u);
    d.f.m().RunState = 0;
    d.Tick();
    EXPECT_EQ(d.driver.stats.framesRun, 12u);
    d.f.m().RunState = 1;
    d.driver.modal = true;
    d.Tick();
    EXPECT_EQ(d.driver.stats.framesRun, 12u);
}

TEST(FrameDriver, FixedSkipShowsOneFrameInDrawFrame) {
    Driven d;
    d.speed.fullSpeed = 0;
    d.speed.autoFrame = 0;
    d.speed.drawFrame = 3;
    d.Frames(7);
    EXPECT_EQ(d.shown, (std::vector<bool>{true, false, false, true, false, false, true}));
}

TEST(FrameDriver, AutomaticSkipFollowsLateness) {
    {
        // Every frame takes 20 ms: ten skipped in a row, the eleventh shown.
        Driven d;
        d.Slow(20, 20);
        d.Frames(13);
        std::vector<bool> expected(13, false);
        expected[0] = expected[11] = true;
        EXPECT_EQ(d.shown, expected);
    }
    {
        // Only drawing is slow: every second frame is shown.
        Driven d;
        d.Slow(20, 5);
        d.Frames(8);
        EXPECT_EQ(d.shown, (std::vector<bool>{true, false, true, false, true, false, true, false}));
    }
}

TEST(FrameDriver, SlowTicksRaiseTheBatchThenStretchThePeriod) {
    Driven d;
    d.speed.fullSpeed = 0;
    d.speed.autoFrame = 0;
    d.speed.execSpeed = 100;
    d.speed.occupation = 6;  // 100 ms per tick
    d.driver.StartTimer(true);
    d.Slow(30, 30);  // 6 frames take 180 ms
    d.Tick();
    EXPECT_EQ(d.speed.occupation, 9);
    EXPECT_EQ(d.driver.NominalPeriod(), 150u);
    EXPECT_EQ(d.display.screenMessage.text, "SPEED ADJUSTING.>> ");
    d.Tick();  // 9 frames: 270 ms
    d.Tick();  // 12 frames: 360 ms, over the limit of the batch
    EXPECT_EQ(d.speed.occupation, 12);
    EXPECT_EQ(d.driver.NominalPeriod(), 200u);
    EXPECT_EQ(d.driver.TimerPeriod(), 370u);
    EXPECT_EQ(d.display.screenMessage.text, "VERY HEAVY!");
    // The restart happens at the next tick with the stretched period.
    int starts = d.f.host.timerStarts;
    d.Tick();
    EXPECT_EQ(d.f.host.timerStarts, starts + 1);
}

TEST(FrameDriver, FastTicksLowerTheBatch) {
    Driven d;
    d.speed.fullSpeed = 0;
    d.speed.autoFrame = 0;
    d.speed.execSpeed = 100;
    d.speed.occupation = 12;
    d.driver.StartTimer(true);
    d.Tick();  // no time passes: far under the 200 ms period
    EXPECT_EQ(d.speed.occupation, 9);
    EXPECT_EQ(d.driver.TimerPeriod(), 150u);
    EXPECT_EQ(d.display.screenMessage.text, "SPEED ADJUSTING.<< ");
    d.display.noMessage = true;
    d.display.screenMessage = {};
    d.Tick();
    EXPECT_EQ(d.speed.occupation, 6);
    EXPECT_FALSE(d.display.screenMessage.Active());
}

}  // namespace
}  // namespace korvanta
