// The menus the editor shows and the codes the slots store must agree.
#include "ModulationVocabulary.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const auto codesOf = [](const auto& menu) {
    std::set<int32_t> codes;
    for (const ModMenuEntry& e : menu)
        codes.insert(e.code);
    return codes;
};

TEST(ModVocabulary, DestinationMenuListsEveryCodeOnceInItsOwnOrder)
{
    const std::set<int32_t> codes = codesOf(kModDestinationMenu);
    EXPECT_EQ(codes.size(), size_t(kModDestinationMenuEntries));
    for (int32_t code = 0; code < kModDestinationCodes; ++code)
        EXPECT_EQ(codes.count(code), code == 40 || code == 56 ? 0u : 1u) << code;
    EXPECT_EQ(modDestinationText(40), modDestinationText(97)); // both unknown: null
    EXPECT_EQ(modDestinationText(40), nullptr);
    EXPECT_STREQ(kModDestinationMenu[0].text, "---");
    EXPECT_STREQ(kModDestinationMenu[1].text, "Osc 1 Semi");
    EXPECT_EQ(kModDestinationMenu[kModDestinationMenuEntries - 1].code, kDestVolume);
    EXPECT_STREQ(modDestinationText(kDestModRelease), "Mod Relase"); // the stored text, misspelt as it is
    int first = 0;
    while (kModDestinationMenu[first].code != kDestMmAmount1)
        ++first;
    for (int n = 0; n < 24; ++n)
        EXPECT_EQ(kModDestinationMenu[first + n].code, kDestMmAmount1 + n);
}

TEST(ModVocabulary, SourceMenuSwapsConstAndRandomAndReversesTheLastFour)
{
    EXPECT_EQ(codesOf(kModSourceMenu).size(), size_t(kModSourceCount));
    EXPECT_STREQ(kModSourceMenu[6].text, "Const");
    EXPECT_EQ(kModSourceMenu[6].code, kSrcConst);
    EXPECT_EQ(kModSourceMenu[7].code, kSrcRandom);
    const int32_t lastFour[] = {kSrcVoiceNumber, kSrcModEnv, kSrcFilterEnv, kSrcAmpEnv};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kModSourceMenu[22 + i].code, lastFour[i]);
    EXPECT_STREQ(modSourceText(kSrcLfo1Wheel + 1), "LFO2*MW");
    EXPECT_EQ(modSourceText(26), nullptr);
    // Unipolar: the wheels, pedals, arp velocity and envelopes.
    const std::set<int32_t> unipolar = {kSrcModWheel, kSrcArpVel, kSrcBreath,    kSrcFoot,
                                        kSrcExpression, kSrcAmpEnv, kSrcFilterEnv, kSrcModEnv};
    for (int32_t code = 1; code < kModSourceCount; ++code)
        EXPECT_EQ(isBipolarSource(code), unipolar.count(code) == 0) << code;
    EXPECT_FALSE(isModSource(kSrcNone));
    EXPECT_FALSE(isModSource(kModSourceCount));
}

TEST(ModVocabulary, VoiceSelectionsReachTheLayersTheyName)
{
    EXPECT_EQ(codesOf(kModVoicesMenu).size(), size_t(kModVoicesMenuEntries));
    EXPECT_EQ(modVoicesMask(0) & 0xFF, 0xFFu);
    EXPECT_EQ(modVoicesMask(8), 0x80u);
    EXPECT_STREQ(modVoicesText(25), "Odd");
    EXPECT_EQ(modVoicesMask(25), 0x55u);
    EXPECT_EQ(modVoicesMask(26), 0xAAu);
    EXPECT_EQ(modVoicesMask(27), 0u);
    EXPECT_EQ(modVoicesMask(255), 0u);
    for (const ModMenuEntry& e : kModVoicesMenu) {
        const std::string text = e.text;
        if (text.find('+') == std::string::npos)
            continue;
        uint32_t named = 0;
        for (char ch : text)
            if (ch >= '1' && ch <= '8')
                named |= 1u << (ch - '1');
        EXPECT_EQ(modVoicesMask(e.code), named) << text;
    }
}

} // namespace
