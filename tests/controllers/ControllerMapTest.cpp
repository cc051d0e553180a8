#include "ControllerRig.h"

#include <limits>

// Learning on Filter Resonance passes over controller 1 and takes 21 with its
// value; 21 and the default 42 then both drive it, the higher is echoed, and
// forgetting removes both. Fixed-meaning controllers can be learnt but keep
// their meaning; 127 drives but is neither echoed nor forgotten.
TEST_F(ControllerTest, LearnEchoAndForget)
{
    ControllerRig rig;
    VstSynth& synth = *rig.synth;
    synth.midiLearn(29);
    rig.play({cc(1, 100), cc(21, 90)});
    EXPECT_EQ(synth.getParameter(29), 90 / 127.0f);
    rig.play({cc(42, 42)});
    EXPECT_EQ(synth.getParameter(29), 42 / 127.0f);
    synth.setParameterAutomated(29, 0.5f);
    EXPECT_EQ(rig.takeEchoed(), std::vector<MidiMessage>{cc(42, 63)});
    synth.midiForget(29);
    synth.setParameterAutomated(29, 0.5f);
    rig.play({cc(21, 0), cc(42, 0)});
    EXPECT_EQ(synth.getParameter(29), 0.5f);

    const float offset = synth.getParameter(31);
    for (uint8_t controller : {2, 4, 11, 123, 64}) {
        synth.midiLearn(31);
        rig.play({cc(controller, 127)});
        EXPECT_EQ(synth.getControllerMap().parameterFor(controller), 31);
    }
    EXPECT_EQ(synth.getParameter(31), offset);
    EXPECT_FALSE(synth.getEngine().ctl.sustainPedalUp);

    synth.midiLearn(31);
    rig.play({cc(127, 127)});
    synth.midiForget(31);
    rig.play({cc(127, 64)});
    EXPECT_EQ(synth.getParameter(31), 64 / 127.0f);
    synth.setParameterAutomated(31, 0.5f);
    EXPECT_TRUE(rig.takeEchoed().empty());
}

// Only editor moves echo, with their value limited to a data byte; controller 1
// moves the wheel and mWheel, so the stored program and a sample-rate change
// (which re-applies it) keep the wheel.
TEST_F(ControllerTest, EchoesAndTheWheel)
{
    ControllerRig rig;
    VstSynth& synth = *rig.synth;
    for (auto [value, sent] : {std::pair{0.5f, 63}, {1.0f, 127}, {2.0f, 127}, {-1.0f, 0}}) {
        synth.setParameterAutomated(74, value);
        EXPECT_EQ(rig.takeEchoed(), std::vector<MidiMessage>{cc(111, uint8_t(sent))}) << value;
    }
    synth.setParameterAutomated(74, std::numeric_limits<float>::quiet_NaN());
    synth.setParameterAutomated(9, 0.5f); // Osc 2 Wave has no controller
    synth.setParameter(74, 0.7f);         // host automation
    rig.play({cc(111, 20), cc(1, 127)});
    EXPECT_TRUE(rig.takeEchoed().empty());

    EXPECT_EQ(synth.getParameter(113), 1.0f);
    synth.setSampleRate(48000.0f);
    EXPECT_EQ(synth.getEngine().ctl.modWheel, 1.0);
    synth.midiForget(113);
    rig.play({cc(1, 0)});
    EXPECT_EQ(synth.getEngine().ctl.modWheel, 0.0);
    EXPECT_EQ(synth.getParameter(113), 1.0f);
}

TEST_F(ControllerTest, DefaultMapThroughTheEntryPoint)
{
    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(44100.0f, 64);
    host->sendMidi({cc(74, 64), cc(5, 127)});
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    ASSERT_TRUE(host->process(outputs, 64));
    EXPECT_EQ(host->getParameter(28), 64 / 127.0f) << "Filter Cutoff";
    EXPECT_EQ(host->getParameter(78), 1.0f) << "Glide";
}
