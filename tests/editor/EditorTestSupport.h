// A plug-in object with a host callback that records what the editor reports,
// and its editor opened off-screen.
#pragma once

#include "ADEditor.h"
#include "VstSynth.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Sets an environment variable of this process; nullptr removes it.
void setEnvironment(const char* name, const char* value);

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    float value;
};

struct EditorRig {
    EditorRig();
    ~EditorRig();
    ADEditor& editor() { return *static_cast<ADEditor*>(static_cast<SynthEditor*>(synth->getEditor())); }
    VSTGUI::CFrame& frame() { return *editor().getFrame(); }
    // Opens the pane (and page) and lets the editor rebuild.
    void showPane(int32_t pane);
    std::vector<HostCall> callsFor(VstInt32 opcode, VstInt32 index) const;
    void drag(const VSTGUI::CRect& rect, double dy, int32_t buttons = VSTGUI::kLButton);
    void click(double x, double y, int32_t buttons = VSTGUI::kLButton);
    // Right-clicks the control of `tag` and picks a row of the menu that opens.
    void chooseFromRightClickMenu(int32_t tag, int32_t row);
    // The audio thread's side: the MIDI messages, then `blocks` blocks of 64
    // frames; answers the left channel.
    std::vector<float> process(const std::vector<std::array<uint8_t, 3>>& messages, int32_t blocks = 1);

    std::unique_ptr<VstSynth> synth;
};

// Every call the host callback saw, for the rig that is alive.
std::vector<HostCall>& recordedHostCalls();
