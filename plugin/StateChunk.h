// The state chunk: the plug-in's whole state as the host stores it in a song,
// and the payload of preset files. Little-endian, fixed size.
#pragma once

#include "ProgramRecord.h"

#include <cstddef>
#include <cstdint>

struct ChunkHeader {
    int32_t paramsPerRecord;    // 329
    int32_t recordCount;        // 128
    int32_t currentProgram;     // 0..383
    int32_t poly;               // 8..72
    int32_t bendUp;             // semitones
    int32_t bendDown;           // semitones
    int32_t formatVersion;      // 16
    int32_t bankIndex;          // 0..2: the bank whose records follow
    int32_t programDataVersion; // scales Volume for old data
    int32_t reserved;           // 0
};

struct StateChunk {
    ChunkHeader header;
    ProgramRecord records[kProgramsPerBank];
};

constexpr int32_t kChunkFormatVersion = 16;
constexpr size_t kStateChunkSize = sizeof(StateChunk);

static_assert(sizeof(ChunkHeader) == 40, "");
static_assert(kStateChunkSize == 235560, "the state chunk is 40 + 128 records");

// True when `data` holds a chunk this plug-in can restore without harm: the
// exact size, the expected counts, and every index in range.
bool isRestorableChunk(const void* data, size_t size);

// The record a program chunk carries (the current program of the saved
// state), or null when the chunk does not include it.
const ProgramRecord* currentRecordOf(const StateChunk& chunk);
