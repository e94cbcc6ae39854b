#include "mappers/mapper.h"

#include "app/strings.h"
#include "core/console.h"

namespace korvanta {

Mapper::Mapper(Console& console, const MapperConfig& config) : console_(console) {
    console.host.SetWindowTitle(GetString(kStrWindowTitle));
    watchesControllerPorts = config.vsUnisystem;
}

intptr_t Mapper::Message(uint32_t code, intptr_t argument) {
    (void)code;
    (void)argument;
    return 0;
}

}  // namespace korvanta
