// Only the old `main` entry point, as plug-ins built for older hosts export
// it; a C++ function cannot be named main, hence the assembler label.
#include "TestPlugin.h"

extern "C" __attribute__((visibility("default"))) AEffect* legacyEntry(audioMasterCallback host) __asm__("main");

AEffect* legacyEntry(audioMasterCallback host) { return createTestPlugin(host); }
