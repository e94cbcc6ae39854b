// Standard pads through the Bus, the device list and its rebuilding.
#include <gtest/gtest.h>

#include "input/input_system.h"
#include "input/standard_pad.h"
#include "test_support.h"

namespace korvanta {
namespace {

using test::FlatConsole;
using test::ProgramAt8000;

// A console with pads 1 and 2 built from a key configuration.
struct PadFixture {
    FlatConsole flat{ProgramAt8000({})};
    KeyConfig config;
    InputSystem input{flat.console, config};

    explicit PadFixture(int selection = 0) { input.RebuildDevices(selection); }
    HeadlessHost& host() { return flat.host; }
    Console& console() { return flat.console; }

    void Frame() {
        input.PollKeySets();
        input.UpdateDevices();
    }
    void Strobe() {
        console().WriteByte(0x4016, 1);
        console().WriteByte(0x4016, 0);
    }
    // `count` reads of a port, bit `bit` of each.
    std::vector<int> Reads(uint16_t port, int count, int bit = 0) {
        std::vector<int> bits;
        for (int i = 0; i < count; ++i) bits.push_back((console().ReadByte(port) >> bit) & 1);
        return bits;
    }
};

struct FakeDevice : InputDevice {
    int* destroyed = nullptr;
    explicit FakeDevice(uint32_t kind = kDeviceNone, int* counter = nullptr) : InputDevice(kind), destroyed(counter) {}
    ~FakeDevice() override {
        if (destroyed) ++*destroyed;
    }
};

TEST(StandardPad, ShiftsOutEightButtonsAFirstThenOnes) {
    struct Case {
        std::vector<int> keys;  // held virtual keys (default key set 1)
        std::vector<int> bits;  // A, B, Select, Start, Up, Down, Left, Right
    };
    const Case cases[] = {
        {{}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {{'X'}, {1, 0, 0, 0, 0, 0, 0, 0}},
        {{'Z', 113}, {0, 1, 1, 0, 0, 0, 0, 0}},  // B, Select (F2)
        {{112, 38, 37}, {0, 0, 0, 1, 1, 0, 1, 0}},  // Start (F1), Up, Left
        {{40, 39}, {0, 0, 0, 0, 0, 1, 0, 1}},       // Down, Right
    };
    for (const Case& c : cases) {
        PadFixture f;
        for (int key : c.keys) f.host().keysDown[key] = true;
        f.Frame();
        f.Strobe();
        std::vector<int> expected = c.bits;
        expected.insert(expected.end(), {1, 1, 1});  // the register is empty after eight reads
        EXPECT_EQ(f.Reads(0x4016, 11), expected);
        EXPECT_EQ(f.Reads(0x4017, 9), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1})) << "pad 2 is idle";
    }
}

TEST(StandardPad, HeldStrobeReturnsAAndTheFallingWriteRewinds) {
    PadFixture f;
    f.host().keysDown['X'] = true;
    f.host().keysDown['Z'] = true;
    f.Frame();
    f.console().WriteByte(0x4016, 1);
    EXPECT_EQ(f.Reads(0x4016, 4), (std::vector<int>{1, 1, 1, 1}));
    f.console().WriteByte(0x4016, 0);
    EXPECT_EQ(f.Reads(0x4016, 3), (std::vector<int>{1, 1, 0}));  // A, B, Select: A was not consumed
    // A second 0 without a strobe in between does not rewind.
    f.console().WriteByte(0x4016, 0);
    EXPECT_EQ(f.Reads(0x4016, 1), (std::vector<int>{0}));
}

TEST(StandardPad, DefaultKeySetTwoDrivesPadTwoOnTheSecondPort) {
    struct Case {
        int key;
        int button;
    };
    const Case cases[] = {{96, kPadA},      {97, kPadB},    {120, kPadSelect}, {121, kPadStart},
                          {104, kPadUp},    {98, kPadDown}, {100, kPadLeft},   {102, kPadRight}};
    for (const Case& c : cases) {
        PadFixture f;
        f.host().keysDown[c.key] = true;
        f.Frame();
        f.Strobe();
        std::vector<int> expected(8, 0);
        expected[c.button] = 1;
        EXPECT_EQ(f.Reads(0x4017, 8), expected) << c.key;
        EXPECT_EQ(f.Reads(0x4016, 8), std::vector<int>(8, 0)) << c.key;
        EXPECT_EQ(f.input.pads[1]->IsPad2StartDown(), c.button == kPadStart);
    }
}

TEST(StandardPad, ExternalPadsAnswerOnBitOneOnlyWhenAssigned) {
    PadFixture silent(kExtExternalPads);
    silent.host().keysDown['X'] = true;
    silent.host().keysDown[96] = true;
    silent.Frame();
    silent.Strobe();
    EXPECT_EQ(silent.Reads(0x4016, 8, 1), std::vector<int>(8, 0));
    EXPECT_EQ(silent.Reads(0x4017, 8, 1), std::vector<int>(8, 0));

    PadFixture f;
    f.config.padKey = {-1, -1, 0, 1};  // pads 3 and 4 take the key sets
    f.input.RebuildDevices(kExtExternalPads);
    f.host().keysDown['Z'] = true;  // key set 1 B
    f.host().keysDown[104] = true;  // key set 2 Up
    f.Frame();
    f.Strobe();
    EXPECT_EQ(f.Reads(0x4016, 8, 1), (std::vector<int>{0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f.Reads(0x4017, 8, 1), (std::vector<int>{0, 0, 0, 0, 1, 0, 0, 0}));
    f.Strobe();
    EXPECT_EQ(f.Reads(0x4016, 8, 0), std::vector<int>(8, 0)) << "pad 1 has no input";
}

TEST(InputDeviceList, RebuildOrdersPadsThenExpansionDevices) {
    struct Case {
        int selection;
        std::vector<int> padIndexes;
        int stored;
    };
    const Case cases[] = {{0, {0, 1}, 0}, {4, {0, 1, 2, 3}, 4}, {9, {0, 1}, 9}, {10, {0, 1}, 10}, {11, {0, 1}, 0},
                          {-3, {0, 1}, 0}};
    for (const Case& c : cases) {
        PadFixture f(c.selection);
        std::vector<int> indexes;
        for (auto& device : f.console().devices) {
            ASSERT_EQ(device->kind, kDeviceStandardPad);
            indexes.push_back(static_cast<StandardPad&>(*device).Index());
        }
        EXPECT_EQ(indexes, c.padIndexes) << c.selection;
        EXPECT_EQ(f.console().machine.extDeviceSelection, c.stored);
        EXPECT_EQ(f.input.pads[0], &f.console().devices[0]);
        EXPECT_EQ(f.input.pads[1], &f.console().devices[1]);
    }
}

TEST(InputDeviceList, RebuildLosesTheStrobeAndReadPosition) {
    PadFixture f;
    f.host().keysDown['Z'] = true;
    f.Frame();
    f.Strobe();
    f.Reads(0x4016, 1);
    f.input.RebuildDevices(0);
    f.Frame();
    EXPECT_EQ(f.Reads(0x4016, 2), (std::vector<int>{0, 1})) << "position back at A";
}

TEST(InputDeviceList, SeventeenthDeviceIsFatal) {
    PadFixture f;
    for (int i = 2; i < kMaxInputDevices; ++i) ASSERT_NE(f.input.Register(std::make_unique<FakeDevice>()), nullptr);
    EXPECT_TRUE(f.host().messages.empty());
    int destroyed = 0;
    EXPECT_EQ(f.input.Register(std::make_unique<FakeDevice>(kDeviceNone, &destroyed)), nullptr);
    ASSERT_EQ(f.host().messages.size(), 1u);
    EXPECT_EQ(f.host().messages[0].text, "Fatal Error:TExpand Class overflow");
    EXPECT_EQ(f.host().messages[0].kind, MessageKind::Error);
    EXPECT_EQ(f.host().exitCode, -1);
    EXPECT_EQ(f.console().devices.Count(), kMaxInputDevices);
    EXPECT_EQ(destroyed, 1);
}

TEST(InputDeviceList, RemovalKeepsOrderAndAnUnlistedDeviceIsFatal) {
    PadFixture f;
    int destroyed = 0;
    InputDevice* gun = f.input.Register(std::make_unique<FakeDevice>(kDeviceOpticalGun, &destroyed));
    f.input.Register(std::make_unique<FakeDevice>(kDeviceArkanoidPaddle));
    EXPECT_EQ(f.console().devices.Find(kDeviceOpticalGun), 2);
    f.input.Unregister(f.input.pads[0]);
    EXPECT_EQ(f.input.pads[0], nullptr);
    EXPECT_EQ(f.console().devices.Find(kDeviceOpticalGun), 1);
    EXPECT_EQ(f.console().devices.Find(kDeviceArkanoidPaddle), 2);
    f.input.Unregister(gun);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(f.console().devices.Find(kDeviceOpticalGun), -1);
    EXPECT_TRUE(f.host().messages.empty());

    FakeDevice stranger;
    f.input.Unregister(&stranger);
    ASSERT_EQ(f.host().messages.size(), 1u);
    EXPECT_EQ(f.host().messages[0].text, "Fatal Error:TExpand Class overflow");
    EXPECT_EQ(f.host().exitCode, -1);
}

// The Detail button makes the selection's devices and destroys them again;
// for the external pads that is two pads, and none may stay behind.
TEST(InputDeviceList, DetailButtonLeavesTheListAsItWas) {
    PadFixture f;
    for (int press = 0; press < 20; ++press) EXPECT_FALSE(f.input.ShowExtDeviceSettings(kExtExternalPads));
    EXPECT_EQ(f.console().devices.Count(), 2);
    EXPECT_TRUE(f.host().messages.empty());
}

struct RecordingHook : PadMovieHook {
    std::vector<std::pair<int, PadButtons>> seen;
    void PadFrame(int padIndex, PadButtons& buttons) override {
        seen.emplace_back(padIndex, buttons);
        if (padIndex == 1) buttons = {1, 0, 0, 0, 0, 0, 0, 0};  // a replayed A
    }
};

TEST(StandardPad, MovieLayerSeesAndOverridesEachPad) {
    PadFixture f;
    RecordingHook hook;
    f.input.movie = &hook;
    f.host().keysDown['Z'] = true;
    f.Frame();
    ASSERT_EQ(hook.seen.size(), 2u);
    EXPECT_EQ(hook.seen[0], std::make_pair(0, PadButtons{0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(hook.seen[1].first, 1);
    f.Strobe();
    EXPECT_EQ(f.Reads(0x4017, 2), (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace korvanta
