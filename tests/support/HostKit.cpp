#include "HostKit.h"

#include <cstring>

VstIntPtr VSTCALLBACK quietHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

MidiList& MidiList::add(VstInt32 deltaFrames, std::array<uint8_t, 3> bytes)
{
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    for (int b = 0; b < 3; ++b)
        event.midiData[b] = static_cast<char>(bytes[size_t(b)]);
    midi.push_back(event);
    return *this;
}

VstEvents* MidiList::events()
{
    storage.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(midi.size());
    for (size_t i = 0; i < midi.size(); ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    return list;
}
