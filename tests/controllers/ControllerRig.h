// A plug-in object whose host records the controllers it echoes and, on
// Linux, a fixture with settings folders of the test's own: XDG_CONFIG_HOME
// and XDG_CONFIG_DIRS point into a fresh temporary folder, never the real
// home. (On Windows the registry test keeps to a Wine prefix of its own.)
#pragma once

#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

inline MidiMessage cc(uint8_t controller, uint8_t value) { return MidiMessage::controlChange(0, controller, value); }

struct ControllerRig {
    std::mutex mutex;
    std::vector<MidiMessage> echoed;
    std::unique_ptr<VstSynth> synth = makeSynth(recordingHost);

    ControllerRig() { synth->getAeffect()->user = this; }

    static VstIntPtr VSTCALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
    {
        auto* rig = effect ? static_cast<ControllerRig*>(effect->user) : nullptr;
        const auto* list = static_cast<const VstEvents*>(ptr);
        for (VstInt32 i = 0; rig && opcode == audioMasterProcessEvents && i < list->numEvents; ++i) {
            const char* data = reinterpret_cast<const VstMidiEvent*>(list->events[i])->midiData;
            std::lock_guard<std::mutex> lock(rig->mutex);
            rig->echoed.push_back({0, uint8_t(data[0]), uint8_t(data[1]), uint8_t(data[2])});
        }
        return quietHostCallback(effect, opcode, 0, 0, ptr, 0);
    }

    // Each message in a block of its own, through the host's event and process calls.
    void play(const std::vector<MidiMessage>& messages)
    {
        float left[64], right[64];
        float* outputs[2] = {left, right};
        for (const MidiMessage& m : messages) {
            VstMidiEvent event{kVstMidiType, sizeof(VstMidiEvent), 0, 0, 0, 0,
                               {char(m.status), char(m.data1), char(m.data2), 0}, 0, 0, 0, 0};
            VstEvents list{1, 0, {reinterpret_cast<VstEvent*>(&event), nullptr}};
            synth->processEvents(&list);
            synth->processReplacing(nullptr, outputs, 64);
        }
    }

    std::vector<MidiMessage> takeEchoed()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(echoed);
    }
};

#if !defined(_WIN32)
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string folder = (std::filesystem::temp_directory_path() / "vesk-controllers-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(folder.data()));
        root = folder;
        setenv("XDG_CONFIG_HOME", (root / "user").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root / "machine").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::filesystem::path root;
    const std::filesystem::path userFile = "user/Tovimar Sonic/VESK/1", machineFile = "machine/Tovimar Sonic/VESK/1";

    std::vector<uint8_t> read(const std::filesystem::path& file)
    {
        std::ifstream stream(root / file, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), {}};
    }
    void write(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
    {
        std::filesystem::create_directories((root / file).parent_path());
        std::ofstream(root / file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
};
#endif
