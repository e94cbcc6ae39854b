// The names of virtual-key codes as the key dialog shows them.
#pragma once
#include <cstdint>
#include <string>

namespace korvanta {

// String 10000 + (code mod 256) when the string table has it; otherwise the
// character itself for codes 48 to 127, and string 10000 ("Unknown") for
// any other code.
std::string KeyName(int32_t code);

}  // namespace korvanta
