// What tests need to stand in for a host around a plug-in object: a callback
// that answers only the version, a stereo output buffer, and a MIDI event list
// in the layout processEvents takes.
#pragma once

#include "VstAbi.h"

#include <array>
#include <cstdint>
#include <vector>

VstIntPtr VSTCALLBACK quietHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                        void* ptr, float opt);

struct StereoBuffer {
    explicit StereoBuffer(size_t frames, float fill = 0.0f) : left(frames, fill), right(frames, fill) {}
    float** channels()
    {
        pointers[0] = left.data();
        pointers[1] = right.data();
        return pointers;
    }
    // Appends another buffer's frames, for collecting a run of blocks.
    void append(const StereoBuffer& more)
    {
        left.insert(left.end(), more.left.begin(), more.left.end());
        right.insert(right.end(), more.right.begin(), more.right.end());
    }
    std::vector<float> left, right;
    float* pointers[2] = {};
};

class MidiList {
public:
    MidiList& add(VstInt32 deltaFrames, std::array<uint8_t, 3> bytes);
    MidiList& noteOn(VstInt32 delta, uint8_t note, uint8_t velocity = 100) { return add(delta, {0x90, note, velocity}); }
    MidiList& noteOff(VstInt32 delta, uint8_t note) { return add(delta, {0x80, note, 0}); }
    MidiList& control(VstInt32 delta, uint8_t number, uint8_t value) { return add(delta, {0xb0, number, value}); }
    // Valid until the next add().
    VstEvents* events();
    void clear() { midi.clear(); }

private:
    std::vector<VstMidiEvent> midi;
    std::vector<char> storage;
};
