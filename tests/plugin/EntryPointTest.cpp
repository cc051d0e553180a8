#include "DynamicLibrary.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {
struct LoadedModule {
    void* handle;
    ~LoadedModule()
    {
        if (handle)
            DynamicLibrary::close(handle);
    }
};
} // namespace

TEST(EntryPoint, ModuleExportsTheThreeEntryNames)
{
    std::string reason;
    LoadedModule module{DynamicLibrary::open(VESK_MODULE_PATH, reason)};
    ASSERT_TRUE(module.handle) << reason;
    void* vstPluginMain = DynamicLibrary::symbol(module.handle, "VSTPluginMain");
    ASSERT_TRUE(vstPluginMain);
    EXPECT_TRUE(DynamicLibrary::symbol(module.handle, "main"));
    EXPECT_TRUE(DynamicLibrary::symbol(module.handle, "Main"));
}

TEST(EntryPoint, DeclaresAStereoSynthWithChunks)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    const AEffect* effect = host->effect();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, vstFourCC('Q', 'Z', 'R', 'T'));
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->numPrograms, 384);
    EXPECT_EQ(effect->numParams, 111);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_FLOAT_EQ(effect->ioRatio, 1.0f);
    EXPECT_TRUE(effect->flags & effFlagsCanReplacing);
    EXPECT_TRUE(effect->flags & effFlagsProgramChunks);
    EXPECT_TRUE(effect->flags & effFlagsIsSynth);
    EXPECT_FALSE(effect->flags & effFlagsCanDoubleReplacing);
    EXPECT_FALSE(effect->flags & effFlagsNoSoundInStop);
    EXPECT_EQ(bool(effect->flags & effFlagsHasEditor), bool(VESK_WITH_EDITOR));
}
