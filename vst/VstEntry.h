// The plug-in supplies this; the exported entry point calls it once the host
// has proven to be a VST host.
#pragma once

#include "AudioEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
