// The learnt controller map in the Windows registry, as a host on Windows
// meets it: written when an instance that changed it goes, found by the next
// instance (here one loaded from the module through its entry point), the
// user's before the machine's, and anything but one whole valid map ignored.
#include "ControllerRig.h"

#include <windows.h>

namespace {
const char* const kKey = "Software\\Tovimar Sonic\\VESK";
const char* const kMaker = "Software\\Tovimar Sonic";
// The 32-bit view, where the 32-bit product keeps the machine's map; the
// 64-bit module shares it.
const REGSAM kView = KEY_WOW64_32KEY;

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<uint8_t> bytes;
    bool present = false;
};

StoredValue readValue(HKEY root)
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(root, kKey, 0, KEY_QUERY_VALUE | kView, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, "1", nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.present =
            RegQueryValueExA(key, "1", nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return value;
}

void writeValue(HKEY root, DWORD type, const std::vector<uint8_t>& bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "1", 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

void removeSettings()
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        RegDeleteKeyExA(root, kKey, kView, 0);
        RegDeleteKeyExA(root, kMaker, kView, 0);
    }
}

bool keyExists(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExA(root, kKey, 0, KEY_QUERY_VALUE | kView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override { removeSettings(); }
    void TearDown() override { removeSettings(); }

    // Learns controller 21 for LFO 1 Sync (31) and lets the instance go.
    static std::vector<uint8_t> learnController21()
    {
        ControllerRig rig;
        rig.synth->midiLearn(31);
        rig.play({cc(21, 64)});
        const ControllerMap::Bytes bytes = rig.synth->getControllerMap().bytes();
        return {bytes.begin(), bytes.end()};
    }

    // What controller 21 drives in a new plug-in object: 31 once learnt, 46
    // (LFO 2 Sync) by default.
    static int32_t controller21InANewInstance() { return ControllerRig().synth->getControllerMap().parameterFor(21); }
};
} // namespace

TEST_F(RegistryStore, LearntMapIsThereInTheNextInstanceLoadedFromTheModule)
{
    ControllerRig().play({cc(74, 1)});
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER)) << "nothing written when nothing changed";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE));

    const std::vector<uint8_t> learnt = learnController21();
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const StoredValue stored = readValue(root);
        ASSERT_TRUE(stored.present);
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(stored.bytes, learnt);
    }

    auto host = loadVesk();
    ASSERT_TRUE(host);
    host->start(44100.0f, 64);
    const float lfo2Sync = host->getParameter(46);
    host->sendMidi({cc(21, 127)});
    std::vector<float> left(64), right(64);
    float* outputs[] = {left.data(), right.data()};
    ASSERT_TRUE(host->process(outputs, 64));
    EXPECT_EQ(host->getParameter(31), 1.0f) << "controller 21 drives LFO 1 Sync, as learnt";
    EXPECT_EQ(host->getParameter(46), lfo2Sync);
}

TEST_F(RegistryStore, TheUsersMapComesFirstThenTheMachines)
{
    std::vector<uint8_t> user = learnController21();
    std::vector<uint8_t> machine(user.begin(), user.end());
    machine[21] = 32; // LFO 1 Rate in the machine's map
    writeValue(HKEY_LOCAL_MACHINE, REG_BINARY, machine);
    EXPECT_EQ(controller21InANewInstance(), 31);
    removeSettings();
    writeValue(HKEY_LOCAL_MACHINE, REG_BINARY, machine);
    EXPECT_EQ(controller21InANewInstance(), 32);
}

TEST_F(RegistryStore, AnythingButOneWholeValidMapGivesTheDefaults)
{
    const std::vector<uint8_t> learnt = learnController21();
    removeSettings();
    std::vector<uint8_t> longer(learnt), shorter(learnt.begin(), learnt.end() - 1), bankSelect(learnt);
    longer.push_back(0xff);
    bankSelect[0] = 31;
    for (const auto& bytes : {longer, shorter, bankSelect, std::vector<uint8_t>{}}) {
        writeValue(HKEY_CURRENT_USER, REG_BINARY, bytes);
        EXPECT_EQ(controller21InANewInstance(), 46) << bytes.size() << " bytes";
    }
    writeValue(HKEY_CURRENT_USER, REG_SZ, learnt);
    EXPECT_EQ(controller21InANewInstance(), 46) << "not a binary value";
}
