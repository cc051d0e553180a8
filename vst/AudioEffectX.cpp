#include "AudioEffectX.h"

#include <cstring>

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams)
{
}

void AudioEffectX::resume()
{
    if (audioMaster)
        audioMaster(&cEffect, audioMasterWantMidi, 0, 1, nullptr, 0);
}

bool AudioEffectX::getHostVendorString(char* text)
{
    memset(text, 0, kVstHostVendorBufferLen);
    if (!audioMaster)
        return false;
    bool answered = audioMaster(&cEffect, audioMasterGetVendorString, 0, 0, text, 0) != 0;
    // A careless host may fill the whole buffer; never read past it.
    text[kVstHostVendorBufferLen - 1] = 0;
    return answered;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter)
{
    if (!audioMaster)
        return nullptr;
    return reinterpret_cast<VstTimeInfo*>(audioMaster(&cEffect, audioMasterGetTime, 0, filter, nullptr, 0));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events)
{
    return audioMaster && audioMaster(&cEffect, audioMasterProcessEvents, 0, 0, events, 0) == 1;
}

void AudioEffectX::setNumPrograms(VstInt32 count)
{
    numPrograms = count;
    cEffect.numPrograms = count;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed:
        return ptr && getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetEffectName:
        return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetVstVersion:
        return getVstVersion();
    case effSetEditKnobMode:
        return editor && editor->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
