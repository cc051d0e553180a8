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
    EXPECT_EQ(modDestinationText(40), nullptr);
    int first = 0;
    while (kModDestinationMenu[first].code != kDestMmAmount1)
        ++first;
    for (int n = 0; n < 24; ++n)
        EXPECT_EQ(kModDestinationMenu[first + n].code, kDestMmAmount1 + n);
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
