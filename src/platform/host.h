// What the emulator takes from the operating system. Every operation has a
// default that does nothing, so a host overrides only what it offers. The
// headless host (tests, command-line runner), the SDL host (Linux program)
// and the Win32 host implement it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace korvanta {

// Message box kinds: the icon and buttons a desktop host shows.
enum class MessageKind { Error, Warning, Information, Question };

class Host {
public:
    virtual ~Host() = default;

    // A modal message box with a text from the string table. Question boxes
    // return true for Yes; the others return true.
    virtual bool ShowMessage(std::string_view text, MessageKind kind) {
        (void)text;
        (void)kind;
        return true;
    }

    // The main window's title.
    virtual void SetWindowTitle(std::string_view title) { (void)title; }
};

}  // namespace korvanta
