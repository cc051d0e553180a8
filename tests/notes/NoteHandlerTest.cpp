#include "NoteHandler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr float kSemi = 128.0f;

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

    // Stands in for the render: sounding voices grow older.
    void advance(uint32_t frames)
    {
        for (VoiceSlot& v : pool.slots)
            if (v.active)
                v.age += frames;
    }

    // A field of the first eight slots.
    template <typename Field>
    std::vector<int> firstEight(Field field) const
    {
        std::vector<int> result;
        for (int s = 0; s < 8; ++s)
            result.push_back(static_cast<int>(pool.slots[s].*field));
        return result;
    }
    std::vector<int> notesIn() const { return firstEight(&VoiceSlot::note); }
    std::vector<int> releasedFlags() const { return firstEight(&VoiceSlot::released); }

    std::vector<int> activeSlots() const
    {
        std::vector<int> result;
        for (int s = 0; s < kMaxVoices; ++s)
            if (pool.slots[s].active)
                result.push_back(s);
        return result;
    }

};

TEST_F(NoteHandlerTest, Stealing_ThreeVoicesPolyEight_TakesOldestReleasedElseOldestHighestIndex)
{
    settings.poly = 8;
    settings.voicesPerNote = 3;
    notes.noteOn(60, 100, -1);
    advance(200);
    notes.noteOn(64, 100, -1);
    advance(100);
    EXPECT_EQ(activeSlots(), (std::vector<int>{0, 1, 2, 3, 4, 5}));

    // Nothing released: the 60 voices are the oldest, the highest of them goes.
    notes.noteOn(67, 100, -1);
    EXPECT_EQ(notesIn(), (std::vector<int>{60, 60, 67, 64, 64, 64, 67, 67}));
    EXPECT_EQ(slot(2).layer, 2);

    // A released voice goes first even when younger; lowest index on a tie.
    notes.noteOff(64, 0, -1);
    advance(1);
    notes.noteOn(69, 100, -1);
    EXPECT_EQ(notesIn(), (std::vector<int>{60, 60, 67, 69, 69, 69, 67, 67}));
    for (int s = 3; s <= 5; ++s)
        EXPECT_TRUE(slot(s).layer == s - 3 && slot(s).released == 0) << s;

    // Everything started in the same frame: the last slot, even over a
    // voice released in that frame.
    notes.reset();
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    notes.noteOff(64, 0, -1);
    notes.noteOn(67, 100, -1);
    EXPECT_EQ(notesIn(), (std::vector<int>{60, 60, 60, 64, 64, 64, 67, 67}));
    EXPECT_EQ(slot(7).layer, 2);
}

TEST_F(NoteHandlerTest, LayerMask_StartsOnlyAddressedLayers)
{
    settings.voicesPerNote = 4;
    notes.noteOn(60, 100, 0xAA);
    ASSERT_EQ(activeSlots(), (std::vector<int>{0, 1}));
    EXPECT_EQ(slot(0).layer, 1);
    EXPECT_EQ(slot(1).layer, 3);

    notes.noteOn(62, 100, 0x55);
    ASSERT_EQ(activeSlots(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(slot(2).layer, 0);
    EXPECT_EQ(slot(3).layer, 2);

    // A note-off reaches only the layers it addresses.
    notes.noteOn(64, 100, -1);
    notes.noteOff(64, 0, 0x55);
    EXPECT_EQ(releasedFlags(), (std::vector<int>{0, 0, 0, 0, 1, 0, 1, 0}));
}

TEST_F(NoteHandlerTest, StartSlot_ClearsWhatThePreviousVoiceLeftBehind)
{
    settings.poly = 1;
    settings.filterType = 5;
    settings.oscSync = true;
    settings.lfoReset[0] = true;
    settings.lfoReset[2] = true;
    VoiceSlot& v = slot(0);
    v.active = v.released = 1;
    v.age = 9000;
    v.ampStage = v.filterEnvStage = v.modEnvStage = kRelease;
    v.ampLevel = v.syncRing[17] = 0.4f;
    v.prevInc1 = v.prevInc2 = v.prevMix = v.prevFmDepth = v.prevRingMod = v.prevGainL = v.prevGainR =
        v.prevFxShare = v.prevCutoff = v.prevOsc3Level = 3.0f;
    v.lfoPhase[0] = v.lfoPhase[1] = v.lfoPhase[2] = 12345;
    v.syncPos = 9;

    notes.noteOn(61, 90, -1);
    EXPECT_EQ((std::vector<int>{v.active, v.released, int(v.age), v.note, v.velocity, v.voiceFilterType}),
              (std::vector<int>{1, 0, 0, 61, 90, 5}));
    EXPECT_EQ(v.pitch, 61 * kSemi);
    EXPECT_EQ((std::vector<int>{v.ampStage, v.filterEnvStage, v.modEnvStage}), (std::vector<int>(3, kAttack)));
    EXPECT_EQ(v.ampLevel, 0.0f);
    for (float prev : {v.prevInc1, v.prevInc2, v.prevMix, v.prevFmDepth, v.prevRingMod, v.prevGainL, v.prevGainR,
                       v.prevFxShare})
        EXPECT_LT(prev, 0.0f);
    EXPECT_LT(v.prevCutoff, -99.0f);
    EXPECT_LT(v.prevOsc3Level, -1.0f);
    EXPECT_EQ((std::vector<uint32_t>{v.lfoPhase[0], v.lfoPhase[1], v.lfoPhase[2]}),
              (std::vector<uint32_t>{0, 12345, 0}));
    EXPECT_TRUE(v.syncActive);
    EXPECT_EQ(v.syncRing[17], 0.0f);
    EXPECT_EQ(v.syncPos, 0u);

    settings.oscSync = false;
    notes.noteOn(62, 90, -1);
    EXPECT_FALSE(v.syncActive);
}

TEST_F(NoteHandlerTest, StartSlot_VoiceRandomIsADrawOfFifteenBitsMappedToPlusMinusOne)
{
    settings.poly = kMaxVoices;
    settings.voicesPerNote = 8;
    for (int n = 0; n < 9; ++n)
        notes.noteOn(40 + n, 100, -1);
    float lowest = 2.0f, highest = -2.0f;
    for (const VoiceSlot& v : pool.slots) {
        const float r = (v.voiceRandom + 1.0f) * 16383.0f;
        EXPECT_NEAR(r, std::round(r), 0.01f);
        EXPECT_GE(r, -0.01f);
        EXPECT_LE(r, 32767.01f);
        lowest = std::min(lowest, v.voiceRandom);
        highest = std::max(highest, v.voiceRandom);
    }
    EXPECT_LT(lowest, -0.5f);
    EXPECT_GT(highest, 0.5f);
}

TEST_F(NoteHandlerTest, PolyGlide_StartsFromThePitchLastHeardExceptAfterReset)
{
    notes.noteOn(60, 100, -1);
    EXPECT_EQ(notes.glideOffset, 0.0f);
    notes.noteOn(64, 100, -1);
    EXPECT_EQ(notes.glideOffset, (60 - 64) * kSemi);

    notes.glideOffset *= 0.5f; // the render has covered half the way to 64
    notes.noteOn(67, 100, -1);
    EXPECT_EQ(notes.glideOffset, 64 * kSemi - 2 * kSemi - 67 * kSemi);

    notes.reset();
    notes.noteOn(48, 100, -1);
    EXPECT_EQ(notes.glideOffset, 0.0f);
}

class MonoTest : public NoteHandlerTest {
protected:
    void SetUp() override
    {
        settings.monoMode = true;
        settings.voicesPerNote = 2;
    }

    // What the render does to a held voice: attack over, sustaining.
    void sustain()
    {
        advance(500);
        for (int s = 0; s < 2; ++s) {
            slot(s).ampStage = kSustain;
            slot(s).ampLevel = 0.7f;
        }
    }
};

TEST_F(MonoTest, Legato_GlidesWithoutRestartingAndReturnsToTheHeldKey)
{
    notes.noteOn(60, 100, -1);
    sustain();
    notes.noteOn(64, 80, -1);
    EXPECT_EQ(activeSlots(), (std::vector<int>{0, 1}));
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(slot(s).pitch, 64 * kSemi);
        EXPECT_EQ(slot(s).ampStage, kSustain);
        EXPECT_EQ(slot(s).age, 500u);
        EXPECT_EQ(slot(s).velocity, 100);
    }
    EXPECT_EQ(notes.glideOffset, (60 - 64) * kSemi);

    notes.glideOffset = -kSemi; // three quarters of the way: 63 is heard
    notes.noteOff(64, 0, -1);
    EXPECT_EQ(slot(0).pitch, 60 * kSemi);
    EXPECT_EQ(notes.glideOffset, (63 - 60) * kSemi);
    EXPECT_EQ(slot(0).released, 0);

    notes.noteOff(60, 0, -1);
    EXPECT_EQ(releasedFlags(), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(MonoTest, ReleasingAKeyOtherThanTheLastChangesNothing)
{
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    const float offset = notes.glideOffset;
    notes.noteOff(60, 0, -1);
    EXPECT_EQ(slot(0).pitch, 64 * kSemi);
    EXPECT_EQ(slot(0).released, 0);
    EXPECT_EQ(notes.glideOffset, offset);

    // 60 is no longer held, so letting go of 64 ends the phrase.
    notes.noteOff(64, 0, -1);
    EXPECT_EQ(slot(0).released, 1);
}

TEST_F(MonoTest, NewKeyDuringReleaseRestartsEnvelopesWithoutGlide)
{
    notes.noteOn(60, 100, -1);
    sustain();
    notes.noteOff(60, 0, -1);
    slot(0).ampStage = kRelease;
    slot(0).ampLevel = 0.3f;
    slot(1).active = 0; // this layer has already died out

    notes.noteOn(62, 70, -1);
    EXPECT_EQ(notes.glideOffset, 0.0f);
    EXPECT_EQ(slot(0).ampStage, kAttack);
    EXPECT_EQ(slot(0).ampLevel, 0.3f);
    EXPECT_EQ(slot(0).age, 0u);
    EXPECT_EQ(slot(0).velocity, 70);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(slot(s).active, 1);
        EXPECT_EQ(slot(s).released, 0);
        EXPECT_EQ(slot(s).pitch, 62 * kSemi);
        EXPECT_EQ(slot(s).layer, s);
    }
}

TEST_F(MonoTest, StaleKeysNeverPullTheVoiceBack)
{
    // Keys released while Mono Mode was off.
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    settings.monoMode = false;
    notes.noteOff(60, 0, -1);
    notes.noteOff(64, 0, -1);
    settings.monoMode = true;
    notes.noteOn(67, 100, -1);
    notes.noteOff(67, 0, -1);
    EXPECT_EQ(slot(0).released, 1);

    // Keys whose note-offs a panic replaced.
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    EXPECT_TRUE(notes.allNotesOff(true));
    notes.noteOn(67, 100, -1);
    notes.noteOff(67, 0, -1);
    EXPECT_EQ(slot(0).released, 1);
    EXPECT_EQ(slot(0).pitch, 67 * kSemi);
}

TEST_F(MonoTest, ArpeggiatorOnPlaysPolyphonically)
{
    settings.arpOn = true;
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    EXPECT_EQ(activeSlots(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(NoteHandlerTest, NoteOff_ReleasesEveryVoiceOfTheNoteAndIsIdempotent)
{
    notes.noteOn(60, 100, -1);
    notes.noteOff(60, 0, -1);
    notes.noteOn(60, 100, -1);
    notes.noteOn(62, 100, -1);
    notes.noteOff(60, 0, -1);
    notes.noteOff(60, 0, -1);
    notes.noteOff(61, 0, -1);
    EXPECT_EQ(releasedFlags(), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(activeSlots().size(), 3u);
}

TEST_F(NoteHandlerTest, RetuneLayers_MovesAddressedLayersWithoutRestart)
{
    settings.voicesPerNote = 4;
    notes.noteOn(60, 100, -1);
    advance(300);
    notes.retuneLayers(55, 0x55);
    for (int s = 0; s < 4; ++s) {
        const bool moved = (s % 2) == 0;
        EXPECT_EQ(slot(s).note, moved ? 55 : 60);
        EXPECT_EQ(slot(s).pitch, (moved ? 55 : 60) * kSemi);
        EXPECT_EQ(slot(s).age, 300u);
    }
}

TEST_F(NoteHandlerTest, AllNotesOff_SoftReleasesHardFreesAndAsksForReset)
{
    notes.noteOn(60, 100, -1);
    notes.noteOn(64, 100, -1);
    EXPECT_TRUE(notes.notesSounding);
    EXPECT_FALSE(notes.allNotesOff(false));
    EXPECT_FALSE(notes.notesSounding);
    EXPECT_EQ(activeSlots().size(), 2u);
    EXPECT_EQ(releasedFlags(), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0}));

    notes.noteOn(67, 100, -1);
    EXPECT_TRUE(notes.allNotesOff(true));
    EXPECT_FALSE(notes.notesSounding);
    EXPECT_TRUE(activeSlots().empty());
    notes.noteOn(50, 100, -1);
    EXPECT_EQ(notes.glideOffset, 0.0f);
}

TEST_F(NoteHandlerTest, KeyDown_NotesSoundingEndsWithTheLastKeyUp)
{
    notes.setKeyDown(60, true);
    notes.setKeyDown(62, true);
    notes.noteOn(60, 100, -1);
    notes.setKeyDown(60, false);
    EXPECT_TRUE(notes.notesSounding);
    notes.setKeyDown(62, false);
    EXPECT_FALSE(notes.notesSounding);
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
