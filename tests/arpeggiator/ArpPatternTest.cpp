// The notes the arpeggiator queues, at their frames, for each mode and the
// timeline's edge cases (steps, ties, rests and gate, swing, one shot, ranges).
#include "ArpTestSupport.h"

#include <gtest/gtest.h>

using namespace ArpModeCode;
using Events = std::vector<ArpEvent>;

TEST(ArpTimeline, StepsRestsTiesGateAndSwingPlaceTheEvents)
{
    struct Row {
        const char* what;
        std::initializer_list<float> steps;
        int32_t gate;
        float swing;
        Events expected; // key 60 held from frame 0, two passes of the steps or 4 steps
    };
    const int32_t s = kStep;
    const Row rows[] = {
        {"one step repeats", {up(0)}, 0, 0.5f, {{true, 60, 0}, {false, 60, s}, {true, 60, s}, {false, 60, 2 * s},
                                                 {true, 60, 2 * s}, {false, 60, 3 * s}, {true, 60, 3 * s}}},
        {"a rest sits at its step start plus the gate", {up(12), kRest}, -10, 0.5f,
         {{true, 72, 0}, {false, 72, s - 100}, {true, 72, 2 * s}, {false, 72, 3 * s - 100}}},
        {"a longer gate", {up(12), kRest}, 5, 0.5f,
         {{true, 72, 0}, {false, 72, s + 50}, {true, 72, 2 * s}, {false, 72, 3 * s + 50}}},
        {"a tie holds, n = 1 plays the key", {up(0), kTie, kRest, up(7)}, 0, 0.5f,
         {{true, 60, 0}, {false, 60, 2 * s}, {true, 67, 3 * s}}},
        {"swing 0.5 shifts nothing", {up(0), up(1), up(2), up(3)}, 0, 0.5f,
         {{true, 60, 0}, {false, 60, s}, {true, 61, s}, {false, 61, 2 * s}, {true, 62, 2 * s},
          {false, 62, 3 * s}, {true, 63, 3 * s}}},
        {"swing 1.0 moves the third step 24 ticks late", {up(0), up(1), up(2), up(3)}, 0, 1.0f,
         {{true, 60, 0}, {false, 60, s}, {true, 61, s}, {false, 61, 2 * s + 240}, {true, 62, 2 * s + 240},
          {false, 62, 3 * s}, {true, 63, 3 * s}}},
    };
    for (const Row& row : rows) {
        ArpRig rig(kSimple, row.steps);
        rig.arp.setGateOffset(row.gate);
        rig.arp.setSwing(row.swing);
        rig.press({60});
        rig.run(4 * kStep - 1);
        EXPECT_EQ(rig.events, row.expected) << row.what;
    }
}

TEST(ArpTimeline, AnEditReachesTheNextPieceWhole)
{
    ArpRig rig(kSimple, {up(0), up(0)});
    rig.press({60});
    rig.run(kStep / 2);
    rig.arp.setStepValue(1, up(5));
    rig.run(kStep);
    EXPECT_EQ(rig.notesPlayed(), (std::vector<int32_t>{60, 65}));
}

TEST(ArpModes, SimpleAndOneShotPlayTheLowestKeyTransposedWithinRange)
{
    for (int32_t key : {0, 127}) {
        ArpRig rig(kSimple, {up(12), up(0)});
        rig.press({key});
        rig.runSteps(2);
        EXPECT_EQ(rig.notesPlayed(), (std::vector<int32_t>{key == 0 ? 12 : 127, key})) << key;
    }
    // One Shot with four steps: four notes, the last ended with its step, then
    // silence until every key is up and one is pressed again.
    ArpRig rig(kOneShot, {up(0), up(3), up(7), up(12)});
    rig.press({48});
    rig.runSteps(8);
    rig.press({52});
    rig.runSteps(4);
    EXPECT_EQ(rig.notesPlayed(), (std::vector<int32_t>{48, 51, 55, 60}));
    EXPECT_EQ(rig.events.back(), (ArpEvent{false, 60, 4 * kStep}));
    rig.release(48);
    rig.release(52);
    rig.press({50});
    rig.runSteps(1);
    EXPECT_EQ(rig.events.back(), (ArpEvent{true, 50, 12 * kStep}));
}

TEST(ArpModes, VoiceModeWalksUpTheHeldKeysAndRestartsEachPass)
{
    ArpRig rig(kVoice2468, {up(0), up(0), kRest, up(12), up(0)});
    rig.press({60, 64, 67});
    rig.runSteps(10);
    EXPECT_EQ(rig.notesPlayed(), (std::vector<int32_t>{60, 64, 79, 60, 60, 64, 79, 60}));
}

TEST(ArpModes, DynamicFingerGroupsPickKeysAboveTheLowest)
{
    ArpRig rig(kDynamic, {up(12), up(12), up(12), up(0)}, {group(1), group(0), group(2), group(1)});
    rig.press({48, 55}, 90);
    rig.runSteps(4);
    EXPECT_EQ(rig.notesPlayed(), (std::vector<int32_t>{67, 60, 60, 55}));
    EXPECT_EQ(rig.velocities[0], 90) << "the lowest key's velocity, unblended";
}

TEST(ArpModes, ChordPlaysTheHeldKeysOnNotesAndReleasesThemOnRests)
{
    ArpRig rig(kChord, {up(12), kRest});
    rig.press({60, 64, 67});
    rig.runSteps(2);
    EXPECT_EQ(rig.events, (Events{{true, 67, 0}, {true, 64, 0}, {true, 60, 0}, {false, 67, kStep},
                                  {false, 64, kStep}, {false, 60, kStep}}));
}

TEST(ArpModes, DuophonicPlaysTwoLinesFromStepsAndFingers)
{
    ArpRig rig(kDuophonic, {up(0), kTie, up(7), kRest}, {up(12), up(19), kTie, kRest});
    rig.press({48});
    rig.runSteps(4);
    EXPECT_EQ(rig.events, (Events{{true, 48, 0}, {true, 60, 0}, {false, 60, kStep}, {true, 67, kStep},
                                  {false, 48, 2 * kStep}, {true, 55, 2 * kStep}, {false, 55, 3 * kStep},
                                  {false, 67, 3 * kStep}}));
    EXPECT_EQ(rig.arp.lastFinger, 0.5f);
}

TEST(ArpModes, ModulationPlaysNothingButUpdatesItsOutputs)
{
    ArpRig rig(kModulation, {up(12), up(3)}, {0.25f, 0.75f});
    rig.press({60});
    rig.run(kStep + 5);
    EXPECT_TRUE(rig.events.empty());
    EXPECT_EQ(rig.arp.noteOutAt(rig.frame - 1), up(3));
    EXPECT_EQ(rig.arp.velOutAt(rig.frame - 1), 0.75f);
    EXPECT_EQ(rig.arp.noteOutAt(rig.frame - 6), up(12)) << "per frame, the value of its step";
}

TEST(ArpModes, VelocityBlendsFromTheKeyToTheFinger)
{
    for (float blend : {0.0f, 0.5f, 1.0f}) {
        ArpRig rig(kSimple, {up(0)}, {0.5f});
        rig.arp.velocityBlend = blend;
        rig.press({60}, 100);
        rig.run(1);
        EXPECT_EQ(rig.velocities.at(0), static_cast<int>(100 * (1 - blend) + blend * 0.5f * 127)) << blend;
    }
}

TEST(ArpStops, ReleasedKeysEndTheNoteAtTheNextEventOrPassAtTheLatest)
{
    ArpRig rig(kSimple, {up(0), up(2)});
    rig.press({60});
    rig.run(kStep / 2);
    rig.release(60);
    rig.runSteps(3);
    EXPECT_EQ(rig.events, (Events{{true, 60, 0}, {false, 60, kStep}}));

    // A pattern turned into a tie while it played: each pass still ends it.
    ArpRig tied(kSimple, {up(4)});
    tied.press({60});
    tied.run(kStep / 2);
    tied.arp.setStepValue(0, kTie);
    tied.release(60);
    tied.runSteps(2);
    EXPECT_EQ(tied.events, (Events{{true, 64, 0}, {false, 64, kStep}}));

    // After all notes off every voice is released: a new start ends nothing
    // old, since a stray note-off would end its own new voice on that note.
    ArpRig duo(kDuophonic, {up(0)}, {up(0)});
    duo.press({60});
    duo.run(10);
    duo.arp.allNotesOff();
    duo.events.clear();
    duo.press({60});
    duo.run(10);
    EXPECT_EQ(duo.events, (Events{{true, 60, 10}, {true, 60, 10}}));
}

TEST(ArpClock, PiecesOfAnySizeGiveTheSameEventsAndATickLengthChangeKeepsThePhase)
{
    Events reference;
    for (int32_t piece : {1, 64, 512, 8192}) {
        ArpRig rig(kSimple, {up(0), up(4), kRest, up(7)});
        rig.press({60});
        rig.run(3 * kStep + 17, piece);
        if (piece == 1)
            reference = rig.events;
        EXPECT_EQ(rig.events, reference) << piece;
    }
    // Half-way through a tick, twice the tick length: the next tick comes
    // half a new tick later, not at once.
    ArpRig rig(kSimple, {up(0), up(4)});
    rig.press({60});
    rig.run(kStep + 5);
    rig.arp.beginPiece(rig.frame, 700, 2 * ArpRig::kTick);
    rig.arp.process(0, 700, rig);
    // Five frames into tick 32 (of 10) become ten of 20; tick 64 then falls
    // on frame 320 + 15 + 31 x 20.
    EXPECT_EQ(rig.events.back(), (ArpEvent{true, 60, kStep + 15 + 31 * 20}));
}
