#include "ControllerRig.h"

#include <csignal>
#include <sys/resource.h>

namespace {
// The parameter controller 21 drives in a new instance: 31 where learnt
// below, 46 (LFO 2 Sync) by default.
int32_t controller21InANewInstance()
{
    ControllerRig rig;
    return rig.synth->getControllerMap().parameterFor(21);
}

std::vector<uint8_t> learnController21()
{
    ControllerRig rig;
    rig.synth->midiLearn(31);
    rig.play({cc(21, 64)});
    const ControllerMap::Bytes bytes = rig.synth->getControllerMap().bytes();
    return {bytes.begin(), bytes.end()};
}
} // namespace

TEST_F(ControllerTest, LearntMapIsThereInTheNextInstance)
{
    ControllerRig().play({cc(74, 1)});
    EXPECT_FALSE(std::filesystem::exists(root / "user")) << "nothing written when nothing changed";
    const std::vector<uint8_t> learnt = learnController21();
    EXPECT_EQ(readBytes(machineFile()), learnt);
    EXPECT_EQ(readBytes(userFile()), learnt);
    EXPECT_EQ(controller21InANewInstance(), 31);
    std::filesystem::remove(userFile());
    EXPECT_EQ(controller21InANewInstance(), 31) << "else the machine's";
}

TEST_F(ControllerTest, CorruptShortOrUnreadableFilesGiveTheDefaults)
{
    std::vector<uint8_t> longer = learnController21();
    std::filesystem::remove(machineFile());
    longer.push_back(0);
    for (const auto& bytes : {longer, std::vector<uint8_t>(longer.begin(), longer.end() - 2), {}}) {
        writeBytes(userFile(), bytes);
        EXPECT_EQ(controller21InANewInstance(), 46) << bytes.size();
    }
    std::filesystem::remove(userFile());
    std::filesystem::create_directory(userFile());
    EXPECT_EQ(controller21InANewInstance(), 46);
}

TEST_F(ControllerTest, FailedWriteKeepsTheOldFile)
{
    const std::vector<uint8_t> before(128, 0xff);
    writeBytes(userFile(), before);
    auto rig = std::make_unique<ControllerRig>();
    rig->synth->midiForget(28);
    // A file-size limit below one map makes the write fail part-way, even for
    // root: the stand-in for a full disk.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &tiny);
    rig.reset();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(readBytes(userFile()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(userFile().parent_path()), {}), 1);
}
