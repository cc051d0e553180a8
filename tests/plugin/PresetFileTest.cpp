#include "FactoryBank.h"
#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>
#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {
class PresetFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("vesk-presets-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        synth = makeSynth();
    }
    void TearDown() override
    {
        fs::remove_all(folder);
    }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    static std::vector<uint8_t> read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const std::string& file, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static int32_t bigEndian(const std::vector<uint8_t>& bytes, size_t offset)
    {
        return static_cast<int32_t>((uint32_t(bytes[offset]) << 24) | (uint32_t(bytes[offset + 1]) << 16) |
                                    (uint32_t(bytes[offset + 2]) << 8) | uint32_t(bytes[offset + 3]));
    }
    std::string programName(VstInt32 program)
    {
        char name[32];
        synth->getProgramNameIndexed(0, program, name);
        return name;
    }

    fs::path folder;
    std::unique_ptr<VstSynth> synth;
};
} // namespace

TEST_F(PresetFiles, ProgramFileHasTheChunkFileHeader)
{
    synth->setProgram(3);
    synth->savePatch(path("Bright Lead.fxp"));
    std::vector<uint8_t> bytes = read(path("Bright Lead.fxp"));
    ASSERT_EQ(bytes.size(), 60u + 235560u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "CcnK");
    EXPECT_EQ(bigEndian(bytes, 4), 235612);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FPCh");
    EXPECT_EQ(bigEndian(bytes, 12), 1);
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "QZRT");
    EXPECT_EQ(bigEndian(bytes, 24), 329);
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[28]), "Bright Lead");
    EXPECT_EQ(bigEndian(bytes, 56), 235560);
    // Save Patch names the program after the file.
    EXPECT_EQ(programName(3), "Bright Lead");
}

TEST_F(PresetFiles, BankLoadKeepsTheCurrentProgramSelectedAndApplied)
{
    synth->setProgram(5);
    synth->setParameter(28, 0.3f);
    synth->saveBank(path("bank.fxb"));
    synth->setParameter(28, 0.9f);
    synth->setProgram(5);
    synth->loadBank(path("bank.fxb"));
    EXPECT_EQ(synth->getProgram(), 5);
    EXPECT_EQ(synth->getParameter(28), 0.3f);
}

TEST_F(PresetFiles, BadFilesLoadNothing)
{
    synth->setParameter(28, 0.25f);
    synth->saveBank(path("good.fxb"));
    const std::vector<uint8_t> good = read(path("good.fxb"));
    synth->setParameter(28, 0.75f);

    std::vector<std::vector<uint8_t>> bad;
    bad.emplace_back(good.begin(), good.begin() + 100);        // shorter than the header
    bad.emplace_back(good.begin(), good.end() - 1);            // shorter than its chunk
    bad.push_back(good);
    bad.back()[159] ^= 1;                                      // chunk size off by one
    bad.push_back(good);
    bad.back()[16] = 'X';                                      // another plug-in's ID
    bad.push_back(good);
    bad.back()[156] = 0x7f;                                    // absurd chunk size
    bad.push_back(good);
    bad.back()[160 + 4] = 3;                                   // record count inside the chunk
    for (size_t i = 0; i < bad.size(); ++i) {
        write(path("bad.fxb"), bad[i]);
        synth->loadBank(path("bad.fxb"));
        EXPECT_EQ(synth->getParameter(28), 0.75f) << i;
    }
    synth->loadBank(path("missing.fxb"));
    synth->loadBank(path("good.txt"));
    EXPECT_EQ(synth->getParameter(28), 0.75f);
}

TEST_F(PresetFiles, FailedSaveKeepsTheExistingFile)
{
    synth->saveBank(path("keep.fxb"));
    const std::vector<uint8_t> before = read(path("keep.fxb"));
    synth->setParameter(28, 0.1f);
#if defined(_WIN32)
    // Windows refuses to replace a file another program holds open without
    // sharing its deletion: the save fails at its last step, after the new
    // bank was written beside the old one.
    HANDLE held = CreateFileA(path("keep.fxb").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    synth->saveBank(path("keep.fxb"));
    CloseHandle(held);
#else
    // A file-size limit makes the write fail part-way, even for root: the
    // stand-in for a full disk.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &tiny);
    synth->saveBank(path("keep.fxb"));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
#endif
    EXPECT_EQ(read(path("keep.fxb")), before);
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "keep.fxb");
}

