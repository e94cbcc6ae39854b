// A console with its input layer and display for the expansion-device
// tests, and a main window that records what the devices ask of it.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/device_window.h"
#include "input/input_system.h"
#include "test_support.h"
#include "video/display.h"

namespace korvanta::test {

struct RecordingWindow : DeviceWindow {
    std::vector<std::pair<int, uint32_t>> items;  // id, text
    std::vector<std::function<void()>> handlers;
    std::vector<int> removed;
    std::vector<bool> dialogs;  // `save` of each file dialog
    std::string answer;         // the file the user picks
    std::optional<int> oekakidsAnswer;
    int nextId = 1;

    int AddPopupItem(uint32_t textId, std::function<void()> handler) override {
        items.emplace_back(nextId, textId);
        handlers.push_back(std::move(handler));
        return nextId++;
    }
    void RemovePopupItem(int id) override { removed.push_back(id); }
    std::string ChooseFile(bool save, uint32_t filterId, const char* defaultExtension) override {
        EXPECT_EQ(filterId, 53u);
        EXPECT_STREQ(defaultExtension, save ? "wav" : nullptr);
        dialogs.push_back(save);
        return answer;
    }
    std::optional<int> ShowOekakidsDialog(int mode) override {
        (void)mode;
        return oekakidsAnswer;
    }
};

struct ExtFixture {
    FlatConsole flat{ProgramAt8000({})};
    KeyConfig config;
    Display display;
    RecordingWindow window;
    InputSystem input{flat.console, config};

    explicit ExtFixture(int selection) {
        input.display = &display;
        input.window = &window;
        input.RebuildDevices(selection);
    }
    Console& console() { return flat.console; }
    HeadlessHost& host() { return flat.host; }
    // The expansion device (after pads 1 and 2).
    InputDevice& device() { return console().devices[2]; }
    void Hold(int key) { input.NoteKeyMessage(KeyMessage::Down, key); }
    void Release(int key) { input.NoteKeyMessage(KeyMessage::Up, key); }
    void Frame() {
        input.PollKeySets();
        input.UpdateDevices();
    }
};

}  // namespace korvanta::test
