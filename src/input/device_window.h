// What the expansion-port devices ask of the main window: items in its
// right-click popup menu, the tape file dialogs and the tablet's settings
// dialog. Every operation defaults to doing nothing, so a host without those
// parts of the user interface (tests, the runner) overrides nothing.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace korvanta {

class DeviceWindow {
public:
    virtual ~DeviceWindow() = default;

    // Appends an item with a string-table text to the popup menu; the
    // handler runs when the user picks it. Returns the item's id, or -1 when
    // the registry is full.
    virtual int AddPopupItem(uint32_t textId, std::function<void()> handler) {
        (void)textId;
        (void)handler;
        return -1;
    }
    virtual void RemovePopupItem(int id) { (void)id; }

    // A modal open-file (or, with `save`, save-file) dialog with the filter
    // of string `filterId` ("~"-separated) and, for saving, the default
    // extension. The window sets ModalFlag around it. Empty when cancelled.
    virtual std::string ChooseFile(bool save, uint32_t filterId, const char* defaultExtension) {
        (void)save;
        (void)filterId;
        (void)defaultExtension;
        return {};
    }

    // The Oekakids tablet's dialog 148 showing `mode` (0 faithful, 1 easy):
    // the chosen mode on OK, nothing on Cancel.
    virtual std::optional<int> ShowOekakidsDialog(int mode) {
        (void)mode;
        return std::nullopt;
    }
};

}  // namespace korvanta
