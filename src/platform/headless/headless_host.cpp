#include "platform/headless/headless_host.h"

#include <cstdio>

namespace korvanta {

bool HeadlessHost::ShowMessage(std::string_view text, MessageKind kind) {
    messages.push_back({std::string(text), kind});
    if (echoToStderr) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    return kind == MessageKind::Question ? answerYes : true;
}

}  // namespace korvanta
