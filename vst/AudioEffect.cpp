#include "AudioEffect.h"

#include <cstring>

namespace {
AudioEffect* objectOf(AEffect* effect) { return effect ? static_cast<AudioEffect*>(effect->object) : nullptr; }
} // namespace

void vstStringCopy(char* destination, const char* source, size_t capacity)
{
    if (!destination || capacity == 0)
        return;
    size_t length = source ? strnlen(source, capacity - 1) : 0;
    memcpy(destination, source ? source : "", length);
    destination[length] = 0;
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleEntry;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setFlag(VstInt32 flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (audioMaster)
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        delete this;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        if (!ptr || value <= 0 || value > 0x7fffffff)
            return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

VstIntPtr VSTCALLBACK AudioEffect::dispatchEntry(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                                 void* ptr, float opt)
{
    AudioEffect* object = objectOf(effect);
    return object ? object->dispatcher(opcode, index, value, ptr, opt) : 0;
}

// The accumulating entry is long deprecated; hosts still call it blindly, and
// adding nothing is the harmless answer.
void VSTCALLBACK AudioEffect::processEntry(AEffect*, float**, float**, VstInt32) {}

void VSTCALLBACK AudioEffect::processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                                    VstInt32 frames)
{
    AudioEffect* object = objectOf(effect);
    if (object && outputs && frames > 0)
        object->processReplacing(inputs, outputs, frames);
}

void VSTCALLBACK AudioEffect::processDoubleEntry(AEffect*, double**, double**, VstInt32) {}

void VSTCALLBACK AudioEffect::setParameterEntry(AEffect* effect, VstInt32 index, float value)
{
    AudioEffect* object = objectOf(effect);
    if (object)
        object->setParameter(index, value);
}

float VSTCALLBACK AudioEffect::getParameterEntry(AEffect* effect, VstInt32 index)
{
    AudioEffect* object = objectOf(effect);
    return object ? object->getParameter(index) : 0.0f;
}
