// The board for a mapper number: one table from number to board class and
// variant, in mapper_factory.cpp.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "mappers/mapper.h"

namespace korvanta {

// Builds the board for `number` and, on success, replaces the board in
// `slot` (the old one is destroyed after the new one was built, so the new
// constructor's windows stand) and picks a new window icon (not for the Disk
// System). An unsupported number or an allocation failure returns false and
// leaves `slot` as it was; the caller shows string 5 and resets the Machine
// on success.
bool CreateMapper(Console& console, uint32_t number, const MapperConfig& config, std::unique_ptr<Mapper>& slot);

// Whether CreateMapper builds a board for the number (the loaders' pre-check).
bool IsMapperSupported(uint32_t number);

// Every number of the table, supported or not yet, in table order.
std::vector<uint32_t> MapperTableNumbers();

}  // namespace korvanta
