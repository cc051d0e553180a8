// The editor factory of builds without the editor: the plug-in object then
// runs as it does when its editor cannot be made, with no editor flag set.
#include "SynthEditor.h"

std::unique_ptr<SynthEditor> createSynthEditor(VstSynth&) { return nullptr; }
