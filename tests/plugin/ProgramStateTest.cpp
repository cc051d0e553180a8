#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {
int32_t headerWord(const std::vector<uint8_t>& chunk, size_t offset)
{
    int32_t value;
    memcpy(&value, &chunk[offset], 4);
    return value;
}

std::vector<uint8_t> chunkOf(VstSynth& synth)
{
    void* data = nullptr;
    VstInt32 size = synth.getChunk(&data, false);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

float recordValue(const std::vector<uint8_t>& chunk, int record, int param)
{
    float value;
    memcpy(&value, &chunk[40 + 1840 * record + 512 + 4 * param], 4);
    return value;
}

// Puts a recognisable value into every parameter of every program.
void fillDistinctValues(VstSynth& synth)
{
    for (VstInt32 program = 0; program < 384; program += 1) {
        synth.setProgram(program);
        for (VstInt32 i = 0; i < 329; ++i)
            synth.setParameter(i, static_cast<float>((program * 329 + i) % 1000) / 1000.0f);
        char name[32];
        snprintf(name, sizeof(name), "Program %d", program);
        synth.setProgramName(name);
    }
}
} // namespace

TEST(ProgramSelection, SelectingSetsBankAndReadsBackEffectOrder)
{
    auto synth = makeSynth();
    synth->setProgram(200);
    EXPECT_EQ(synth->getProgram(), 200);
    EXPECT_EQ(synth->getBankIndex(), 1);
    const float order[6] = {5, 4, 3, 2, 1, 0};
    for (int i = 0; i < 6; ++i)
        synth->setParameter(323 + i, order[i]);
    synth->setProgram(200);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(synth->getEffectOrder()[i], static_cast<int32_t>(order[i]));
}

TEST(StateChunk, CarriesTheCurrentBankWithItsHeader)
{
    auto synth = makeSynth();
    fillDistinctValues(*synth);
    synth->setProgram(200);
    std::vector<uint8_t> chunk = chunkOf(*synth);
    ASSERT_EQ(chunk.size(), 235560u);
    EXPECT_EQ(headerWord(chunk, 0), 329);
    EXPECT_EQ(headerWord(chunk, 4), 128);
    EXPECT_EQ(headerWord(chunk, 8), 200);
    EXPECT_EQ(headerWord(chunk, 24), 16);
    EXPECT_EQ(headerWord(chunk, 28), 1);
    EXPECT_EQ(headerWord(chunk, 36), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&chunk[40]), "Program 128");
    EXPECT_STREQ(reinterpret_cast<const char*>(&chunk[40 + 127 * 1840]), "Program 255");
    EXPECT_FLOAT_EQ(recordValue(chunk, 72, 10), static_cast<float>((200 * 329 + 10) % 1000) / 1000.0f);
}

TEST(StateChunk, RoundTripRestoresEveryParameterBitForBit)
{
    auto source = makeSynth();
    fillDistinctValues(*source);
    for (VstInt32 current : {5, 130, 383}) {
        source->setProgram(current);
        std::vector<uint8_t> chunk = chunkOf(*source);
        auto target = makeSynth();
        ASSERT_EQ(target->setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), false), 1);
        EXPECT_EQ(target->getProgram(), current);
        EXPECT_EQ(chunkOf(*target), chunk);
        for (VstInt32 i = 0; i < 329; ++i)
            EXPECT_EQ(target->getParameter(i), source->getParameter(i)) << i;
    }
}

TEST(StateChunk, RefusesMalformedBlocksWithoutChangingAnything)
{
    auto synth = makeSynth();
    fillDistinctValues(*synth);
    synth->setProgram(42);
    const std::vector<uint8_t> good = chunkOf(*synth);
    auto corrupt = [&](size_t offset, int32_t value) {
        std::vector<uint8_t> bad = good;
        memcpy(&bad[offset], &value, 4);
        return bad;
    };
    std::vector<std::vector<uint8_t>> refused = {
        corrupt(0, 328), corrupt(4, 127),  corrupt(8, 384), corrupt(8, -1),  corrupt(12, 7),
        corrupt(12, 73), corrupt(28, 3),   corrupt(28, -1),
    };
    synth->setProgram(17);
    const std::vector<uint8_t> before = chunkOf(*synth);
    for (auto& bad : refused)
        EXPECT_EQ(synth->setChunk(bad.data(), static_cast<VstInt32>(bad.size()), false), 0);
    EXPECT_EQ(synth->setChunk(const_cast<uint8_t*>(good.data()), 1000, false), 0);
    std::vector<uint8_t> longer = good;
    longer.resize(good.size() + 16);
    EXPECT_EQ(synth->setChunk(longer.data(), static_cast<VstInt32>(longer.size()), false), 0);
    EXPECT_EQ(synth->setChunk(nullptr, static_cast<VstInt32>(good.size()), false), 0);
    EXPECT_EQ(synth->getProgram(), 17);
    EXPECT_EQ(chunkOf(*synth), before);
}

TEST(StateChunk, RandomMutationsNeverHarmTheState)
{
    auto synth = makeSynth();
    synth->setProgram(3);
    const std::vector<uint8_t> good = chunkOf(*synth);
    std::mt19937 random(1234);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<uint8_t> mutated = good;
        int flips = 1 + static_cast<int>(random() % 8);
        for (int f = 0; f < flips; ++f)
            mutated[random() % 40] = static_cast<uint8_t>(random());
        size_t size = trial % 5 == 0 ? random() % mutated.size() : mutated.size();
        bool accepted = synth->setChunk(mutated.data(), static_cast<VstInt32>(size), false) == 1;
        int32_t program = headerWord(mutated, 8);
        if (accepted) {
            EXPECT_EQ(synth->getProgram(), program);
            for (VstInt32 i = 0; i < 329; ++i)
                ASSERT_TRUE(std::isfinite(synth->getParameter(i)));
        }
    }
}

TEST(StateChunk, ProgramChunkReplacesOnlyTheCurrentProgram)
{
    auto source = makeSynth();
    fillDistinctValues(*source);
    source->setProgram(9);
    std::vector<uint8_t> chunk = chunkOf(*source);

    auto target = makeSynth();
    target->setProgram(300);
    char otherName[] = "Untouched";
    target->setProgram(301);
    target->setProgramName(otherName);
    target->setProgram(300);
    ASSERT_EQ(target->setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), true), 1);
    EXPECT_EQ(target->getProgram(), 300);
    char name[32];
    target->getProgramName(name);
    EXPECT_STREQ(name, "Program 9");
    EXPECT_EQ(target->getParameter(10), source->getParameter(10));
    target->getProgramNameIndexed(0, 301, name);
    EXPECT_STREQ(name, "Untouched");
}
