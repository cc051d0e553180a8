// The module's exported entry point, under the three names hosts look up.
#include "VstEntry.h"

#if defined(_WIN32)
// The DLL's export table comes from Vesk.def, which also gives the aliases.
#define VST_EXPORT extern "C"
#else
#define VST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0)
        return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        // Out of memory while building the instance: refuse it rather than
        // let an exception cross into the host.
        return nullptr;
    }
}

#if !defined(_WIN32)
// Older hosts look for `main` (and some for `Main`); a C++ function cannot be
// called main, so these are assembler-level aliases of the same entry.
VST_EXPORT AEffect* vstMainAlias(audioMasterCallback audioMaster) __asm__("main");
VST_EXPORT AEffect* vstMainAliasUpper(audioMasterCallback audioMaster) __asm__("Main");

AEffect* vstMainAlias(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
AEffect* vstMainAliasUpper(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
#endif
