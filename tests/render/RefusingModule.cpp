// A module whose entry point declines to create a plug-in, as real plug-ins
// do when the host does not suit them.
#include "VstAbi.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback /*host*/)
{
    return nullptr;
}
