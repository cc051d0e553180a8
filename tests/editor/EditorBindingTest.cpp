// Controls follow the plug-in's values and report edits through the setter
// each tag calls for; changes while closed show on opening.
#include "ArpPatterns.h"
#include "EditorTestSupport.h"
#include "EditorVocabulary.h"
#include "FilterTypes.h"
#include "ModulationVocabulary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

using namespace VSTGUI;

namespace {

bool isMenu(CControl* control) { return dynamic_cast<COptionMenu*>(control) != nullptr; }

// A value each control can show exactly: a code for menus and tiles, a
// switch position, or a plain value.
float probeValue(int32_t tag, CControl* control)
{
    if (tag >= 323 && tag <= 328)
        return 3;
    if (isMenu(control)) {
        const auto& rows = menuRowsFor(tag);
        return rows.empty() ? float(kModDestinationMenu[5].code) : float(rows.back().code);
    }
    if (dynamic_cast<CSwitchBase*>(control))
        return 1;
    return 0.75f;
}

// Automated edits inform the host (for the parameters it knows); silent ones never do.
bool editIsAutomated(int32_t tag) { return tag < 127 && tag != 115 && tag != 125 && tag != 126; }

void checkEveryParameterControl(EditorRig& rig)
{
    ADEditor& editor = rig.editor();
    for (int32_t tag = 0; tag < 329; ++tag) {
        CControl* control = editor.getControl(tag);
        if (!control)
            continue;
        const float value = probeValue(tag, control);
        rig.synth->setParameter(tag, value);
        editor.idle();
        if (auto* destination = dynamic_cast<CDestinationMenu*>(control)) {
            EXPECT_EQ(destination->fieldText(), modDestinationText(int32_t(value))) << tag;
            continue;
        }
        if (auto* menu = dynamic_cast<COptionMenu*>(control)) {
            EXPECT_EQ(menu->getCurrentIndex(), rowOfCode(menuRowsFor(tag), int32_t(value))) << tag;
            // Choosing the first row stores its code.
            recordedHostCalls().clear();
            menu->choose(0);
            EXPECT_EQ(rig.synth->getParameter(tag), float(menuRowsFor(tag)[0].code)) << tag;
        } else {
            EXPECT_FLOAT_EQ(control->getValue(), value) << tag;
            recordedHostCalls().clear();
            const float edited = tag >= 323 ? 1.0f : control->getMin();
            control->setValue(edited);
            control->valueChanged();
            EXPECT_FLOAT_EQ(rig.synth->getParameter(tag), edited) << tag;
        }
        const bool hostHeard = !rig.callsFor(audioMasterAutomate, tag).empty();
        EXPECT_EQ(hostHeard, editIsAutomated(tag) && tag < VstSynth::kHostParamCount) << tag;
    }
}

} // namespace

TEST(EditorBinding, EveryControlFollowsSetParameterAndReportsEditsThroughItsSetter)
{
    EditorRig rig;
    checkEveryParameterControl(rig);
    rig.showPane(ADEditor::kPagesPane);
    checkEveryParameterControl(rig);
}

TEST(EditorBinding, ChangesWhileClosedShowOnOpeningAndCloseEmptiesTheTable)
{
    EditorRig rig;
    rig.editor().close();
    for (int32_t tag = 0; tag < ADEditor::kNumTags; ++tag)
        EXPECT_EQ(rig.editor().getControl(tag), nullptr);
    rig.synth->setParameter(28, 0.3f);
    rig.synth->setParameter(126, float(kLadder24));
    rig.synth->setParameter(4, 12.0f / 128);
    rig.editor().idle();
    ASSERT_TRUE(rig.editor().open(nullptr));
    EXPECT_FLOAT_EQ(rig.editor().getControl(28)->getValue(), 0.3f);
    auto* filter = static_cast<COptionMenu*>(rig.editor().getControl(126));
    EXPECT_EQ(filter->fieldText(), filterTypeName(kLadder24));
    EXPECT_EQ(static_cast<COptionMenu*>(rig.editor().getControl(329))->getCurrentIndex(), 12);
}

TEST(EditorBinding, SuppressionHidesHostChanges)
{
    EditorRig rig;
    rig.editor().setSuppression(1);
    rig.synth->setParameter(28, 0.1f);
    rig.editor().idle();
    EXPECT_NE(rig.editor().getControl(28)->getValue(), 0.1f);
}

TEST(EditorBinding, KnobDragIsBracketedByBeginAndEndEdit)
{
    EditorRig rig;
    rig.drag(rig.editor().getControl(28)->getViewSize(), 40);
    const auto& calls = recordedHostCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(calls.back().index, 28);
}

TEST(EditorBinding, FilterStepButtonsPassOverSeparatorsAndReachEveryType)
{
    EditorRig rig;
    const CRect rocker = rig.editor().getControl(342)->getViewSize();
    std::set<int32_t> reached;
    for (int32_t direction : {1, -1})
        for (int32_t step = 0; step < 25; ++step) {
            rig.click(direction > 0 ? rocker.right - 2 : rocker.left + 2, rocker.top + 4);
            const int32_t code = int32_t(rig.synth->getParameter(126));
            ASSERT_NE(code, kFilterMenuSeparatorCode);
            reached.insert(code);
        }
    EXPECT_EQ(reached.size(), size_t(kNumFilterTypes));
}

TEST(EditorBinding, QuickDestinationMenusSetTheSlotTheMenuWasOpenedForAndIgnoreIndex95)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    rig.click(700, 20); // the matrix page
    CControl* slot3 = rig.editor().getControl(194);
    rig.click(slot3->getViewSize().left + 5, slot3->getViewSize().top + 5);
    ASSERT_NE(rig.frame().getPopup(), nullptr);
    // Group 7 ("Pitch, Pan, Level") starts at index 87: its row 1 is "Pitch Fine".
    COptionMenu pitchGroup({}, &rig.editor(), 1007);
    for (int32_t row = 0; row < 9; ++row)
        pitchGroup.addEntry("row");
    pitchGroup.choose(1);
    EXPECT_EQ(rig.synth->getParameter(194), float(kModDestinationMenu[88].code));
    pitchGroup.choose(8); // 87 + 8 = 95: past the list
    EXPECT_EQ(rig.synth->getParameter(194), float(kModDestinationMenu[88].code));
}

TEST(EditorBinding, EffectTilesMoveOrSwapAndRewriteTheChain)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    rig.click(800, 20); // the effects page
    auto tile = [&](int32_t slot) { return rig.editor().getControl(323 + slot)->getViewSize(); };
    auto order = [&] {
        std::vector<int32_t> kinds;
        for (int32_t slot = 0; slot < 6; ++slot)
            kinds.push_back(int32_t(rig.synth->getParameter(323 + slot)));
        return kinds;
    };
    auto dragTile = [&](int32_t from, int32_t to, int32_t modifiers) {
        rig.frame().onMouseDownEvent({tile(from).left + 5, tile(from).top + 5}, kLButton | modifiers);
        rig.frame().onMouseMovedEvent({tile(to).left + 5, tile(to).top + 5}, kLButton | modifiers);
        rig.frame().onMouseUpEvent({tile(to).left + 5, tile(to).top + 5}, modifiers);
    };
    dragTile(2, 2, 0);
    EXPECT_EQ(order(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    dragTile(0, 5, 0);
    EXPECT_EQ(order(), (std::vector<int32_t>{1, 2, 3, 4, 5, 0}));
    dragTile(0, 5, kShift);
    EXPECT_EQ(order(), (std::vector<int32_t>{0, 2, 3, 4, 5, 1}));
    EXPECT_EQ(std::vector<int32_t>(rig.synth->getEffectOrder(), rig.synth->getEffectOrder() + 6), order());
}

TEST(EditorLifecycle, OpeningAndClosingAHundredTimesLeavesNothingBehind)
{
    EditorRig rig;
    for (int32_t round = 0; round < 100; ++round) {
        rig.editor().close();
        ASSERT_TRUE(rig.editor().open(nullptr));
        if (round % 10 == 0)
            rig.showPane(round % 20 == 0 ? ADEditor::kPagesPane : ADEditor::kSoundPane);
        rig.editor().idle();
    }
}

TEST(EditorBinding, MatrixSortMovesRoutedSlotsUpAndKeepsMatrixAmountTargets)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    rig.click(700, 20);
    // Slot 5 routes velocity to "MM Amount 9", slot 9 routes LFO 1 to cutoff.
    rig.synth->setParameter(128 + 4, float(kSrcVelocity));
    rig.synth->setParameter(192 + 4, float(kDestMmAmount1 + 8));
    rig.synth->setParameter(128 + 8, float(kSrcLfo1));
    rig.synth->setParameter(192 + 8, float(kDestFilterCutoff));
    rig.synth->setParameter(160 + 8, 0.9f);
    const CRect sort = rig.editor().getControl(353)->getViewSize();
    rig.click(sort.left + 5, sort.top + 5);
    EXPECT_EQ(rig.synth->getParameter(128), float(kSrcVelocity));
    EXPECT_EQ(rig.synth->getParameter(192), float(kDestMmAmount1 + 1));
    EXPECT_EQ(rig.synth->getParameter(129), float(kSrcLfo1));
    EXPECT_EQ(rig.synth->getParameter(161), 0.9f);
    EXPECT_EQ(rig.synth->getParameter(128 + 8), float(kSrcNone));
    rig.editor().idle();
    EXPECT_EQ(rig.editor().getControl(353)->getValue(), 0.0f);
    EXPECT_EQ(static_cast<COptionMenu*>(rig.editor().getControl(129))->fieldText(), "LFO 1");
}

TEST(EditorBinding, StepMarkerFollowsTheArpeggiatorUntilArpOnIsSwitchedOff)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    rig.synth->setParameter(115, 1.0f);
    rig.process({{0x90, 60, 100}});
    const auto& step = rig.synth->getEngine().arp.arpCurrentStep;
    for (int32_t block = 0; block < 20000 && step.load() < 2; ++block)
        rig.process({});
    ASSERT_GE(step.load(), 2);
    auto afterTimer = [&rig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        rig.editor().idle();
        return rig.editor().shownArpStep();
    };
    EXPECT_EQ(afterTimer(), step.load());

    const CRect arpOn = rig.editor().getControl(115)->getViewSize();
    rig.click(arpOn.left + 2, arpOn.top + 2);
    ASSERT_EQ(rig.synth->getParameter(115), 0.0f);
    rig.process({});
    EXPECT_EQ(step.load(), 0) << "the audio thread starts the pattern again";
    EXPECT_EQ(afterTimer(), -1);
}

TEST(EditorBinding, PatternMenuLoadsThePatternAndShowsItWhileHostChangesAreHidden)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    const ProgramRecord& pattern = kArpPatterns[3];
    // Values the pattern changes, shown before host changes are hidden.
    rig.synth->setParameter(256, pattern.params[256] == 0.5f ? 0.25f : 0.5f);
    rig.synth->setParameter(125, pattern.params[125] == 0.0f ? 3.0f : 0.0f);
    rig.editor().idle();
    rig.editor().setSuppression(1);
    static_cast<COptionMenu*>(rig.editor().getControl(354))->choose(3);
    for (int32_t index : {125, 256, 300, 320, 114, 71})
        EXPECT_EQ(rig.synth->getParameter(index), pattern.params[index]) << index;
    const auto* mode = static_cast<COptionMenu*>(rig.editor().getControl(125));
    EXPECT_EQ(float(menuRowsFor(125)[size_t(mode->getCurrentIndex())].code), pattern.params[125]);
    EXPECT_EQ(rig.editor().getControl(256)->getValue(), pattern.params[256]);
}
