// The Konami VRC boards, for the board factory.
#pragma once

#include "mappers/vrc1_vrc3.h"
#include "mappers/vrc2_vrc4.h"
#include "mappers/vrc6.h"
