#include "PluginHost.h"
#include "TestPluginProtocol.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr VstInt32 kBlock = 256;

// Two output channels of one block, filled with a value no plug-in writes.
struct StereoBlock {
    explicit StereoBlock(VstInt32 frames) : left(size_t(frames), 12345.0f), right(size_t(frames), 12345.0f) {}
    float** channels() { return pointers; }
    std::vector<float> left, right;
    float* pointers[2] = {left.data(), right.data()};
};

std::unique_ptr<PluginHost> loadTestPlugin(HostSettings settings = {}, bool start = true)
{
    std::string error;
    std::unique_ptr<PluginHost> host = PluginHost::load(TEST_PLUGIN_PATH, error, std::move(settings));
    EXPECT_NE(host, nullptr) << error;
    if (host && start)
        host->start(kRate, kBlock);
    return host;
}

VstIntPtr query(PluginHost& host, TestPluginQuery which, void* ptr = nullptr)
{
    return host.dispatch(effVendorSpecific, which, kTestPluginId, ptr);
}

std::pair<VstIntPtr, std::string> vendorSeen(PluginHost& host, TestPluginQuery which)
{
    char text[256] = {};
    const VstIntPtr answer = query(host, which, text);
    return {answer, text};
}

} // namespace

TEST(PluginHostLoad, FailuresNameTheirCause)
{
    HostSettings denying;
    denying.answerVersion = false; // the plug-in's entry refuses a host that answers version 0
    const std::string missing = "/nonexistent/folder/NoSuchPlugin.so";
    const struct {
        std::string path;
        HostSettings settings;
        std::vector<std::string> named;
    } cases[] = {{missing, {}, {missing}},
                 {TEST_NO_ENTRY_PATH, {}, {"entry point", TEST_NO_ENTRY_PATH}},
                 {TEST_PLUGIN_PATH, denying, {"refused"}}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(PluginHost::load(c.path, error, c.settings), nullptr) << c.path;
        for (const std::string& fragment : c.named)
            EXPECT_NE(error.find(fragment), std::string::npos) << error;
    }
}

TEST(PluginHostLoad, ClosingOrDestroyingTheHostFreesThePlugin)
{
    // Our own handle keeps the module mapped while hosts come and go.
    void* handle = dlopen(TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    const auto live = reinterpret_cast<TestPluginLiveInstancesProc>(dlsym(handle, kTestPluginLiveInstancesSymbol));
    ASSERT_NE(live, nullptr);
    ASSERT_EQ(live(), 0);
    {
        std::unique_ptr<PluginHost> running = loadTestPlugin(), loadedOnly = loadTestPlugin({}, false);
        ASSERT_NE(running, nullptr);
        ASSERT_NE(loadedOnly, nullptr);
        EXPECT_EQ(live(), 2);
        running->close();
        EXPECT_EQ(running->effect(), nullptr);
        EXPECT_EQ(running->dispatch(effGetVstVersion), 0);
        EXPECT_EQ(live(), 1);
    }
    EXPECT_EQ(live(), 0);
    dlclose(handle);
}

TEST(PluginHostCallback, VendorStringReachesThePluginFromItsEntryCallOnCutToTheLimit)
{
    const struct {
        std::string vendor;
        bool answer;
        std::string seen;
    } cases[] = {{"Steinberg", true, "Steinberg"},
                 {"", true, ""},
                 {"Withheld", false, ""},
                 {std::string(300, 'v'), true, std::string(kVstMaxVendorStrLen - 1, 'v')}};
    for (const auto& c : cases) {
        HostSettings settings;
        settings.vendor = c.vendor;
        settings.answerVendor = c.answer;
        std::unique_ptr<PluginHost> host = loadTestPlugin(settings);
        ASSERT_NE(host, nullptr);
        for (TestPluginQuery which : {kQueryVendorAtEntryNullEffect, kQueryVendorAtEntryOwnEffect, kQueryVendorAtOpen})
            EXPECT_EQ(vendorSeen(*host, which), std::make_pair(VstIntPtr(c.answer ? 1 : 0), c.seen)) << which;
    }
}

TEST(PluginHostCallback, RateAndBlockSizeAreAnsweredAndReachThePluginOnlyWhileSuspended)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin({}, false);
    ASSERT_NE(host, nullptr);
    host->open();
    EXPECT_EQ(query(*host, kQueryBlockSizeReceived), 0);
    host->resume(); // tells a rate and block size never set first
    EXPECT_EQ(query(*host, kQueryRateReceived), static_cast<VstIntPtr>(host->sampleRate()));
    EXPECT_EQ(query(*host, kQueryBlockSizeReceived), host->blockSize());
    host->setSampleRate(96000.0f);
    host->setBlockSize(64);
    EXPECT_EQ(query(*host, kQueryHostSampleRate), 96000);
    EXPECT_EQ(query(*host, kQueryHostBlockSize), 64);
    EXPECT_EQ(query(*host, kQueryRateChangedWhileRunning), 0);
    StereoBlock block(64);
    EXPECT_TRUE(host->process(block.channels(), 64)) << "still running after the change";
}

TEST(PluginHostProcess, EventsArriveAtTheirFramesForOneBlockAndComeBackAsMidiOut)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin();
    ASSERT_NE(host, nullptr);
    const std::vector<MidiMessage> sent = {MidiMessage::noteOn(0, 60, 100), MidiMessage::noteOn(37, 64, 90, 3),
                                           MidiMessage::controlChange(37, 1, 127), MidiMessage::noteOff(kBlock - 1, 60)};
    std::vector<MidiMessage> many; // more than any fixed-size list would hold
    for (uint8_t i = 0; i < 40; ++i)
        many.push_back(MidiMessage::noteOn(i * 6, i, 1));
    for (const std::vector<MidiMessage>& list : {sent, many}) {
        host->clearRecordings();
        host->sendMidi(list);
        StereoBlock block(kBlock);
        ASSERT_TRUE(host->process(block.channels(), kBlock));
        std::vector<float> expected(kBlock, 0.0f);
        for (const MidiMessage& m : list)
            expected[size_t(m.deltaFrames)] += 1.0f;
        EXPECT_EQ(block.right, expected);
        EXPECT_EQ(host->midiOut(), list);
        ASSERT_TRUE(host->process(block.channels(), kBlock));
        EXPECT_EQ(block.right, std::vector<float>(kBlock, 0.0f)) << "events belong to one block only";
    }
    EXPECT_EQ(sent[1].status, 0x93);
    EXPECT_EQ(MidiMessage::pitchBend(5, 8192), (MidiMessage{5, 0xE0, 0x00, 0x40}));
    EXPECT_EQ(MidiMessage::pitchBend(0, 16383, 15), (MidiMessage{0, 0xEF, 0x7F, 0x7F}));
    EXPECT_EQ(MidiMessage::programChange(0, 10, 1), (MidiMessage{0, 0xC1, 10, 0}));
    EXPECT_EQ(MidiMessage::noteOff(3, 64, 0, 9), (MidiMessage{3, 0x89, 64, 0}));
}

TEST(PluginHostProcess, RefusesCallsARealHostWouldNeverMake)
{
    std::unique_ptr<PluginHost> host = loadTestPlugin({}, false);
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

// Two instances loaded and run on two threads, each with a "UI" thread
// automating it while it renders: callbacks reach the instance that made them.
TEST(PluginHostInstances, InstancesOnTwoThreadsGetTheirOwnAnswersAndRecordings)
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
        std::unique_ptr<PluginHost> host = loadTestPlugin(settings);
        if (!host)
            return;
        // Asked with the plug-in's own record, not yet known to the host, the answer must still be this host's.
        outcome.vendorAtEntry = vendorSeen(*host, kQueryVendorAtEntryNullEffect).second + "/" +
                                vendorSeen(*host, kQueryVendorAtEntryOwnEffect).second;
        host->setTempo(tempo);
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
    for (const auto& [outcome, vendor, note] : {std::tuple(&alpha, "Alpha", 3), std::tuple(&beta, "Beta", 6)}) {
        EXPECT_EQ(outcome->vendorAtEntry, std::string(vendor) + "/" + vendor);
        EXPECT_EQ(outcome->wrongTempoBlocks, 0) << vendor;
        ASSERT_EQ(outcome->midiOut.size(), static_cast<size_t>(kBlocks)) << vendor;
        for (const MidiMessage& message : outcome->midiOut)
            EXPECT_EQ(message.data1, note) << vendor;
        ASSERT_EQ(outcome->automation.size(), static_cast<size_t>(kBlocks)) << vendor;
        for (const AutomationRecord& record : outcome->automation)
            EXPECT_EQ(record.index, note % kTestPluginParams) << vendor;
    }
}
