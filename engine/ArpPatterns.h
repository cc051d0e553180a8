// The patterns the editor's arpeggiator menu offers, in menu order, as
// complete program records of which only the arpeggiator fields are used
// (loadArpPattern). Compiled at build time from resources/arp/patterns.txt.
#pragma once

#include "ProgramRecord.h"

#include <cstdint>

constexpr int32_t kNumArpPatterns = 21;

extern const ProgramRecord kArpPatterns[];
