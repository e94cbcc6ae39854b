// Deterministic host for tests and the command-line runner: it records the
// messages it was asked to show and can echo them to standard error.
#pragma once
#include <string>
#include <vector>

#include "platform/host.h"

namespace korvanta {

class HeadlessHost : public Host {
public:
    struct Shown {
        std::string text;
        MessageKind kind;
    };

    bool ShowMessage(std::string_view text, MessageKind kind) override;
    void SetWindowTitle(std::string_view title) override { windowTitle.assign(title); }

    std::vector<Shown> messages;
    std::string windowTitle;
    bool echoToStderr = false;
    bool answerYes = false;  // the answer to Question boxes
};

}  // namespace korvanta
