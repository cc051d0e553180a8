// The bank a new engine starts with: the browser order, names, categories,
// the effect order, and what the library as a whole covers.
#include "Categories.h"
#include "EngineOwner.h"
#include "FactoryBank.h"
#include "ModulationVocabulary.h"
#include "ParamFamilies.h"
#include "Vesk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

using namespace ParamIndex;

namespace {

struct QuietOwner : EngineOwner {
    double hostTempo() const override { return 120.0; }
    bool hostIsMaker() const override { return false; }
    void setParameter(int32_t, float) override {}
    float getParameter(int32_t) const override { return 0.0f; }
    void setEffectOrderSlot(int, int32_t) override {}
};

struct Bank {
    QuietOwner owner;
    Vesk engine{owner};
    const ProgramRecord* programs = engine.programs();
};

bool isEmptyPlace(const ProgramRecord& r) { return std::strncmp(r.name, "-Empty ", 7) == 0; }

int code(float v) { return static_cast<int>(v + 0.0001f); }

TEST(FactoryOrder, NamesCompareByUnsignedBytesWithDashNamesLast)
{
    const struct {
        const char* a;
        const char* b;
    } ascending[] = {{"9 Lives", "Alpha"}, {"Alpha", "alpha"}, {"Zed", "\xC3\x89t\xC3\xA9"},
                     {"Pad", "Pad 2"},     {"zzz", "-Aaa"},   {"\xC3\x89t\xC3\xA9", "-"}};
    for (const auto& c : ascending) {
        EXPECT_TRUE(programNameBefore(c.a, c.b)) << c.a << " < " << c.b;
        EXPECT_FALSE(programNameBefore(c.b, c.a)) << c.b << " < " << c.a;
    }
}

TEST(FactoryOrder, EachRangeIsSortedTheTailKeepsItsOrderAndEveryRecordHasTheDefaultEffectOrder)
{
    Bank bank;
    for (int p = 0; p < kNumPrograms; ++p) {
        const bool startsRange = p % kProgramsPerBank == 0 || p >= kInitProgram;
        if (!startsRange) {
            EXPECT_FALSE(programNameBefore(bank.programs[p].name, bank.programs[p - 1].name)) << p;
        }
        for (int slot = 0; slot < kEffectOrderCount; ++slot)
            EXPECT_EQ(bank.programs[p].params[kEffectOrder + slot], float(slot)) << p;
    }
    EXPECT_STREQ(bank.programs[kInitProgram].name, "Init");
    // The load rules act on the bank only: nothing reached the engine.
    EXPECT_EQ(bank.engine.currentProgram, 0);
}

TEST(FactoryNames, ShortUniqueWithinTheirBankAndDescribed)
{
    Bank bank;
    for (int b = 0; b < kNumBanks; ++b) {
        std::set<std::string> names;
        for (int p = b * kProgramsPerBank; p < (b + 1) * kProgramsPerBank; ++p) {
            const ProgramRecord& r = bank.programs[p];
            EXPECT_LE(strnlen(r.name, sizeof r.name), 23u) << p;
            EXPECT_LT(strnlen(r.description, sizeof r.description), sizeof r.description) << p;
            EXPECT_GT(std::strlen(r.description), 20u) << r.name;
            EXPECT_TRUE(names.insert(r.name).second) << "bank " << b << " repeats " << r.name;
        }
    }
}

TEST(FactoryCategories, TablesEndWithAnEmptyEntryAndCodesNameTheirCategory)
{
    for (const CategoryEntry* table : {kCategoryNames, kCategoryLabels}) {
        for (int k = 0; k < kCategoryCount; ++k)
            EXPECT_TRUE(table[k].code == k && table[k].text[0] != '\0') << k;
        EXPECT_EQ(table[kCategoryCount].text[0], '\0');
    }
    EXPECT_STREQ(categoryName(8.0f), "Pads");
    EXPECT_STREQ(kCategoryLabels[5].text, "Category: Keys");
    EXPECT_STREQ(categoryName(0.0f), "");
    EXPECT_STREQ(categoryName(14.0f), "");
    EXPECT_STREQ(categoryName(NAN), "");

    Bank bank;
    bool padListed = false;
    for (int p = 0; p < kNumPrograms; ++p) {
        const float category = bank.programs[p].params[kPatchCategory];
        const bool plain = isEmptyPlace(bank.programs[p]) || p == kInitProgram;
        EXPECT_EQ(plain, category == 0.0f) << bank.programs[p].name;
        padListed |= category == 8.0f && std::string(categoryName(category)) == "Pads";
    }
    EXPECT_TRUE(padListed);
}

// What the library uses, counted from the data.
struct Coverage {
    std::set<int> shapes[3], waves, fmModes, filters, effects, categories;
    int programs = 0, sync = 0, stacked = 0, monoGlide = 0, modulated = 0, wheel = 0, velocity = 0, touch = 0,
        arpeggiated = 0;
};

Coverage coverageOf(const ProgramRecord* programs)
{
    Coverage c;
    for (int p = 0; p < kNumPrograms; ++p) {
        const float* v = programs[p].params;
        if (isEmptyPlace(programs[p]) || p == kInitProgram)
            continue;
        ++c.programs;
        const bool mixOsc1 = v[kOscMix] < 0.99f, mixOsc2 = v[kOscMix] > 0.01f;
        for (int osc = 0; osc < 2; ++osc) {
            const int shape = int(v[osc ? kOsc2Shape : kOsc1Shape] * 3);
            if (!(osc ? mixOsc2 : mixOsc1))
                continue;
            c.shapes[osc].insert(shape);
            if (shape == 3)
                c.waves.insert(std::min(69, int(v[osc ? kOsc2Wave : kOsc1Wave] * 128 + 0.001f)));
        }
        if (v[kOsc3Level] > 0.0f)
            c.shapes[2].insert(int(v[kOsc3Shape] * 2));
        if (v[kOscFm] > 0.0f)
            c.fmModes.insert(code(v[kFmMode]));
        c.sync += v[kOscSync] > 0.0f;
        c.filters.insert(code(v[kFilterType]));
        for (int k = 0; k < kFxOnCount; ++k)
            if (v[kPhaserOn + k] > 0.0f)
                c.effects.insert(k);
        c.stacked += int(v[kVoices] * 128) / 18 > 0 && v[kVoiceSpread] > 0.0f && v[kVoiceDetune] > 0.0f;
        c.monoGlide += v[kMonoMode] > 0.0f && v[kGlide] > 0.0f;
        c.arpeggiated += v[kArpOn] > 0.0f;
        c.categories.insert(code(v[kPatchCategory]));
        bool routed = false, wheel = false, velocity = false, touch = false;
        for (int slot = 0; slot < 24; ++slot) {
            const int src = code(v[kModSource + slot]);
            if (src == kSrcNone || code(v[kModDestination + slot]) == kDestNone || v[kModAmount + slot] == 0.5f)
                continue;
            routed = true;
            wheel |= src == kSrcModWheel || (src >= kSrcLfo1Wheel && src < kSrcLfo1Wheel + 3);
            velocity |= src == kSrcVelocity;
            touch |= src == kSrcAftertouch || (src >= kSrcLfo1Touch && src < kSrcLfo1Touch + 3);
        }
        c.modulated += routed;
        c.wheel += wheel;
        c.velocity += velocity;
        c.touch += touch;
    }
    return c;
}

TEST(FactoryCoverage, TheLibraryShowsWhatTheEngineCanDo)
{
    Bank bank;
    const Coverage c = coverageOf(bank.programs);
    EXPECT_EQ(c.shapes[0].size() + c.shapes[1].size(), 8u) << "every shape on both oscillators";
    EXPECT_EQ(c.shapes[2].size(), 3u);
    EXPECT_GE(c.waves.size(), 60u) << "most of the 70 waves";
    EXPECT_EQ(c.fmModes.size(), 3u);
    EXPECT_GE(c.sync, 2);
    EXPECT_EQ(c.filters.size(), 18u);
    EXPECT_EQ(c.effects.size(), size_t(kFxOnCount));
    EXPECT_EQ(c.categories.size(), 13u);
    EXPECT_GE(c.stacked, 5);
    EXPECT_GE(c.monoGlide, 5);
    EXPECT_GE(c.arpeggiated, 5);
    // Most programs answer the wheel, velocity and aftertouch through the matrix.
    for (int answering : {c.modulated, c.wheel, c.velocity, c.touch})
        EXPECT_GT(answering * 4, c.programs * 3) << answering << " of " << c.programs;
}

// Near-duplicates: two programs whose sound parameters (0..321) differ by
// more than 0.005 (below one step of the finest stepped parameter, the wave
// number) in fewer than two places.
TEST(FactoryCoverage, NoTwoProgramsAreNearDuplicates)
{
    Bank bank;
    for (int a = 0; a < kNumPrograms; ++a) {
        if (isEmptyPlace(bank.programs[a]))
            continue;
        for (int b = a + 1; b < kNumPrograms; ++b) {
            if (isEmptyPlace(bank.programs[b]))
                continue;
            int differing = 0;
            for (int i = 0; i < kPatchCategory && differing < 2; ++i)
                differing += std::fabs(bank.programs[a].params[i] - bank.programs[b].params[i]) > 0.005f;
            EXPECT_GE(differing, 2) << bank.programs[a].name << " and " << bank.programs[b].name;
        }
    }
}

} // namespace
