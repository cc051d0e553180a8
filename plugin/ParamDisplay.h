// Display texts of the program parameters, as hosts and the editor's value
// pop-up show them. The unit is part of the text.
#pragma once

#include <cstdint>

// Engine state that some texts depend on besides the value itself.
struct DisplayContext {
    bool lfoSync[3];       // per LFO: the rate shows a note length instead of Hz
    int32_t voicesPerNote; // "Voices" shows this count, not its stored value
    int32_t distType;      // odd codes are the high-pass types, whose colour range is lower
};

// Writes the text of `value` for parameter `index` into `text`, which must hold
// kVstMaxParamStrLen (32) bytes; longer texts are cut to fit. Returns false and
// leaves `text` as it was where no text is defined: Arp Rate (71), Arp Length
// (72), whose texts the editor's knobs draw, and indices outside 0..328.
bool formatParamDisplay(int32_t index, float value, const DisplayContext& context, char* text);
