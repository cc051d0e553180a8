// Run under ThreadSanitizer by scripts/test.sh.
#include "ControllerRig.h"

#include <atomic>
#include <thread>

// Two instances echo editor moves on two threads at once: each host receives
// exactly its own instance's controllers and values, in order.
TEST_F(ControllerTest, ConcurrentEchoesOfTwoInstancesStayApart)
{
    ControllerRig volume, cutoff;
    auto move = [](ControllerRig* rig, VstInt32 param) {
        for (int i = 0; i < 2000; ++i)
            rig->synth->setParameterAutomated(param, (i % 128) / 127.0f);
    };
    std::thread first(move, &volume, 74), second(move, &cutoff, 28);
    first.join();
    second.join();
    for (auto [rig, controller] : {std::pair{&volume, 111}, {&cutoff, 74}}) {
        const std::vector<MidiMessage> echoed = rig->takeEchoed();
        ASSERT_EQ(echoed.size(), 2000u);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(echoed[i], cc(uint8_t(controller), uint8_t(i % 128))) << i;
    }
}

// The audio thread learns while the editor arms, forgets and reads the echo:
// afterwards each parameter echoes the highest of its controllers 0..126.
TEST_F(ControllerTest, ConcurrentLearningAndForgettingKeepTheEchoTrue)
{
    ControllerRig rig;
    const ControllerMap& map = rig.synth->getControllerMap();
    std::atomic<bool> running{true};
    std::thread audio([&] {
        for (uint8_t i = 0; running; ++i)
            rig.play({cc(20 + i % 8, 64)});
    });
    for (int i = 0; i < 500; ++i, std::this_thread::yield()) {
        rig.synth->midiLearn(29 + i % 3);
        map.controllerFor(29 + i % 3);
        if (i % 5 == 0)
            rig.synth->midiForget(29 + (i + 1) % 3);
    }
    running = false;
    audio.join();
    for (int32_t param = 0; param < ControllerMap::kAssignableParams; ++param) {
        int32_t highest = -1;
        for (int controller = 0; controller < ControllerMap::kMappedControllers; ++controller)
            highest = map.parameterFor(controller) == param ? controller : highest;
        EXPECT_EQ(map.controllerFor(param), highest) << param;
    }
}
