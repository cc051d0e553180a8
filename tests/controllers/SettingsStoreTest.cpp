#include "ControllerRig.h"

#include <csignal>
#include <sys/resource.h>

namespace {
// The parameter controller 21 drives in a new instance: 31 once learnt, 46
// (LFO 2 Sync) by default.
int32_t controller21InANewInstance() { return ControllerRig().synth->getControllerMap().parameterFor(21); }

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
    EXPECT_EQ(read(machineFile), learnt);
    EXPECT_EQ(read(userFile), learnt);
    EXPECT_EQ(controller21InANewInstance(), 31);
    std::filesystem::remove(root / userFile);
    EXPECT_EQ(controller21InANewInstance(), 31) << "else the machine's";
}

TEST_F(ControllerTest, CorruptShortOrUnreadableFilesGiveTheDefaults)
{
    std::vector<uint8_t> longer = learnController21();
    std::filesystem::remove(root / machineFile);
    longer.push_back(0);
    std::vector<uint8_t> bankSelect(longer.begin(), longer.end() - 1);
    bankSelect[0] = 31;
    for (const auto& bytes : {longer, std::vector<uint8_t>(longer.begin(), longer.end() - 2), {}, bankSelect}) {
        write(userFile, bytes);
        EXPECT_EQ(controller21InANewInstance(), 46) << bytes.size();
    }
    std::filesystem::remove(root / userFile);
    std::filesystem::create_directory(root / userFile);
    EXPECT_EQ(controller21InANewInstance(), 46);
}

TEST_F(ControllerTest, FailedWriteKeepsTheOldFile)
{
    const std::vector<uint8_t> before(128, 0xff);
    write(userFile, before);
    auto rig = std::make_unique<ControllerRig>();
    rig->synth->midiForget(28);
    // A file-size limit below one map makes the write fail part-way, even for
    // root: the stand-in for a full disk.
    struct rlimit saved, tiny;
    getrlimit(RLIMIT_FSIZE, &saved);
    tiny = {64, saved.rlim_max};
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    rig.reset();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(read(userFile), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator((root / userFile).parent_path()), {}), 1);
}
