// The note handler's slot choices, by script: settings, the events a block
// hands it, and which pitch each of the first eight slots then holds and
// whether it is released.
#include "NoteHandler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class NoteHandlerTest : public ::testing::Test {
protected:
    // A guard slot right behind the pool shows any write past its end, even
    // without a sanitizer.
    struct Pool {
        VoiceSlot slots[kMaxVoices];
        VoiceSlot guard;
    } pool;
    NoteSettings settings;
    Random15 random;
    NoteHandler notes{pool.slots, settings, random};

    NoteHandlerTest() { std::memset(&pool, 0, sizeof pool); }

    VoiceSlot& slot(int s) { return pool.slots[s]; }
    std::vector<int> activeSlots() const
    {
        std::vector<int> result;
        for (int s = 0; s < kMaxVoices; ++s)
            if (pool.slots[s].active)
                result.push_back(s);
        return result;
    }
};

// on/off a note (to the layers of `mask`), let `value` frames pass, retune
// the mask's layers, toggle Mono Mode, all notes off softly or hard.
enum Kind { kOn, kOff, kAge, kRetune, kMono, kSoftPanic, kHardPanic };
struct Step {
    Kind kind;
    int value = 0;
    int32_t mask = -1;
};

struct Script {
    const char* what;
    int poly, layers;
    bool mono, arp;
    std::vector<Step> steps;
    std::vector<int> semitones; // pitch of the first eight slots; 0 while idle
    std::vector<int> released;
};

const Script kScripts[] = {
    {"nothing released: the oldest note's highest slot goes", 8, 3, false, false,
     {{kOn, 60}, {kAge, 200}, {kOn, 64}, {kAge, 100}, {kOn, 67}},
     {60, 60, 67, 64, 64, 64, 67, 67}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"a released voice goes first even when younger", 8, 3, false, false,
     {{kOn, 60}, {kAge, 200}, {kOn, 64}, {kAge, 100}, {kOn, 67}, {kOff, 64}, {kAge, 1}, {kOn, 69}},
     {60, 60, 67, 69, 69, 69, 67, 67}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"all started in one frame: the last slot, over a voice released in it", 8, 3, false, false,
     {{kOn, 60}, {kOn, 64}, {kOff, 64}, {kOn, 67}},
     {60, 60, 60, 64, 64, 64, 67, 67}, {0, 0, 0, 1, 1, 1, 0, 0}},
    {"layer masks start and release only the layers they address", 12, 4, false, false,
     {{kOn, 60, 0xAA}, {kOn, 62, 0x55}, {kOn, 64}, {kOff, 64, 0x55}},
     {60, 60, 62, 62, 64, 64, 64, 64}, {0, 0, 0, 0, 1, 0, 1, 0}},
    {"a note-off releases every voice of its note, once", 12, 1, false, false,
     {{kOn, 60}, {kOff, 60}, {kOn, 60}, {kOn, 62}, {kOff, 60}, {kOff, 60}, {kOff, 61}},
     {60, 60, 62, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 0, 0}},
    {"a soft all-notes-off releases", 12, 1, false, false,
     {{kOn, 60}, {kOn, 64}, {kSoftPanic}},
     {60, 64, 0, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 0, 0}},
    {"a hard all-notes-off frees every slot", 12, 1, false, false,
     {{kOn, 60}, {kOn, 64}, {kHardPanic}},
     {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"retuning moves the addressed layers", 12, 4, false, false,
     {{kOn, 60}, {kAge, 300}, {kRetune, 55, 0x55}},
     {55, 60, 55, 60, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"mono legato moves the voice and returns to the held key", 12, 2, true, false,
     {{kOn, 60}, {kOn, 64}, {kOff, 64}},
     {60, 60, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"mono: letting go of a key other than the last changes nothing", 12, 2, true, false,
     {{kOn, 60}, {kOn, 64}, {kOff, 60}},
     {64, 64, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"mono: the last key up releases", 12, 2, true, false,
     {{kOn, 60}, {kOn, 64}, {kOff, 60}, {kOff, 64}},
     {64, 64, 0, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 0, 0}},
    {"mono: a new key during the release restarts the voice", 12, 2, true, false,
     {{kOn, 60}, {kOff, 60}, {kOn, 62}},
     {62, 62, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"mono: keys released while poly never pull the voice back", 12, 1, true, false,
     {{kOn, 60}, {kOn, 64}, {kMono}, {kOff, 60}, {kOff, 64}, {kMono}, {kOn, 67}, {kOff, 67}},
     {67, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}},
    {"mono: keys a panic dropped never pull the voice back", 12, 1, true, false,
     {{kOn, 60}, {kOn, 64}, {kHardPanic}, {kOn, 67}, {kOff, 67}},
     {67, 0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0, 0}},
    {"mono with the arpeggiator on plays polyphonically", 12, 2, true, true,
     {{kOn, 60}, {kOn, 64}},
     {60, 60, 64, 64, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
};

TEST_F(NoteHandlerTest, ScriptsLeaveTheSlotsTheyName)
{
    for (const Script& script : kScripts) {
        SCOPED_TRACE(script.what);
        std::memset(&pool, 0, sizeof pool);
        NoteHandler notes{pool.slots, settings, random};
        settings.poly = script.poly;
        settings.voicesPerNote = script.layers;
        settings.monoMode = script.mono;
        settings.arpOn = script.arp;
        for (const Step& step : script.steps) {
            switch (step.kind) {
            case kOn: notes.noteOn(step.value, 100, step.mask); break;
            case kOff: notes.noteOff(step.value, 0, step.mask); break;
            case kAge:
                for (VoiceSlot& v : pool.slots)
                    v.age += v.active ? uint32_t(step.value) : 0u;
                break;
            case kRetune: notes.retuneLayers(step.value, step.mask); break;
            case kMono: settings.monoMode = !settings.monoMode; break;
            case kSoftPanic: (void)notes.allNotesOff(false); break;
            case kHardPanic: (void)notes.allNotesOff(true); break;
            }
        }
        std::vector<int> semitones, released;
        for (int s = 0; s < 8; ++s) {
            semitones.push_back(slot(s).active ? int(slot(s).pitch / 128.0f) : 0);
            released.push_back(slot(s).active ? slot(s).released : 0);
        }
        EXPECT_EQ(semitones, script.semitones);
        EXPECT_EQ(released, script.released);
    }
}

TEST_F(NoteHandlerTest, UnsafeInputs_StayInsideTheSlotsAndKeyTables)
{
    notes.noteOn(-1, 200, -1);
    EXPECT_EQ(slot(0).note, 127);
    EXPECT_EQ(slot(0).velocity, 127);
    notes.noteOn(200, -5, -1);
    EXPECT_EQ(slot(1).note, 200 & 0x7F);
    EXPECT_EQ(slot(1).velocity, 0);
    notes.noteOff(-1, 0, -1);
    EXPECT_EQ(slot(0).released, 1);
    notes.retuneLayers(1000, -1);
    notes.setKeyDown(-300, true);
    notes.setKeyDown(1 << 30, false);

    for (int32_t poly : {0, -7, 500}) {
        for (int32_t layers : {0, -3, 99}) {
            settings.poly = poly;
            settings.voicesPerNote = layers;
            notes.reset();
            for (int n = 0; n < 20; ++n)
                notes.noteOn(n, 100, -1);
            const size_t expectedLayers = layers > 8 ? 8 : 1;
            if (poly <= 0)
                EXPECT_EQ(activeSlots(), std::vector<int>{0});
            else
                EXPECT_EQ(activeSlots().size(), std::min<size_t>(kMaxVoices, 20 * expectedLayers));
            settings.monoMode = !settings.monoMode;
            notes.noteOn(90, 100, -1);
            notes.noteOff(90, 0, -1);
            settings.monoMode = false;
        }
    }
    static const unsigned char zeros[sizeof(VoiceSlot)] = {};
    EXPECT_EQ(std::memcmp(&pool.guard, zeros, sizeof zeros), 0) << "a write past the pool";
}

} // namespace
