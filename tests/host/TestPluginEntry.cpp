// The current entry-point name.
#include "TestPlugin.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host)
{
    return createTestPlugin(host);
}
