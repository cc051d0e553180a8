// The block-rate pass: once per host block, after the voices, the slots
// drive what no single voice owns, the delay's LFO 2 and the controller
// curves. Slots are not limited to layers here.
//
// The sources read as the per-voice pass would read them for voice slot 0,
// without the controller curves: Random, Note #, Velocity, Voice # and the
// envelopes are that slot's, LFO n is the waveform at its phase (times the
// wheel or the aftertouch for the product sources), Arp Note is what the
// voices read, Arp Vel the arpeggiator's last finger value.
#include "Vesk.h"

#include "Lfo.h"
#include "ModulationMatrix.h"
#include "ModulationVocabulary.h"
#include "TempoSync.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kLargestIncrement = 2147483647.0;

} // namespace

void Vesk::updateGlobalModulation()
{
    const VoiceSlot& first = voices[0];
    float lfoValue[kNumLfos];
    for (int32_t k = 0; k < kNumLfos; ++k)
        lfoValue[k] = lfo[k].waveform.reading()[first.lfoPhase[k] >> kLfoReadShift];
    const ModSourceInputs sources{&ctl, nullptr, arp.arpOn ? mod.arpNoteOut : 0.5, arp.lastFinger, &first, lfoValue};

    double rate = lfo[1].lfoRate;
    double depth = 0.0;
    for (int32_t k = ModMatrixState::kSlots - 1; k >= 0; --k) {
        const ModSlot slot = mod.slot[k];
        if (!isModSource(slot.modSource))
            continue;
        const int32_t dest = slot.modDest;
        const bool blockRate = dest == kDestLfo2Rate || dest == kDestLfo2Phase || dest == kDestLfo2FxDelay ||
                               (dest >= kDestWheelCurve && dest <= kDestBreathCurve);
        if (!blockRate)
            continue;
        // No MM Amount pass here: the amounts are the parameters' own.
        const double a = clampTo(slot.modAmount, -1.0, 1.0);
        if (!(a == a))
            continue;
        const double sa = modSourceValue(slot.modSource, sources) * a;
        switch (dest) {
        case kDestLfo2Rate:
            rate += sa;
            break;
        case kDestLfo2Phase:
            // Only a new note restarts the delay's sweep, so held chords keep
            // it running smoothly.
            if (notes.anyNoteSinceBlock)
                fx.delayMod.phase = phaseFromCycles(sa);
            break;
        case kDestLfo2FxDelay:
            depth += a * a * sa * a;
            break;
        default:
            bendControllerCurve(mod.curve[dest - kDestWheelCurve], sa);
            break;
        }
    }

    const float frequency = lfoFrequency(static_cast<float>(rate), lfo[1].lfoSync, owner.hostTempo());
    const double increment = std::rint(static_cast<double>(hzToPhaseInc) * frequency);
    fx.delayMod.increment = static_cast<int32_t>(increment < kLargestIncrement ? increment : kLargestIncrement);
    fx.delayMod.depth = static_cast<float>(depth);
    fx.delayMod.table = lfo[1].waveform.reading();
    notes.anyNoteSinceBlock = false;
}
