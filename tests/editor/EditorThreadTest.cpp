// Hosts call setParameter from any thread, the audio thread included, while
// the editor idles and draws on the UI thread.
#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(EditorThreads, ParameterChangesFromAnotherThreadWhileTheEditorDrawsAreSafe)
{
    EditorRig rig;
    std::atomic<bool> done{false};
    std::thread automation([&] {
        for (int32_t round = 0; round < 20000; ++round) {
            const float value = float(round % 100) / 100.0f;
            rig.synth->setParameter(28, value);
            rig.synth->setParameter(74, value);
            rig.synth->setParameter(346, value);
        }
        done = true;
    });
    while (!done) {
        rig.editor().idle();
        rig.frame().invalidRect(rig.frame().getViewSize());
    }
    automation.join();
    rig.synth->setParameter(28, 0.25f);
    rig.editor().idle();
    EXPECT_FLOAT_EQ(rig.editor().getControl(28)->getValue(), 0.25f);
}
