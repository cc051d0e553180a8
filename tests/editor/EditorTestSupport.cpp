#include "EditorTestSupport.h"

#include "FactoryBank.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

using namespace VSTGUI;

std::vector<HostCall>& recordedHostCalls()
{
    static std::vector<HostCall> calls;
    return calls;
}

void setEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    // An empty value removes the variable.
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

namespace {
#ifdef _WIN32
int processId() { return _getpid(); }
#else
int processId() { return int(getpid()); }
#endif

VstIntPtr VSTCALLBACK recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
        recordedHostCalls().push_back({opcode, index, opt});
    return 0;
}
} // namespace

EditorRig::EditorRig()
{
    // The editor remembers its scale in the user's settings; tests keep theirs,
    // one folder per process, since ctest runs the cases side by side.
    static const std::string settings = [] {
        const std::string folder = ::testing::TempDir() + "vesk-editor-settings-" + std::to_string(processId());
        std::filesystem::create_directories(folder);
        return folder;
    }();
    setEnvironment("XDG_CONFIG_HOME", settings.c_str());
    // Off-screen tests need no display, and a desktop's Xft.dpi must not pick their scale.
    setEnvironment("GDK_SCALE", nullptr);
    setEnvironment("DISPLAY", nullptr);
    recordedHostCalls().clear();
    synth = std::make_unique<VstSynth>(recordingHost);
    synth->setSampleRate(44100);
    synth->setProgram(kInitProgram);
    editor().open(nullptr);
}

EditorRig::~EditorRig() { synth.reset(); }

void EditorRig::showPane(int32_t pane)
{
    editor().requestPane(pane);
    editor().idle();
}

std::vector<HostCall> EditorRig::callsFor(VstInt32 opcode, VstInt32 index) const
{
    std::vector<HostCall> found;
    for (const HostCall& call : recordedHostCalls())
        if (call.opcode == opcode && call.index == index)
            found.push_back(call);
    return found;
}

void EditorRig::drag(const CRect& rect, double dy, int32_t buttons)
{
    const CPoint start{rect.left + rect.getWidth() / 2, rect.top + rect.getHeight() / 2};
    frame().onMouseDownEvent(start, buttons);
    frame().onMouseMovedEvent({start.x, start.y + dy}, buttons);
    frame().onMouseUpEvent({start.x, start.y + dy}, buttons & ~kLButton);
}

void EditorRig::click(double x, double y, int32_t buttons)
{
    frame().onMouseDownEvent({x, y}, buttons);
    frame().onMouseUpEvent({x, y}, buttons & ~kLButton);
}

void EditorRig::chooseFromRightClickMenu(int32_t tag, int32_t row)
{
    const CRect rect = editor().getControl(tag)->getViewSize();
    click(rect.left + 2, rect.top + 2, kRButton);
    ASSERT_NE(frame().getPopup(), nullptr) << "no menu on tag " << tag;
    const CRect entry = frame().getPopup()->rowRect(0, row);
    click(entry.left + 4, entry.top + 4);
}

std::vector<float> EditorRig::process(const std::vector<std::array<uint8_t, 3>>& messages, int32_t blocks)
{
    constexpr int32_t kFrames = 64;
    synth->setBlockSize(kFrames);
    std::vector<VstMidiEvent> midi(messages.size());
    std::vector<char> storage(sizeof(VstEvents) + messages.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = VstInt32(messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        midi[i].type = kVstMidiType;
        midi[i].byteSize = sizeof(VstMidiEvent);
        for (size_t b = 0; b < 3; ++b)
            midi[i].midiData[b] = char(messages[i][b]);
        list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    std::vector<float> left(size_t(kFrames * blocks)), right(kFrames);
    synth->processEvents(list);
    for (int32_t block = 0; block < blocks; ++block) {
        float* outputs[2] = {left.data() + block * kFrames, right.data()};
        synth->processReplacing(nullptr, outputs, kFrames);
    }
    return left;
}
