// The factory bank: 384 program records compiled at build time from the
// readable library in resources/factory, and how a new instance takes them.
#pragma once

#include "ProgramRecord.h"

extern const ProgramRecord kFactoryBank[kNumPrograms];

// Copies the factory bank into `bank` (kNumPrograms records), gives every
// record the default effect order and sorts each range of the browser by
// name: records 0..127, 128..255 and 256..372; 373..383 keep their order.
void loadFactoryBank(ProgramRecord* bank);

// The browser's name order: a name starting with '-' after every other one,
// otherwise unsigned bytes up to the first difference.
bool programNameBefore(const char* a, const char* b);

// The plain "Init" program keeps this place: it is the first of the records
// that are not sorted, and tests and tools that want a neutral sound select it.
constexpr int32_t kInitProgram = 373;
