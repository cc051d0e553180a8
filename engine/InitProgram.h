// The plain, playable starting point: the factory library's "Init" program
// and the base every other program of the library starts from.
#pragma once

#include "ProgramRecord.h"

// Fills `record` with the "Init" program: two saws, open filter, a sustaining
// amplifier, every effect off and the default effect order 0..5.
void fillInitProgram(ProgramRecord& record);
