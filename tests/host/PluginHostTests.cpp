#include "PluginHost.h"
#include "TestPluginProtocol.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr VstInt32 kBlock = 256;

// Two output channels of one block, laid out as process() wants them.
struct StereoBlock {
    explicit StereoBlock(VstInt32 frames, float fill = 12345.0f)
        : left(static_cast<size_t>(frames), fill), right(static_cast<size_t>(frames), fill)
    {
    }
    float** channels()
    {
        pointers = {left.data(), right.data()};
        return pointers.data();
    }
    std::vector<float> left;
    std::vector<float> right;
    std::array<float*, 2> pointers{};
};

std::unique_ptr<PluginHost> loadTestPlugin(HostSettings settings = {})
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(TEST_PLUGIN_PATH, error, std::move(settings));
    EXPECT_NE(host, nullptr) << error;
    return host;
}

std::unique_ptr<PluginHost> startTestPlugin(HostSettings settings = {})
{
    std::unique_ptr<PluginHost> host = loadTestPlugin(std::move(settings));
    if (host)
        host->start(kRate, kBlock);
    return host;
}

VstIntPtr query(PluginHost& host, TestPluginQuery which, void* ptr = nullptr)
{
    return host.dispatch(effVendorSpecific, which, kTestPluginId, ptr);
}

struct VendorSeen {
    VstIntPtr answer;
    std::string text;
};

VendorSeen vendorSeen(PluginHost& host, TestPluginQuery which)
{
    char text[256] = {};
    const VstIntPtr answer = query(host, which, text);
    return {answer, text};
}

float tempoHeard(PluginHost& host)
{
    StereoBlock block(kBlock);
    EXPECT_TRUE(host.process(block.channels(), kBlock));
    return block.left[0];
}

// The test plug-in's own count of live instances, read through a handle of
// our own so the module stays mapped while hosts come and go.
class LiveInstances {
public:
    LiveInstances() : handle(dlopen(TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL))
    {
        if (handle)
            count = reinterpret_cast<TestPluginLiveInstancesProc>(dlsym(handle, kTestPluginLiveInstancesSymbol));
    }
    ~LiveInstances()
    {
        if (handle)
            dlclose(handle);
    }
    int operator()() const { return count ? count() : -1; }

private:
    void* handle;
    TestPluginLiveInstancesProc count = nullptr;
};

} // namespace

// --- loading ---------------------------------------------------------------

TEST(PluginHostLoad, MissingModuleFailsNamingThePath)
{
    const std::string path = "/nonexistent/folder/NoSuchPlugin.so";
    std::string error;
    EXPECT_EQ(PluginHost::load(path, error), nullptr);
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(PluginHostLoad, SharedObjectWithoutEntryPointIsRefused)
{
    std::string error;
    EXPECT_EQ(PluginHost::load(TEST_NO_ENTRY_PATH, error), nullptr);
    EXPECT_NE(error.find("entry point"), std::string::npos) << error;
    EXPECT_NE(error.find(TEST_NO_ENTRY_PATH), std::string::npos) << error;
}

TEST(PluginHostLoad, PluginRefusesAHostThatDeniesBeingAVstHost)
{
    HostSettings settings;
    settings.answerVersion = false;
    std::string error;
    EXPECT_EQ(PluginHost::load(TEST_PLUGIN_PATH, error, settings), nullptr);
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
}

TEST(PluginHostLoad, FindsTheOldMainEntryPoint)
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(TEST_PLUGIN_LEGACY_PATH, error);
    ASSERT_NE(host, nullptr) << error;
    EXPECT_EQ(host->effect()->magic, kEffectMagic);
    EXPECT_EQ(host->effect()->uniqueID, kTestPluginId);
}

TEST(PluginHostLoad, BareFileNameMeansTheCurrentFolder)
{
    const std::string path = TEST_PLUGIN_PATH;
    const size_t slash = path.rfind('/');
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(path.substr(0, slash).c_str()), 0);
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(path.substr(slash + 1), error);
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_NE(host, nullptr) << error;
    EXPECT_EQ(host->effect()->uniqueID, kTestPluginId);
}

TEST(PluginHostLoad, DestroyingTheHostClosesThePlugin)
{
    LiveInstances live;
    ASSERT_EQ(live(), 0);
    {
        std::unique_ptr<PluginHost> running = startTestPlugin();
        std::unique_ptr<PluginHost> loadedOnly = loadTestPlugin();
        ASSERT_NE(running, nullptr);
        ASSERT_NE(loadedOnly, nullptr);
        EXPECT_EQ(live(), 2);
        running->close();
        EXPECT_EQ(running->effect(), nullptr);
        EXPECT_EQ(running->dispatch(effGetVstVersion), 0);
        EXPECT_EQ(live(), 1);
    }
    EXPECT_EQ(live(), 0);
}

// --- answers to the plug-in --------------------------------------------------

TEST(PluginHostCallback, VendorStringReachesThePluginDuringConstructionAndOpen)
{
    HostSettings settings;
    settings.vendor = "Steinberg";
    std::unique_ptr<PluginHost> host = startTestPlugin(settings);
    ASSERT_NE(host, nullptr);
    for (TestPluginQuery which : {kQueryVendorAtEntryNullEffect, kQueryVendorAtEntryOwnEffect, kQueryVendorAtOpen}) {
        const VendorSeen seen = vendorSeen(*host, which);
        EXPECT_EQ(seen.answer, 1) << which;
        EXPECT_EQ(seen.text, "Steinberg") << which;
    }
}

TEST(PluginHostCallback, VendorStringCanBeEmptyOrWithheld)
{
    HostSettings empty;
    empty.vendor = "";
    std::unique_ptr<PluginHost> host = startTestPlugin(empty);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtOpen).answer, 1);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtOpen).text, "");

    HostSettings withheld;
    withheld.answerVendor = false;
    host = startTestPlugin(withheld);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtEntryNullEffect).answer, 0);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtOpen).answer, 0);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtOpen).text, "");
}

TEST(PluginHostCallback, LongVendorStringIsCutToWhatHostsPromise)
{
    HostSettings settings;
    settings.vendor = std::string(300, 'v');
    std::unique_ptr<PluginHost> host = startTestPlugin(settings);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(vendorSeen(*host, kQueryVendorAtOpen).text, std::string(kVstMaxVendorStrLen - 1, 'v'));
}

TEST(PluginHostCallback, SampleRateAndBlockSizeAreAnswered)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(query(*host, kQueryHostSampleRate), 48000);
    EXPECT_EQ(query(*host, kQueryHostBlockSize), kBlock);
    host->setSampleRate(96000.0f);
    host->setBlockSize(64);
    EXPECT_EQ(query(*host, kQueryHostSampleRate), 96000);
    EXPECT_EQ(query(*host, kQueryHostBlockSize), 64);
}

TEST(PluginHostCallback, RateChangesReachTheModuleOnlyWhileSuspended)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    host->setSampleRate(44100.0f);
    host->setBlockSize(128);
    EXPECT_EQ(query(*host, kQueryRateChangedWhileRunning), 0);
    StereoBlock block(128);
    EXPECT_TRUE(host->process(block.channels(), 128)) << "still running after the change";
}

TEST(PluginHostCallback, ResumeFirstTellsARateAndBlockSizeNeverSet)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin();
    ASSERT_NE(host, nullptr);
    host->open();
    EXPECT_EQ(query(*host, kQueryBlockSizeReceived), 0);
    host->resume();
    EXPECT_EQ(query(*host, kQueryRateReceived), static_cast<VstIntPtr>(host->sampleRate()));
    EXPECT_EQ(query(*host, kQueryBlockSizeReceived), host->blockSize());
    EXPECT_EQ(query(*host, kQueryRateChangedWhileRunning), 0);
    StereoBlock block(host->blockSize());
    EXPECT_TRUE(host->process(block.channels(), host->blockSize()));
}

TEST(PluginHostCallback, CanDoAnswersWhatThisHostDoes)
{
    HostSettings noTime;
    noTime.provideTimeInfo = false;
    std::unique_ptr<PluginHost> host = startTestPlugin();
    std::unique_ptr<PluginHost> timeless = startTestPlugin(noTime);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(timeless, nullptr);
    char receive[] = "receiveVstMidiEvent";
    char send[] = "sendVstEvents";
    char time[] = "sendVstTimeInfo";
    char unknown[] = "openFileSelector";
    EXPECT_EQ(query(*host, kQueryHostCanDo, receive), 1);
    EXPECT_EQ(query(*host, kQueryHostCanDo, send), 1);
    EXPECT_EQ(query(*host, kQueryHostCanDo, time), 1);
    EXPECT_EQ(query(*timeless, kQueryHostCanDo, time), -1);
    EXPECT_EQ(query(*host, kQueryHostCanDo, unknown), -1);
    EXPECT_EQ(query(*host, kQueryHostCanDo, nullptr), 0);
}

TEST(PluginHostCallback, ResumeRecordsTheWishForMidi)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin();
    ASSERT_NE(host, nullptr);
    host->open();
    EXPECT_FALSE(host->wantsMidi());
    host->resume();
    EXPECT_TRUE(host->wantsMidi());
    EXPECT_EQ(host->callbackCount(audioMasterWantMidi), 1);
}

// --- time info ---------------------------------------------------------------

TEST(PluginHostTime, TempoReachesThePluginWithItsValidFlag)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(tempoHeard(*host), 120.0f);
    host->setTempo(133.5);
    EXPECT_EQ(tempoHeard(*host), 133.5f);
    EXPECT_EQ(host->lastTimeRequest(), kVstTempoValid);
    host->setTempo(90.0, false);
    EXPECT_EQ(tempoHeard(*host), 0.0f) << "tempo present but not flagged valid";
    host->setTimeInfoProvided(false);
    EXPECT_EQ(tempoHeard(*host), kNoTimeInfo);
    host->setTimeInfoProvided(true);
    host->setTempo(90.0, true);
    EXPECT_EQ(tempoHeard(*host), 90.0f);
}

TEST(PluginHostTime, PositionAdvancesByTheFramesProcessed)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    StereoBlock block(kBlock);
    for (VstInt32 frames : {kBlock, 100, 7}) {
        const double before = host->timeInfo().samplePos;
        ASSERT_TRUE(host->process(block.channels(), frames));
        EXPECT_EQ(query(*host, kQuerySamplePos), static_cast<VstIntPtr>(before));
        EXPECT_EQ(host->timeInfo().samplePos, before + frames);
    }
}

// --- processing and events -----------------------------------------------------

TEST(PluginHostProcess, EventsArriveAtTheirFramesAndComeBackAsMidiOut)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    const std::vector<MidiMessage> sent = {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(37, 64, 90, 3),
                                           MidiMessage::controlChange(37, 1, 127),
                                           MidiMessage::noteOff(kBlock - 1, 60)};
    host->sendMidi(sent);
    StereoBlock block(kBlock);
    ASSERT_TRUE(host->process(block.channels(), kBlock));
    for (VstInt32 frame = 0; frame < kBlock; ++frame) {
        const float expected = frame == 0 || frame == kBlock - 1 ? 1.0f : frame == 37 ? 2.0f : 0.0f;
        EXPECT_EQ(block.right[static_cast<size_t>(frame)], expected) << "frame " << frame;
    }
    EXPECT_EQ(host->midiOut(), sent);
    EXPECT_EQ(sent[1].status, 0x93);

    ASSERT_TRUE(host->process(block.channels(), kBlock));
    EXPECT_EQ(block.right, std::vector<float>(kBlock, 0.0f)) << "events belong to one block only";
}

TEST(PluginHostProcess, LongEventListsAreDeliveredWhole)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    std::vector<MidiMessage> sent;
    for (uint8_t i = 0; i < 40; ++i)
        sent.push_back(MidiMessage::noteOn(i * 6, i, 1));
    host->sendMidi(sent);
    StereoBlock block(kBlock);
    ASSERT_TRUE(host->process(block.channels(), kBlock));
    EXPECT_EQ(host->midiOut(), sent);
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(block.right[i * 6], 1.0f);
}

TEST(PluginHostProcess, MessageBuildersMakeStandardBytes)
{
    EXPECT_EQ(MidiMessage::pitchBend(5, 8192), (MidiMessage{5, 0xE0, 0x00, 0x40}));
    EXPECT_EQ(MidiMessage::pitchBend(0, 16383, 15), (MidiMessage{0, 0xEF, 0x7F, 0x7F}));
    EXPECT_EQ(MidiMessage::programChange(0, 10, 1), (MidiMessage{0, 0xC1, 10, 0}));
    EXPECT_EQ(MidiMessage::noteOff(3, 64, 0, 9), (MidiMessage{3, 0x89, 64, 0}));
}

TEST(PluginHostProcess, RefusesCallsARealHostWouldNeverMake)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin();
    ASSERT_NE(host, nullptr);
    host->open();
    host->setSampleRate(kRate);
    host->setBlockSize(64);
    StereoBlock block(128);
    EXPECT_FALSE(host->process(block.channels(), 64)) << "not resumed";
    host->resume();
    EXPECT_FALSE(host->process(block.channels(), 65)) << "larger than the block size";
    EXPECT_FALSE(host->process(block.channels(), -1));
    EXPECT_EQ(block.left[0], 12345.0f) << "a refused call leaves the outputs alone";
    EXPECT_TRUE(host->process(block.channels(), 64));
    host->suspend();
    EXPECT_FALSE(host->process(block.channels(), 64));
}

TEST(PluginHostProcess, AutomationIsRecordedInOrder)
{
    std::unique_ptr<PluginHost> host = startTestPlugin();
    ASSERT_NE(host, nullptr);
    host->setParameter(3, 0.25f);
    host->setParameter(0, 1.0f);
    host->setParameter(kTestPluginParams, 0.5f);
    EXPECT_EQ(host->automation(), (std::vector<AutomationRecord>{{3, 0.25f}, {0, 1.0f}}));
    EXPECT_EQ(host->getParameter(3), 0.25f);
    host->clearRecordings();
    EXPECT_TRUE(host->automation().empty());
}

// --- several instances -------------------------------------------------------

TEST(PluginHostInstances, EachInstanceGetsItsOwnAnswersAndRecordings)
{
    HostSettings first;
    first.vendor = "First";
    HostSettings second;
    second.vendor = "Second";
    std::unique_ptr<PluginHost> a = startTestPlugin(first);
    std::unique_ptr<PluginHost> b = startTestPlugin(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(vendorSeen(*a, kQueryVendorAtEntryOwnEffect).text, "First");
    EXPECT_EQ(vendorSeen(*b, kQueryVendorAtEntryOwnEffect).text, "Second");

    a->setTempo(100.0);
    b->setTempo(150.0);
    a->setParameter(1, 0.1f);
    b->setParameter(2, 0.2f);
    a->sendMidi({MidiMessage::noteOn(1, 61, 1)});
    b->sendMidi({MidiMessage::noteOn(2, 62, 2)});
    EXPECT_EQ(tempoHeard(*a), 100.0f);
    EXPECT_EQ(tempoHeard(*b), 150.0f);
    EXPECT_EQ(a->automation(), (std::vector<AutomationRecord>{{1, 0.1f}}));
    EXPECT_EQ(b->automation(), (std::vector<AutomationRecord>{{2, 0.2f}}));
    EXPECT_EQ(a->midiOut(), (std::vector<MidiMessage>{MidiMessage::noteOn(1, 61, 1)}));
    EXPECT_EQ(b->midiOut(), (std::vector<MidiMessage>{MidiMessage::noteOn(2, 62, 2)}));
}

TEST(PluginHostInstances, InstancesLoadedAndRunOnTwoThreadsStaySeparate)
{
    constexpr int kBlocks = 200;
    struct Outcome {
        std::string vendorAtEntry;
        int wrongTempoBlocks = 0;
        std::vector<MidiMessage> midiOut;
        std::vector<AutomationRecord> automation;
    };
    auto run = [](const std::string& vendor, double tempo, uint8_t note, Outcome& outcome) {
        HostSettings settings;
        settings.vendor = vendor;
        std::string error;
        std::unique_ptr<PluginHost> host = PluginHost::load(TEST_PLUGIN_PATH, error, settings);
        if (!host)
            return;
        outcome.vendorAtEntry = vendorSeen(*host, kQueryVendorAtEntryNullEffect).text;
        host->start(kRate, kBlock);
        host->setTempo(tempo);
        // Automation from a "UI" thread while this one renders.
        std::thread ui([&host, note] {
            for (int i = 0; i < kBlocks; ++i)
                host->setParameter(note % kTestPluginParams, static_cast<float>(i) / kBlocks);
        });
        StereoBlock block(kBlock);
        for (int i = 0; i < kBlocks; ++i) {
            host->sendMidi({MidiMessage::noteOn(i % kBlock, note, 1)});
            host->process(block.channels(), kBlock);
            outcome.wrongTempoBlocks += block.left[0] != static_cast<float>(tempo);
        }
        ui.join();
        outcome.midiOut = host->midiOut();
        outcome.automation = host->automation();
    };
    Outcome alpha, beta;
    std::thread first(run, "Alpha", 100.0, 3, std::ref(alpha));
    std::thread second(run, "Beta", 150.0, 6, std::ref(beta));
    first.join();
    second.join();

    auto check = [](const Outcome& outcome, const std::string& vendor, uint8_t note) {
        EXPECT_EQ(outcome.vendorAtEntry, vendor);
        EXPECT_EQ(outcome.wrongTempoBlocks, 0) << vendor;
        ASSERT_EQ(outcome.midiOut.size(), static_cast<size_t>(kBlocks)) << vendor;
        for (const MidiMessage& message : outcome.midiOut)
            EXPECT_EQ(message.data1, note) << vendor;
        ASSERT_EQ(outcome.automation.size(), static_cast<size_t>(kBlocks)) << vendor;
        for (const AutomationRecord& record : outcome.automation)
            EXPECT_EQ(record.index, note % kTestPluginParams) << vendor;
    };
    check(alpha, "Alpha", 3);
    check(beta, "Beta", 6);
}
