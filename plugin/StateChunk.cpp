#include "StateChunk.h"

#include <cstring>

bool isRestorableChunk(const void* data, size_t size)
{
    if (!data || size != kStateChunkSize)
        return false;
    ChunkHeader header;
    memcpy(&header, data, sizeof(header));
    return header.paramsPerRecord == ParamIndex::kNumProgramParams && header.recordCount == kProgramsPerBank &&
           header.bankIndex >= 0 && header.bankIndex < kNumBanks && header.poly >= 8 && header.poly <= 72 &&
           header.currentProgram >= 0 && header.currentProgram < kNumPrograms;
}

const ProgramRecord* currentRecordOf(const StateChunk& chunk)
{
    int32_t slot = chunk.header.currentProgram - chunk.header.bankIndex * kProgramsPerBank;
    return slot >= 0 && slot < kProgramsPerBank ? &chunk.records[slot] : nullptr;
}
