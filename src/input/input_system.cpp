#include "input/input_system.h"

#include "app/settings.h"
#include "app/strings.h"
#include "core/console.h"
#include "input/ext_devices.h"
#include "input/standard_pad.h"

namespace korvanta {

InputSystem::InputSystem(Console& consoleRef, KeyConfig& configRef) : console(consoleRef), config(configRef) {}

InputSystem::~InputSystem() { DestroyDevices(); }

void InputSystem::Fatal() {
    ShowStringMessage(console.host, MessageKind::Error, kStrDeviceListOverflow);
    console.host.Exit(-1);
}

InputDevice* InputSystem::Register(std::unique_ptr<InputDevice> device) {
    InputDevice* raw = device.get();
    if (!console.devices.Add(std::move(device))) {
        Fatal();
        return nullptr;
    }
    return raw;
}

void InputSystem::Unregister(InputDevice* device) {
    for (StandardPad*& pad : pads)
        if (pad == device) pad = nullptr;
    if (!console.devices.Remove(device)) Fatal();
}

void InputSystem::DestroyDevices() {
    pads.fill(nullptr);
    console.devices.Clear();
    joysticks[1].reset();
    joysticks[0].reset();
}

void InputSystem::CreateJoystickReaders() {
    for (int number = 0; number < 2; ++number) {
        JoystickCalibration centre;
        if (settings) centre.Read(*settings, number);
        joysticks[number] = JoystickReader::Create(console.host, number, centre);
    }
}

void InputSystem::RebuildDevices(int selection) {
    if (selection < 0 || selection >= kExtDeviceSelections) selection = 0;
    console.machine.extDeviceSelection = static_cast<uint16_t>(selection);
    DestroyDevices();
    CreateJoystickReaders();
    for (int index = 0; index < 2; ++index)
        pads[index] = static_cast<StandardPad*>(Register(std::make_unique<StandardPad>(*this, index)));
    CreateExtDevice(selection);
    for (auto& device : console.devices) device->Rebind();
}

InputDevice* InputSystem::CreateExtDevice(int selection) { return MakeExtDevices(*this, selection); }

bool InputSystem::ShowExtDeviceSettings(int selection) {
    // Everything the selection adds goes again, not only the device that
    // shows the settings: selection 4 adds two pads, and a pad left behind
    // would answer the ports and, button press by button press, fill the list.
    int before = console.devices.Count();
    InputDevice* device = CreateExtDevice(selection);
    bool shown = device && device->ShowSettings(console.host);
    while (console.devices.Count() > before) Unregister(&console.devices[console.devices.Count() - 1]);
    return shown;
}

void InputSystem::PollKeySets() { state.PollKeySets(console.host, config); }

void InputSystem::UpdateDevices() {
    for (auto& device : console.devices) device->FrameUpdate();
}

void InputSystem::CalibrateJoysticks() {
    for (int number = 0; number < 2; ++number) {
        JoystickReader* reader = joysticks[number].get();
        if (!reader || !reader->Calibrate()) continue;
        if (settings) reader->Centre().Write(*settings, number);
    }
}

}  // namespace korvanta
