// The program every bank slot holds until the factory bank is compiled in: a
// plain, playable starting point.
#pragma once

#include "ProgramRecord.h"

// Fills `record` with the "Init" program: two saws, open filter, a sustaining
// amplifier, every effect off and the default effect order 0..5.
void fillInitProgram(ProgramRecord& record);
