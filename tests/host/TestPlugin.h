// The test plug-in's factory, shared by the module variants that differ only
// in the entry-point names they export.
#pragma once

#include "VstAbi.h"

AEffect* createTestPlugin(audioMasterCallback host);
