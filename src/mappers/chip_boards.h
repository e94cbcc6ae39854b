// The boards built around one maker's mapper chip each: Jaleco, Taito,
// Sunsoft and Irem, and the mapper-40 conversion board.
#pragma once

#include "mappers/irem.h"
#include "mappers/jaleco.h"
#include "mappers/mapper40.h"
#include "mappers/sunsoft.h"
#include "mappers/taito.h"
