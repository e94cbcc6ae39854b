// Autoshot, joysticks with their centre rule, key names and key messages.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "input/input_system.h"
#include "input/key_name.h"
#include "input/standard_pad.h"
#include "test_support.h"

namespace korvanta {
namespace {

using test::FlatConsole;
using test::ProgramAt8000;

struct InputFixture {
    FlatConsole flat{ProgramAt8000({})};
    KeyConfig config;
    InputSystem input{flat.console, config};

    HeadlessHost& host() { return flat.host; }
    void Frame() {
        input.PollKeySets();
        input.UpdateDevices();
    }
    // One button of a pad over a run of frames.
    std::vector<int> Frames(int count, int pad, int button) {
        std::vector<int> states;
        for (int i = 0; i < count; ++i) {
            Frame();
            states.push_back(input.pads[pad]->Buttons()[button]);
        }
        return states;
    }
    HeadlessHost::Joystick& AddJoystick(int32_t min, int32_t max) {
        HeadlessHost::Joystick joystick;
        joystick.caps = {min, max, min, max};
        joystick.position = {(min + max) / 2, (min + max) / 2, 0};
        host().joysticks.push_back(joystick);
        return host().joysticks.back();
    }
};

TEST(Autoshot, KeySetAtBothSpeeds) {
    struct Case {
        int speed;
        std::vector<int> a;
    };
    const Case cases[] = {
        {kAutoshotMaxSpeed, {0, 1, 0, 1, 0, 1, 0, 1}},
        {kAutoshotLowSpeed, {0, 0, 1, 1, 0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        InputFixture f;
        f.config.autoshot[kAutoshotKeySet1][kPadA] = true;
        f.config.autoshotSpeed = c.speed;
        f.input.RebuildDevices(0);
        f.host().keysDown['X'] = true;
        f.host().keysDown['Z'] = true;
        std::vector<int> a, b;
        for (int i = 0; i < 8; ++i) {
            f.Frame();
            a.push_back(f.input.pads[0]->Buttons()[kPadA]);
            b.push_back(f.input.pads[0]->Buttons()[kPadB]);
        }
        EXPECT_EQ(a, c.a) << c.speed;
        EXPECT_EQ(b, std::vector<int>(8, 1)) << "B has no autoshot";
    }
}

// A key set shared by two pads advances its clock once per pad, so at the
// maximum speed the first pad always meets the "off" phase.
TEST(Autoshot, SharedKeySetAdvancesTwicePerFrame) {
    InputFixture f;
    f.config.padKey = {0, 0, -1, -1};
    f.config.padJoy = {-1, -1, -1, -1};
    f.config.autoshot[kAutoshotKeySet1][kPadA] = true;
    f.input.RebuildDevices(0);
    f.host().keysDown['X'] = true;
    std::vector<int> pad1, pad2;
    for (int i = 0; i < 4; ++i) {
        f.Frame();
        pad1.push_back(f.input.pads[0]->Buttons()[kPadA]);
        pad2.push_back(f.input.pads[1]->Buttons()[kPadA]);
    }
    EXPECT_EQ(pad1, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(pad2, (std::vector<int>{1, 1, 1, 1}));
}

TEST(Autoshot, JoystickStartsOnAndAFailedPollDoesNotAdvance) {
    InputFixture f;
    auto& stick = f.AddJoystick(0, 1000);
    stick.position.buttons = 2;  // Joy1A
    f.config.autoshot[kAutoshotJoystick1][kPadA] = true;
    f.input.RebuildDevices(0);
    EXPECT_EQ(f.Frames(2, 0, kPadA), (std::vector<int>{1, 0}));
    f.host().joysticks[0].readFail = true;
    EXPECT_EQ(f.Frames(2, 0, kPadA), (std::vector<int>{0, 0})) << "the last (cleared) buttons remain";
    f.host().joysticks[0].readFail = false;
    EXPECT_EQ(f.Frames(3, 0, kPadA), (std::vector<int>{1, 0, 1}));
}

TEST(Joystick, CentreRuleOnBothAxes) {
    struct Case {
        int32_t calibration;  // CalibrateX0 and CalibrateY0; 0 is half the range
        int32_t relative;     // position minus the axis minimum
        int low, high;        // Left/Up, Right/Down
    };
    // Axis 100..1100: range 1000, default centre 500, so below 250 is low
    // and above 666 (4 x 500 / 3) is high.
    const Case cases[] = {
        {0, 500, 0, 0}, {0, 250, 0, 0}, {0, 249, 1, 0}, {0, 0, 1, 0},     {0, 666, 0, 0},
        {0, 667, 0, 1}, {0, 1000, 0, 1}, {300, 149, 1, 0}, {300, 150, 0, 0}, {300, 401, 0, 1},
    };
    for (const Case& c : cases) {
        InputFixture f;
        ProfileFile settings;
        settings.SetInt("JoyDevice", "CalibrateX0", c.calibration);
        settings.SetInt("JoyDevice", "CalibrateY0", c.calibration);
        f.input.settings = &settings;
        auto& stick = f.AddJoystick(100, 1100);
        stick.position = {100 + c.relative, 100 + c.relative, 0};
        f.input.RebuildDevices(0);
        f.Frame();
        const PadButtons& b = f.input.pads[0]->Buttons();
        EXPECT_EQ(b[kPadLeft], c.low) << c.calibration << " " << c.relative;
        EXPECT_EQ(b[kPadRight], c.high) << c.calibration << " " << c.relative;
        EXPECT_EQ(b[kPadUp], c.low) << c.calibration << " " << c.relative;
        EXPECT_EQ(b[kPadDown], c.high) << c.calibration << " " << c.relative;
    }
}

TEST(Joystick, ButtonMasksFollowTheConfiguration) {
    struct Case {
        uint32_t pressed;
        PadButtons expected;
    };
    const Case cases[] = {
        {2, {1, 0, 0, 0, 0, 0, 0, 0}},  {1, {0, 1, 0, 0, 0, 0, 0, 0}}, {4, {0, 0, 1, 0, 0, 0, 0, 0}},
        {8, {0, 0, 0, 1, 0, 0, 0, 0}},  {16, {0, 0, 0, 0, 0, 0, 0, 0}}, {15, {1, 1, 1, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        InputFixture f;
        f.AddJoystick(0, 65535).position.buttons = c.pressed;
        f.input.RebuildDevices(0);
        f.Frame();
        EXPECT_EQ(f.input.pads[0]->Buttons(), c.expected) << c.pressed;
    }
    InputFixture f;
    f.AddJoystick(0, 65535).position.buttons = 16;
    f.config.joyButtons[0][kPadStart] = 16 | 32;
    f.input.RebuildDevices(0);
    f.Frame();
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadStart], 1);
}

TEST(Joystick, FailuresKeepTheLastValuesOrLeaveOnlyTheKeys) {
    InputFixture f;
    auto& stick = f.AddJoystick(0, 1000);
    stick.position = {0, 500, 0};
    f.input.RebuildDevices(0);
    ASSERT_NE(f.input.joysticks[0], nullptr);
    EXPECT_EQ(f.input.joysticks[1], nullptr) << "joystick 2 is absent";
    f.Frame();
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadLeft], 1);
    f.host().joysticks[0].readFail = true;
    f.host().joysticks[0].position = {1000, 500, 0};
    f.Frame();
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadLeft], 1);
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadRight], 0);

    // Pad 2 names the missing joystick 2 and gets its key set only.
    f.host().keysDown[96] = true;
    f.Frame();
    EXPECT_EQ(f.input.pads[1]->Buttons(), (PadButtons{1, 0, 0, 0, 0, 0, 0, 0}));

    // A joystick whose limits cannot be read is no joystick; one that never
    // answers stands at the centre.
    InputFixture g;
    g.AddJoystick(0, 1000).capsFail = true;
    g.AddJoystick(0, 1000).readFail = true;
    g.input.RebuildDevices(0);
    EXPECT_EQ(g.input.joysticks[0], nullptr);
    ASSERT_NE(g.input.joysticks[1], nullptr);
    g.Frame();
    EXPECT_EQ(g.input.pads[1]->Buttons(), PadButtons{});
}

TEST(Joystick, CalibrationTakesThePositionAndWritesItAtOnce) {
    InputFixture f;
    ProfileFile settings;
    f.input.settings = &settings;
    auto& stick = f.AddJoystick(100, 1100);
    f.input.RebuildDevices(0);
    stick.position = {400, 700, 0};
    f.input.CalibrateJoysticks();
    EXPECT_EQ(settings.GetInt("JoyDevice", "CalibrateX0", -5), 300);
    EXPECT_EQ(settings.GetInt("JoyDevice", "CalibrateY0", -5), 600);
    EXPECT_FALSE(settings.Find("JoyDevice", "CalibrateX1")) << "joystick 2 is absent";
    // Now 300, 600 is the centre: 149 relative is left, 801 down.
    stick.position = {100 + 149, 100 + 801, 0};
    f.input.RebuildDevices(0);
    f.Frame();
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadLeft], 1);
    EXPECT_EQ(f.input.pads[0]->Buttons()[kPadDown], 1);
}

TEST(KeyName, NamedCodesCharactersAndUnknown) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "Unknown"},    {1, "LBUTTON"},   {16, "SHIFT"},    {32, "SPACE"},    {47, "HELP"},
        {48, "0"},         {65, "A"},        {90, "Z"},        {94, "^"},        {96, "NUMPAD0"},
        {105, "NUMPAD9"},  {111, "DIVIDE"},  {112, "F1"},      {135, "F24"},     {136, "Unknown"},
        {192, "@"},        {220, "\\"},      {222, "^"},       {240, "CAPS LOCK"}, {254, "OEM_CLEAR"},
        {255, "Unknown"},  {256 + 38, "UP"}, {256 + 65, "Unknown"}, {-1, "Unknown"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(KeyName(code), name) << code;
}

TEST(InputState, KeyMessagesFillTheKeyDownTable) {
    InputState state;
    state.NoteKeyMessage(KeyMessage::Down, 'Q');
    state.NoteKeyMessage(KeyMessage::Down, 255);
    state.NoteKeyMessage(KeyMessage::Down, 256);
    state.NoteKeyMessage(KeyMessage::Down, -1);
    EXPECT_EQ(state.keyDown['Q'], 1);
    EXPECT_EQ(state.keyDown[255], 1);
    state.NoteKeyMessage(KeyMessage::Up, 'Q');
    EXPECT_EQ(state.keyDown['Q'], 0);
}

}  // namespace
}  // namespace korvanta
