// The editor's own controls under synthetic mouse events: wheels, knobs at
// their default, the on-screen keyboard heard in the rendered audio, the page
// selector and the wave menus' scroll wheel.
#include "EditorTestSupport.h"
#include "Measure.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

using namespace VSTGUI;

namespace {
CPoint centreOf(const CRect& r) { return {r.left + r.getWidth() / 2, r.top + r.getHeight() / 2}; }

double pitchBend(EditorRig& rig) { return rig.synth->getEngine().ctl.bend; }

const bool kShown = true;

std::array<double, 4> edges(const CRect& r) { return {r.left, r.top, r.right, r.bottom}; }
} // namespace

TEST(EditorControls, PitchWheelAlwaysSpringsBackWhileTheModulationWheelStays)
{
    EditorRig rig;
    CFrame& frame = rig.frame();
    const CPoint pitch = centreOf(rig.editor().getControl(346)->getViewSize());
    rig.process({{0xe0, 0, 127}}); // bent from the host's MIDI first
    ASSERT_GT(pitchBend(rig), 0.9);
    for (double dy : {0.0, -30.0, 45.0}) {
        frame.onMouseDownEvent(pitch, kLButton);
        frame.onMouseMovedEvent({pitch.x, pitch.y + dy}, kLButton);
        if (dy != 0) {
            EXPECT_EQ(pitchBend(rig) > 0, dy < 0) << dy;
        }
        frame.onMouseUpEvent({pitch.x, pitch.y + dy}, 0);
        EXPECT_EQ(pitchBend(rig), 0.0) << "released after " << dy;
        EXPECT_EQ(rig.editor().getControl(346)->getValue(), 0.5f);
    }
    // A scroll has no release to bring it back, so it leaves the wheel alone.
    frame.onWheelEvent(pitch, 1, 0);
    EXPECT_EQ(pitchBend(rig), 0.0);

    rig.drag(rig.editor().getControl(113)->getViewSize(), -40);
    const float held = rig.synth->getParameter(113);
    EXPECT_GT(held, 0.3f);
    rig.editor().idle();
    EXPECT_EQ(rig.editor().getControl(113)->getValue(), held);
}

TEST(EditorControls, DoubleClickSetsTheMiddleAndTellsTheHostOnlyOfARealChange)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane); // the arp page: Arp Length is a text knob
    const CPoint knob = centreOf(rig.editor().getControl(72)->getViewSize());
    for (float before : {0.5f, 0.2f}) {
        rig.synth->setParameter(72, before);
        rig.editor().idle();
        recordedHostCalls().clear();
        rig.click(knob.x, knob.y, kLButton | kDoubleClick);
        EXPECT_EQ(rig.synth->getParameter(72), 0.5f);
        EXPECT_EQ(recordedHostCalls().size(), before == 0.5f ? 0u : 3u) << before;
    }
    EXPECT_EQ(rig.callsFor(audioMasterAutomate, 72).size(), 1u);
}

TEST(EditorControls, ValuePopUpShowsTheDisplayTextUnderTheKnobOrOnTheLastFreeLine)
{
    EditorRig rig;
    CFrame& frame = rig.frame();
    const CRect cutoff = rig.editor().getControl(28)->getViewSize();
    const CPoint knob = centreOf(cutoff);
    frame.onMouseDownEvent(knob, kLButton);
    frame.onMouseMovedEvent({knob.x, knob.y + 20}, kLButton);
    auto* popUp = dynamic_cast<CMyParamDisplay*>(frame.getViewAt({knob.x, cutoff.bottom + 10}));
    ASSERT_NE(popUp, nullptr);
    EXPECT_EQ(edges(popUp->getViewSize()),
              edges({cutoff.left - 15, cutoff.bottom + 7, cutoff.right + 15, cutoff.bottom + 23}));
    char text[kVstMaxParamStrLen + 8] = {};
    rig.synth->getParameterDisplay(28, text);
    EXPECT_EQ(popUp->getText(), text);
    frame.onMouseUpEvent({knob.x, knob.y + 20}, 0);
    EXPECT_FALSE(popUp->isVisible());

    // A knob whose bottom edge lies below y = 591 shows it from y = 592.
    CLittleRightClickMenu menu(&rig.editor());
    auto* low = new CTovimarKnob({300, 560, 330, 595}, &rig.editor(), 28, nullptr, popUp,
                                 [](int32_t, float) { return std::string("low"); }, &kShown, menu);
    frame.addView(low);
    frame.onMouseDownEvent({315, 570}, kLButton);
    EXPECT_EQ(edges(popUp->getViewSize()), edges({285, 592, 345, 608}));
    frame.onMouseUpEvent({315, 570}, 0);
}

TEST(EditorControls, TextKnobsSayWhatTheirValueMeans)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    const float duophonic = 6;
    const struct {
        int32_t tag;
        float value;
        float arpSync, arpMode;
        const char* text;
    } cases[] = {
        {72, 0.25f, 1, 0, "Length: -50 %"}, {72, 0.5f, 1, 0, "Length: +0 %"},
        {73, 0.0f, 1, 0, "Swing: -75 %"},   {73, 1.0f, 1, 0, "Swing: +75 %"},
        {71, 0.0f, 0, 0, "Rate: 0.1 Hz"},   {71, 1.0f, 0, 0, "Rate: 100.0 Hz"},
        {71, 0.0f, 1, 0, "Rate: 1/2*"},     {71, 1.0f, 1, 0, "Rate: 1/128T"},
        {340, 1.0f, 1, 0, "Bend up: 64"},   {341, 0.5f, 1, 0, "Bend down: 32"},
        {320, 1.0f, 1, 0, "Steps: 32"},     {321, 0.0f, 1, 0, "Voices: 8"},
        {256, 0.0f, 1, duophonic, "01: ---"}, {257, 1.0f / 128, 1, duophonic, "02: C-1"},
        {258, 13.0f / 128, 1, duophonic, "03: C-2"}, {259, 1.0f, 1, duophonic, "04: Tie"},
    };
    for (const auto& c : cases) {
        rig.synth->setParameter(114, c.arpSync);
        rig.synth->setParameter(125, c.arpMode);
        auto* knob = dynamic_cast<CMyKnob*>(rig.editor().getControl(c.tag));
        ASSERT_NE(knob, nullptr) << c.tag;
        knob->setValue(c.value);
        EXPECT_EQ(knob->shownText(), c.text) << c.tag << " at " << c.value;
    }
}

TEST(EditorControls, KnobDragTakesShiftMidwayWithoutAJump)
{
    EditorRig rig;
    const CPoint knob = centreOf(rig.editor().getControl(28)->getViewSize());
    CFrame& frame = rig.frame();
    frame.onMouseDownEvent(knob, kLButton);
    frame.onMouseMovedEvent({knob.x, knob.y + 40}, kLButton);
    const float coarse = rig.synth->getParameter(28);
    frame.onMouseMovedEvent({knob.x, knob.y + 50}, kLButton | kShift);
    const float fine = rig.synth->getParameter(28);
    frame.onMouseUpEvent({knob.x, knob.y + 50}, kShift);
    EXPECT_LT(coarse - fine, 0.01f) << "ten times slower, from where it stood";
    EXPECT_GT(coarse - fine, 0.0f);
}

TEST(EditorControls, KeyboardPlaysTheClickedNoteAtItsVelocityUntilReleased)
{
    struct Click {
        double x, y;
        int32_t note, velocity;
    };
    // Octave 2 starts at x = 412, octave 3 at 545; black keys lie above y = 569.
    const Click clicks[] = {
        {428, 568, 49, 125}, // C#, the lowest black-key row
        {428, 580, 48, 98},  // below the black keys: the white C under it
        {648, 603, 69, 127}, // A: full velocity from y = 603
        {648, 618, 69, 127},
        {430, 501, 49, 0},   // the top edge: velocity 0, which sounds nothing
    };
    EditorRig rig;
    for (int32_t shape : {0, 5})
        rig.synth->setParameter(shape, 2.0f / 3.0f); // sines, so zero crossings give the pitch
    CFrame& frame = rig.frame();
    for (const Click& c : clicks) {
        int32_t key = -1;
        int32_t velocity = -1;
        CKeyboardCtrl::keyAt({c.x, c.y}, key, velocity);
        EXPECT_EQ(key + 24, c.note) << c.x << "," << c.y;
        EXPECT_EQ(velocity, c.velocity) << c.x << "," << c.y;

        frame.onMouseDownEvent({c.x, c.y}, kLButton);
        const Samples held = rig.process({}, 300);
        if (c.velocity > 0) {
            const double expected = 440.0 * std::pow(2.0, (c.note - 69) / 12.0);
            EXPECT_NEAR(frequencyOf(held, 44100, held.size() / 2), expected, expected * 0.01) << c.note;
        } else {
            EXPECT_EQ(peakOf(held), 0.0);
        }
        frame.onMouseUpEvent({c.x, c.y}, 0);
        const Samples released = rig.process({}, 1500);
        EXPECT_LT(peakOf(released, released.size() - 64), 1e-5) << "note-off ends note " << c.note;
    }
}

TEST(EditorControls, AKeyIsLetGoWhenItsReleaseIsLostOrTheEditorCloses)
{
    EditorRig rig;
    CFrame& frame = rig.frame();
    frame.onMouseDownEvent({648, 590}, kLButton);
    EXPECT_GT(peakOf(rig.process({}, 100)), 0.01);
    frame.onMouseMovedEvent({700, 300}, 0); // moving with no button: the release went elsewhere
    Samples after = rig.process({}, 1500);
    EXPECT_LT(peakOf(after, after.size() - 64), 1e-5);

    frame.onMouseDownEvent({648, 590}, kLButton);
    EXPECT_GT(peakOf(rig.process({}, 100)), 0.01);
    rig.editor().close();
    after = rig.process({}, 1500);
    EXPECT_LT(peakOf(after, after.size() - 64), 1e-5);
}

TEST(EditorControls, PageSelectorChoosesThePageFromTheClickOffset)
{
    EditorRig rig;
    const CRect selector = rig.editor().getControl(343)->getViewSize();
    const struct {
        double offset;
        int32_t page;
    } zones[] = {{248, 3}, {0, 0}, {138, 2}, {39, 0}, {40, 1}, {247, 2}, {137, 1}, {349, 3}};
    for (const auto& zone : zones) {
        rig.click(selector.left + zone.offset, selector.top + 5);
        EXPECT_EQ(rig.editor().getPage(), zone.page) << "x offset " << zone.offset;
    }
}

TEST(EditorControls, ScrollingTheWaveMenuStaysWithinTheSeventyWaves)
{
    EditorRig rig;
    auto* menu = static_cast<COptionMenu*>(rig.editor().getControl(329));
    const CPoint at = centreOf(menu->getViewSize());
    const struct {
        int32_t from;
        float delta;
        int32_t to;
    } steps[] = {{68, 1, 69}, {69, 1, 69}, {1, -1, 0}, {0, -1, 0}};
    for (const auto& step : steps) {
        rig.synth->setParameter(4, float(step.from) / 128);
        rig.editor().idle();
        rig.frame().onWheelEvent(at, step.delta, 0);
        EXPECT_EQ(rig.synth->getParameter(4) * 128, float(step.to)) << step.from << " " << step.delta;
        EXPECT_EQ(menu->getCurrentIndex(), step.to);
    }
}
