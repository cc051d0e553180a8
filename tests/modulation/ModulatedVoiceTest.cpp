// Stages that must follow what the matrix does to a voice, not the
// unmodulated settings: the follow high-pass, the S+H redraw, the gain ramp.
#include "FilterTypes.h"
#include "Lfo.h"
#include "ModulationRig.h"
#include "VoiceOutput.h"

#include <gtest/gtest.h>

using namespace ParamIndex;

// With oscillator 1's key tracking routed to 0 every note plays the same
// pitch, so the follow high-pass must sit at the same corner for every note.
TEST(ModulatedVoice, FollowHighPassTracksTheOscillatorNotTheKey)
{
    auto levelOf = [](int note) {
        ModulationRig rig;
        rig.set(kFilterType, float(kLowpass12Follow));
        rig.set(kFilterKeytrack, 0.0f);
        rig.set(kOscMix, 0.0f);
        rig.route(1, kSrcConst, 0.0, kDestOsc1KeyTrack);
        rig.noteOn(note);
        return rms(rig.render(16384), 8192, 8192);
    };
    const double low = levelOf(40), high = levelOf(90);
    ASSERT_GT(low, 0.01);
    EXPECT_NEAR(high / low, 1.0, 0.01);
}
