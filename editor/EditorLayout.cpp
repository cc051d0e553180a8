#include "EditorLayout.h"

#include <array>
#include <cstddef>
#include <initializer_list>

namespace EditorLayout {

namespace {

constexpr int32_t kLargeKnob = 44;
constexpr int32_t kSmallKnob = 32;

class Builder {
public:
    Builder()
    {
        for (Entry& e : entries)
            e = Entry{{0, 0, 0, 0}, kNoPlace, "", kNoLabel};
        topBar();
        bottomStrip();
        oscillators();
        mixerFilterVoices();
        envelopes();
        lfos();
        arpPage();
        matrixPage();
        fxPage();
        patchPage();
    }

    std::array<Entry, kNumTags> entries;
    std::array<Section, 40> sections{};
    int32_t sectionsUsed = 0;

private:
    void put(int32_t tag, Rect r, Place place, const char* label = "", LabelPosition position = kBelow)
    {
        entries[std::size_t(tag)] = Entry{r, place, label, label[0] ? position : kNoLabel};
    }
    // Knobs are placed by their centre column and top edge.
    void knob(int32_t tag, int32_t centreX, int32_t top, int32_t diameter, Place place, const char* label)
    {
        put(tag, {centreX - diameter / 2, top, diameter, diameter}, place, label);
    }
    void box(Rect r, Place place, const char* title) { sections[std::size_t(sectionsUsed++)] = Section{r, place, title}; }

    void topBar()
    {
        put(350, {8, 6, 84, 28}, kCommon);
        put(332, {98, 12, 18, 18}, kCommon);
        put(331, {118, 12, 182, 18}, kCommon);
        put(349, {302, 12, 18, 18}, kCommon);
        put(351, {328, 12, 100, 18}, kCommon);
        put(352, {434, 12, 72, 18}, kCommon);
        put(355, {514, 12, 56, 18}, kCommon);
        put(356, {574, 12, 56, 18}, kCommon);
        put(343, {640, 12, 350, 18}, kCommon);
    }

    void bottomStrip()
    {
        put(346, {30, 508, 24, 100}, kCommon, "PITCH");
        put(113, {80, 508, 24, 100}, kCommon, "MOD");
        put(347, {kKeyboardArea.x, kKeyboardArea.y, kKeyboardArea.width, kKeyboardArea.height}, kCommon);
        put(340, {826, 506, 160, 20}, kCommon);
        put(341, {826, 530, 160, 20}, kCommon);
        put(337, {826, 562, 78, 20}, kCommon);
        put(338, {908, 562, 78, 20}, kCommon);
        put(345, {826, 600, 40, 16}, kCommon, "POP-UPS", kAbove);
    }

    void oscillator(int32_t x0, int32_t first, int32_t waveTag, int32_t stepTag, const char* title)
    {
        const int32_t y0 = 46;
        box({x0, y0, 188, 216}, kSoundPane, title);
        put(first, {x0 + 10, y0 + 26, 60, 48}, kSoundPane);
        put(waveTag, {x0 + 76, y0 + 28, 104, 18}, kSoundPane, "WAVE", kAbove);
        put(stepTag, {x0 + 76, y0 + 52, 36, 16}, kSoundPane);
        knob(first + 1, x0 + 34, y0 + 100, kSmallKnob, kSoundPane, "COARSE");
        knob(first + 2, x0 + 86, y0 + 100, kSmallKnob, kSoundPane, "FINE");
        knob(first + 3, x0 + 146, y0 + 94, kLargeKnob, kSoundPane, "FAT");
    }

    void oscillators()
    {
        oscillator(8, 0, 329, 335, "OSCILLATOR 1");
        oscillator(200, 5, 330, 336, "OSCILLATOR 2");
        put(32, {200 + 14, 46 + 176, 40, 16}, kSoundPane, "SYNC", kAbove);
    }

    void mixerFilterVoices()
    {
        const int32_t y0 = 46;
        int32_t x0 = 392;
        box({x0, y0, 208, 216}, kSoundPane, "SUB  NOISE  FM");
        put(10, {x0 + 10, y0 + 26, 60, 36}, kSoundPane);
        knob(11, x0 + 104, y0 + 28, kSmallKnob, kSoundPane, "SUB");
        knob(12, x0 + 164, y0 + 24, kLargeKnob, kSoundPane, "OSC MIX");
        knob(13, x0 + 28, y0 + 100, kSmallKnob, kSoundPane, "COLOUR");
        knob(14, x0 + 78, y0 + 100, kSmallKnob, kSoundPane, "NOISE");
        knob(15, x0 + 128, y0 + 100, kSmallKnob, kSoundPane, "RING");
        knob(16, x0 + 178, y0 + 100, kSmallKnob, kSoundPane, "PW");
        put(111, {x0 + 10, y0 + 176, 84, 18}, kSoundPane, "FM MODE", kAbove);
        knob(17, x0 + 128, y0 + 162, kSmallKnob, kSoundPane, "FM");
        knob(61, x0 + 178, y0 + 162, kSmallKnob, kSoundPane, "FEEDBK");

        x0 = 604;
        box({x0, y0, 196, 216}, kSoundPane, "FILTER");
        put(126, {x0 + 10, y0 + 28, 134, 18}, kSoundPane);
        put(342, {x0 + 150, y0 + 29, 36, 16}, kSoundPane);
        knob(28, x0 + 40, y0 + 62, kLargeKnob, kSoundPane, "CUTOFF");
        knob(29, x0 + 104, y0 + 68, kSmallKnob, kSoundPane, "RESO");
        knob(30, x0 + 160, y0 + 68, kSmallKnob, kSoundPane, "ENV");
        knob(31, x0 + 40, y0 + 150, kSmallKnob, kSoundPane, "OFFSET");
        knob(26, x0 + 104, y0 + 150, kSmallKnob, kSoundPane, "KEY");

        x0 = 804;
        box({x0, y0, 188, 216}, kSoundPane, "VOICES  OUTPUT");
        knob(74, x0 + 36, y0 + 26, kLargeKnob, kSoundPane, "VOLUME");
        knob(77, x0 + 96, y0 + 26, kLargeKnob, kSoundPane, "STACK");
        put(127, {x0 + 136, y0 + 44, 40, 16}, kSoundPane, "MONO", kAbove);
        knob(75, x0 + 34, y0 + 100, kSmallKnob, kSoundPane, "SPREAD");
        knob(76, x0 + 94, y0 + 100, kSmallKnob, kSoundPane, "DETUNE");
        knob(78, x0 + 154, y0 + 100, kSmallKnob, kSoundPane, "GLIDE");
        static const char* const kLayer[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
        for (int32_t i = 0; i < 8; ++i)
            put(62 + i, {x0 + 8 + i * 22, y0 + 184, 20, 14}, kSoundPane, kLayer[i], kAbove);
    }

    void envelopes()
    {
        const int32_t x0 = 8;
        const int32_t y0 = 268;
        box({x0, y0, 384, 224}, kSoundPane, "ENVELOPES");
        static const char* const kStage[] = {"ATTACK", "DECAY", "SUSTAIN", "RELEASE"};
        const int32_t firsts[] = {18, 22, 57};
        for (int32_t row = 0; row < 3; ++row) {
            const int32_t top = y0 + 26 + row * 66;
            for (int32_t stage = 0; stage < 4; ++stage)
                knob(firsts[row] + stage, x0 + 96 + stage * 60, top, kSmallKnob, kSoundPane, kStage[stage]);
        }
        put(333, {x0 + 318, y0 + 30, 56, 28}, kSoundPane);
        put(334, {x0 + 318, y0 + 96, 56, 28}, kSoundPane);
    }

    void lfos()
    {
        static const char* const kTitle[] = {"LFO 1", "LFO 2", "LFO 3"};
        for (int32_t k = 0; k < 3; ++k) {
            const int32_t x0 = 396 + k * 200;
            const int32_t y0 = 268;
            const int32_t first = 33 + 9 * k;
            box({x0, y0, 196, 224}, kSoundPane, kTitle[k]);
            put(first, {x0 + 10, y0 + 28, 60, 48}, kSoundPane);
            knob(first + 1, x0 + 130, y0 + 28, kLargeKnob, kSoundPane, "RATE");
            knob(first + 2, x0 + 40, y0 + 120, kSmallKnob, kSoundPane, "SKEW");
            knob(first + 3, x0 + 100, y0 + 120, kSmallKnob, kSoundPane, "FADE IN");
            put(first + 4, {x0 + 140, y0 + 122, 44, 16}, kSoundPane, "SYNC", kAbove);
            put(first + 5, {x0 + 140, y0 + 168, 44, 16}, kSoundPane, "RESET", kAbove);
        }
    }

    void arpPage()
    {
        box({8, 46, 984, 446}, kArpPage, "ARPEGGIATOR");
        put(115, {20, 78, 40, 16}, kArpPage, "ON", kAbove);
        put(125, {76, 76, 150, 18}, kArpPage, "MODE", kAbove);
        put(114, {236, 76, 100, 18}, kArpPage, "TIMING", kAbove);
        put(354, {346, 76, 150, 18}, kArpPage, "PATTERN", kAbove);
        knob(70, 530, 62, kSmallKnob, kArpPage, "RANGE");
        put(71, {570, 66, 130, 20}, kArpPage);
        put(72, {570, 90, 130, 20}, kArpPage);
        put(73, {710, 66, 130, 20}, kArpPage);
        put(320, {710, 90, 130, 20}, kArpPage);
        for (int32_t step = 0; step < 32; ++step) {
            const int32_t x = 150 + (step % kStepsPerRow) * 105;
            const int32_t y = kStepDisplay.y + (step / kStepsPerRow) * kStepRowSpacing;
            put(256 + step, {x, y, 100, 22}, kArpPage);
            put(288 + step, {x, y + 26, 100, 22}, kArpPage);
        }
    }

    void matrixPage()
    {
        put(122, {8, 46, 492, 446}, kMatrixPage);
        put(124, {500, 46, 492, 446}, kMatrixPage);
        for (int32_t slot = 0; slot < 32; ++slot) {
            const int32_t x0 = slot < 16 ? 8 : 502;
            const int32_t y = 70 + (slot % 16) * 24;
            put(128 + slot, {x0 + 30, y, 96, 18}, kMatrixPage);
            put(160 + slot, {x0 + 130, y, 92, 18}, kMatrixPage);
            put(192 + slot, {x0 + 226, y, 150, 18}, kMatrixPage);
            put(224 + slot, {x0 + 380, y, 100, 18}, kMatrixPage);
        }
        put(353, {890, 462, 90, 18}, kMatrixPage);
    }

    void fxSection(int32_t column, int32_t row, const char* title, int32_t onTag, std::initializer_list<int32_t> knobs,
                   std::initializer_list<const char*> labels)
    {
        const int32_t x0 = 8 + column * 328;
        const int32_t y0 = 96 + row * 198;
        box({x0, y0, 324, 194}, kFxPage, title);
        put(onTag, {x0 + 14, y0 + 64, 40, 16}, kFxPage, "ON", kAbove);
        int32_t i = 0;
        auto label = labels.begin();
        for (int32_t tag : knobs) {
            knob(tag, x0 + 110 + (i % 3) * 80, y0 + 30 + (i / 3) * 76, kSmallKnob, kFxPage, *label++);
            ++i;
        }
    }

    void fxPage()
    {
        put(112, {8, 46, 984, 446}, kFxPage);
        for (int32_t slot = 0; slot < 6; ++slot)
            put(323 + slot, {22 + slot * 160, 62, 150, 24}, kFxPage);
        fxSection(0, 0, "DISTORTION", 119, {97, 98, 99, 100}, {"TYPE", "COLOUR", "DRIVE", "AMOUNT"});
        fxSection(1, 0, "EQ 1", 120, {101, 102, 103, 104}, {"TYPE", "FREQ", "Q", "GAIN"});
        fxSection(2, 0, "EQ 2", 121, {106, 107, 108, 109}, {"TYPE", "FREQ", "Q", "GAIN"});
        fxSection(0, 1, "PHASER  FLANGER  CHORUS", 116, {79, 80, 81, 82, 83, 84},
                  {"TYPE", "RATE", "FREQ", "FEEDBK", "AMOUNT", "DEPTH"});
        fxSection(1, 1, "DELAY", 117, {85, 86, 87, 88, 89, 90},
                  {"TYPE", "COLOUR", "FEEDBK", "AMOUNT", "TIME L", "TIME R"});
        fxSection(2, 1, "REVERB", 118, {91, 92, 93, 94, 95, 96},
                  {"TYPE", "DAMP", "DECAY", "AMOUNT", "PREDELAY", "LOW CUT"});
    }

    void patchPage()
    {
        put(123, {8, 46, 984, 446}, kPatchPage);
        put(322, {30, 94, 200, 18}, kPatchPage, "CATEGORY", kAbove);
        put(321, {30, 140, 200, 20}, kPatchPage);
        put(344, {260, 94, 716, 380}, kPatchPage, "DESCRIPTION", kAbove);
    }
};

const Builder& layout()
{
    static const Builder built;
    return built;
}

} // namespace

const Entry& entry(int32_t tag) { return layout().entries[std::size_t(tag)]; }
int32_t sectionCount() { return layout().sectionsUsed; }
const Section& section(int32_t index) { return layout().sections[std::size_t(index)]; }

} // namespace EditorLayout
