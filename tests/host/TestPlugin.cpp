// A minimal plug-in written straight against the AEffect record, so the host
// library is tested without the synthesizer: it echoes what the host gives it
// (see TestPluginProtocol.h).
#include "TestPlugin.h"
#include "TestPluginProtocol.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// The one count that is per module rather than per instance by nature: it
// lets a test see that the host really freed its plug-ins.
std::atomic<int> liveInstances{0};

constexpr int kMaxEvents = 64;

struct VendorAnswer {
    char text[256] = {};
    VstIntPtr answer = 0;
};

struct TestPlugin {
    explicit TestPlugin(audioMasterCallback hostCallback);
    ~TestPlugin() { --liveInstances; }

    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0)
    {
        return host(&effect, opcode, index, value, ptr, opt);
    }
    VendorAnswer askVendor(AEffect* asEffect)
    {
        VendorAnswer result;
        result.answer = host(asEffect, audioMasterGetVendorString, 0, 0, result.text, 0);
        return result;
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr query(VstInt32 which, void* ptr);
    void process(float** outputs, VstInt32 frames);

    AEffect effect{};
    audioMasterCallback host;
    VendorAnswer vendorAtEntryNull, vendorAtEntryOwn, vendorAtOpen;
    float params[kTestPluginParams] = {};
    bool resumed = false;
    bool rateChangedWhileRunning = false;
    float rateReceived = 0.0f;
    VstIntPtr blockSizeReceived = 0;
    double lastSamplePos = -1.0;
    VstMidiEvent events[kMaxEvents] = {};
    int eventCount = 0;
};

TestPlugin* self(AEffect* effect) { return static_cast<TestPlugin*>(effect->object); }

TestPlugin::TestPlugin(audioMasterCallback hostCallback) : host(hostCallback)
{
    ++liveInstances;
    effect.magic = kEffectMagic;
    effect.dispatcher = [](AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
        return self(e)->dispatch(opcode, index, value, ptr, opt);
    };
    effect.process = [](AEffect*, float**, float**, VstInt32) {};
    effect.processReplacing = [](AEffect* e, float**, float** outputs, VstInt32 frames) {
        self(e)->process(outputs, frames);
    };
    effect.setParameter = [](AEffect* e, VstInt32 index, float value) {
        if (index < 0 || index >= kTestPluginParams)
            return;
        self(e)->params[index] = value;
        self(e)->call(audioMasterAutomate, index, 0, nullptr, value);
    };
    effect.getParameter = [](AEffect* e, VstInt32 index) {
        return index >= 0 && index < kTestPluginParams ? self(e)->params[index] : 0.0f;
    };
    effect.numParams = kTestPluginParams;
    effect.numOutputs = kTestPluginOutputs;
    effect.flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = kTestPluginId;
    effect.version = 1;
    // Both ways plug-ins ask before their record is handed over: with no
    // record at all, and with their own record the host does not know yet.
    vendorAtEntryNull = askVendor(nullptr);
    vendorAtEntryOwn = askVendor(&effect);
}

VstIntPtr TestPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case effClose:
        delete this;
        return 1;
    case effOpen:
        vendorAtOpen = askVendor(&effect);
        return 0;
    case effSetSampleRate:
        rateReceived = opt;
        rateChangedWhileRunning = rateChangedWhileRunning || resumed;
        return 0;
    case effSetBlockSize:
        blockSizeReceived = value;
        rateChangedWhileRunning = rateChangedWhileRunning || resumed;
        return 0;
    case effMainsChanged:
        resumed = value != 0;
        if (resumed)
            call(audioMasterWantMidi, 0, 1);
        return 0;
    case effProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        eventCount = 0;
        for (VstInt32 i = 0; list && i < list->numEvents && eventCount < kMaxEvents; ++i)
            if (list->events[i] && list->events[i]->type == kVstMidiType)
                events[eventCount++] = *reinterpret_cast<const VstMidiEvent*>(list->events[i]);
        return 1;
    }
    case effVendorSpecific:
        return value == kTestPluginId ? query(index, ptr) : 0;
    case effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

VstIntPtr TestPlugin::query(VstInt32 which, void* ptr)
{
    const VendorAnswer* vendor = which == kQueryVendorAtEntryNullEffect ? &vendorAtEntryNull
                                 : which == kQueryVendorAtEntryOwnEffect ? &vendorAtEntryOwn
                                 : which == kQueryVendorAtOpen           ? &vendorAtOpen
                                                                         : nullptr;
    if (vendor) {
        if (ptr)
            std::memcpy(ptr, vendor->text, sizeof vendor->text);
        return vendor->answer;
    }
    switch (which) {
    case kQueryHostCanDo:
        return call(audioMasterCanDo, 0, 0, ptr);
    case kQueryHostSampleRate:
        return call(audioMasterGetSampleRate);
    case kQueryHostBlockSize:
        return call(audioMasterGetBlockSize);
    case kQuerySamplePos:
        return static_cast<VstIntPtr>(lastSamplePos);
    case kQueryRateChangedWhileRunning:
        return rateChangedWhileRunning ? 1 : 0;
    case kQueryRateReceived:
        return static_cast<VstIntPtr>(rateReceived);
    case kQueryBlockSizeReceived:
        return blockSizeReceived;
    default:
        return 0;
    }
}

void TestPlugin::process(float** outputs, VstInt32 frames)
{
    const auto* time = reinterpret_cast<const VstTimeInfo*>(call(audioMasterGetTime, 0, kVstTempoValid));
    float tempo = kNoTimeInfo;
    if (time) {
        tempo = (time->flags & kVstTempoValid) ? static_cast<float>(time->tempo) : 0.0f;
        lastSamplePos = time->samplePos;
    }
    std::fill(outputs[0], outputs[0] + frames, tempo);
    std::fill(outputs[1], outputs[1] + frames, 0.0f);
    // The echo goes back as a VstEvents with room for every event.
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxEvents];
    } echo = {eventCount, 0, {}};
    static_assert(offsetof(decltype(echo), events) == offsetof(VstEvents, events), "VstEvents layout");
    for (int i = 0; i < eventCount; ++i) {
        if (events[i].deltaFrames >= 0 && events[i].deltaFrames < frames)
            outputs[1][events[i].deltaFrames] += 1.0f;
        echo.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    }
    if (eventCount > 0)
        call(audioMasterProcessEvents, 0, 0, &echo);
    eventCount = 0;
}

} // namespace

AEffect* createTestPlugin(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0)
        return nullptr;
    return &(new TestPlugin(host))->effect;
}

extern "C" __attribute__((visibility("default"))) int testPluginLiveInstances() { return liveInstances; }
