// The preset menu with its category filter and bank switch, the file
// commands through a dialog that runs beside the host, the description, and
// the right-click menu that assigns controllers.
#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>

using namespace VSTGUI;

namespace {
COptionMenu* menuOf(EditorRig& rig, int32_t tag) { return static_cast<COptionMenu*>(rig.editor().getControl(tag)); }

// A stand-in for zenity that answers with a fixed path after a short while.
struct FakeDialog {
    explicit FakeDialog(const std::string& answer)
    {
        folder = ::testing::TempDir() + "vesk-fake-dialog";
        mkdir(folder.c_str(), 0755);
        const std::string script = folder + "/zenity";
        std::ofstream(script) << "#!/bin/sh\nsleep 0.2\necho '" << answer << "'\n";
        chmod(script.c_str(), 0755);
        oldPath = std::getenv("PATH");
        setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
    }
    ~FakeDialog() { setenv("PATH", oldPath.c_str(), 1); }
    std::string folder;
    std::string oldPath;
};
} // namespace

TEST(EditorMenus, PresetMenuFollowsBankAndCategoryAndStepsThroughItsRows)
{
    EditorRig rig;
    rig.synth->setProgram(0); // bank A
    rig.editor().idle();
    EXPECT_EQ(rig.editor().presetMenuPrograms().size(), 128u);
    menuOf(rig, 331)->choose(5);
    EXPECT_EQ(rig.synth->getProgram(), 5);
    const CRect next = rig.editor().getControl(349)->getViewSize();
    rig.click(next.left + 4, next.top + 4);
    EXPECT_EQ(rig.synth->getProgram(), 6);
    // Bank B keeps the place in the bank.
    const CRect bank = rig.editor().getControl(352)->getViewSize();
    rig.click(bank.left + bank.getWidth() / 2, bank.top + 4);
    EXPECT_EQ(rig.synth->getProgram(), 128 + 6);
    EXPECT_EQ(rig.editor().presetMenuPrograms().front(), 128);
    // Only the programs of the chosen category stay listed.
    rig.synth->setProgram(130);
    rig.synth->setParameter(322, 8);
    menuOf(rig, 351)->choose(8); // "Pads"
    EXPECT_EQ(menuOf(rig, 351)->fieldText(), "Pads");
    const std::vector<int32_t> pads = rig.editor().presetMenuPrograms();
    EXPECT_NE(std::find(pads.begin(), pads.end(), 130), pads.end());
    for (int32_t p : pads)
        EXPECT_EQ(rig.synth->getProgramParameter(p, 322), 8.0f) << p;
    rig.showPane(ADEditor::kPagesPane);
    EXPECT_EQ(menuOf(rig, 322)->fieldText(), "Category: Pads");
}

TEST(EditorMenus, SaveAndLoadPatchThroughADialogThatDoesNotBlock)
{
    EditorRig rig;
    const std::string path = ::testing::TempDir() + "vesk-dialog-patch";
    FakeDialog dialog(path);
    rig.synth->setParameter(28, 0.25f);
    const auto started = std::chrono::steady_clock::now();
    menuOf(rig, 355)->choose(2); // Save Patch...
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
    for (int i = 0; i < 200 && !std::ifstream(path + ".fxp"); ++i) {
        rig.editor().idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(std::ifstream(path + ".fxp")) << "the saved patch";
    rig.synth->setParameter(28, 0.75f);
    menuOf(rig, 355)->choose(1); // Load Patch...
    for (int i = 0; i < 200 && rig.synth->getParameter(28) != 0.25f; ++i) {
        rig.editor().idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(rig.synth->getParameter(28), 0.25f);
    rig.editor().idle();
    EXPECT_EQ(rig.editor().getControl(28)->getValue(), 0.25f);
    std::remove((path + ".fxp").c_str());
}

TEST(EditorMenus, WithoutADialogProgramThePathIsTypedIntoTheEditor)
{
    EditorRig rig;
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    menuOf(rig, 356)->choose(2); // Save Bank...
    setenv("PATH", oldPath.c_str(), 1);
    auto* field = dynamic_cast<CParamDisplay*>(rig.frame().getFocusView());
    ASSERT_NE(field, nullptr);
    const std::string path = ::testing::TempDir() + "vesk-typed-bank";
    while (!field->getText().empty())
        rig.frame().onKeyEvent(8);
    for (char c : path)
        rig.frame().onKeyEvent(uint8_t(c));
    rig.frame().onKeyEvent('\r');
    rig.editor().idle();
    EXPECT_TRUE(std::ifstream(path + ".fxb"));
    EXPECT_EQ(rig.frame().getFocusView(), nullptr);
    std::remove((path + ".fxb").c_str());
}

TEST(EditorMenus, DescriptionTakesTypedTextWhenItLosesTheFocus)
{
    EditorRig rig;
    rig.showPane(ADEditor::kPagesPane);
    rig.click(900, 20);
    const CRect field = rig.editor().getControl(344)->getViewSize();
    rig.click(field.left + 10, field.top + 10);
    for (char c : std::string(" Warm"))
        rig.frame().onKeyEvent(uint8_t(c));
    rig.frame().onKeyEvent('\r');
    EXPECT_EQ(std::string(rig.synth->getProgramDescription()).substr(0, 2), "A ");
    EXPECT_NE(std::string(rig.synth->getProgramDescription()).find(" Warm"), std::string::npos);
}

TEST(EditorMenus, RightClickLearnsAControllerForTheKnobAndForgetsIt)
{
    EditorRig rig;
    rig.chooseFromRightClickMenu(29, 0); // Filter Resonance: "MIDI Learn"
    rig.process({{0xb0, 21, 100}});
    EXPECT_FLOAT_EQ(rig.synth->getParameter(29), 100.0f / 127.0f) << "the learnt controller moves it at once";
    rig.process({{0xb0, 21, 30}});
    EXPECT_FLOAT_EQ(rig.synth->getParameter(29), 30.0f / 127.0f);

    rig.chooseFromRightClickMenu(29, 1); // "MIDI Forget": the learnt and the default controller
    rig.process({{0xb0, 21, 90}, {0xb0, 42, 90}});
    EXPECT_FLOAT_EQ(rig.synth->getParameter(29), 30.0f / 127.0f);
    EXPECT_TRUE(rig.synth->getControllerMap().hasChanged());
}

TEST(EditorMenus, RightClickOpensTheMenuOnlyOnControlsAControllerCanDrive)
{
    EditorRig rig;
    for (int32_t tag : {32, 0}) { // an LED button, a wave switch
        rig.chooseFromRightClickMenu(tag, 0);
        EXPECT_EQ(rig.synth->getControllerMap().armedTarget(), tag);
    }
    rig.showPane(ADEditor::kPagesPane);
    const CRect step = rig.editor().getControl(256)->getViewSize(); // Arp1: past the one-byte map
    rig.click(step.left + 2, step.top + 2, kRButton);
    EXPECT_EQ(rig.frame().getPopup(), nullptr);
    rig.click(700, 20); // the matrix page
    rig.chooseFromRightClickMenu(160, 0); // a matrix amount
    EXPECT_EQ(rig.synth->getControllerMap().armedTarget(), 160);
}
