// One stored program: the same 1840 bytes in memory, in state chunks and in
// preset files (little-endian words; this code only builds for little-endian
// targets).
#pragma once

#include "ParamIndex.h"

#include <cstddef>
#include <cstdint>

constexpr int kNumPrograms = 384;
constexpr int kProgramsPerBank = 128;
constexpr int kNumBanks = kNumPrograms / kProgramsPerBank;

struct ProgramRecord {
    char name[32];         // NUL-terminated
    char description[480]; // NUL-terminated
    float params[ParamIndex::kNumProgramParams];
    uint32_t reserved[3]; // zero
};

static_assert(sizeof(ProgramRecord) == 1840, "a program record is 460 words");
static_assert(offsetof(ProgramRecord, description) == 32, "");
static_assert(offsetof(ProgramRecord, params) == 512, "parameter i sits in word 128 + i");
static_assert(offsetof(ProgramRecord, reserved) == 1828, "");
