#include "HostKit.h"
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
        StereoBuffer block(kBlock, 12345.0f); // a value no plug-in writes
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
