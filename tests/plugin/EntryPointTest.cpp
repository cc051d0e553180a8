#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {
struct DlHandle {
    void* handle;
    ~DlHandle()
    {
        if (handle)
            dlclose(handle);
    }
};
} // namespace

TEST(EntryPoint, ModuleExportsTheThreeEntryNames)
{
    DlHandle module{dlopen(VESK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)};
    ASSERT_TRUE(module.handle) << dlerror();
    void* vstPluginMain = dlsym(module.handle, "VSTPluginMain");
    ASSERT_TRUE(vstPluginMain);
    EXPECT_TRUE(dlsym(module.handle, "main"));
    EXPECT_TRUE(dlsym(module.handle, "Main"));
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
    EXPECT_TRUE(effect->flags & effFlagsHasEditor);
}
