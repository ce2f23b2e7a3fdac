#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>

#include "platform/SettingsStore.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#endif

using tavix::platform::SettingsKey;

namespace {

// Each test works below a key of its own and removes it afterwards; on
// POSIX the whole tree lives in a temporary configuration directory.
class SettingsStore : public ::testing::Test {
protected:
#ifndef _WIN32
    void SetUp() override
    {
        std::filesystem::create_directories(config_);
        setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    }
#endif
    void TearDown() override
    {
        EXPECT_TRUE(SettingsKey::RemoveTree(root_));
        EXPECT_EQ(SettingsKey::Open(root_), nullptr);
#ifndef _WIN32
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(config_);
#endif
    }

    const std::string leaf_ = "TavixStoreTest" + std::to_string(std::random_device()());
    const std::string root_ = "Software\\Kelvor\\" + leaf_;
#ifndef _WIN32
    const std::filesystem::path config_ = std::filesystem::temp_directory_path() / leaf_;
    std::filesystem::path Directory(const std::string& relative) const
    {
        return config_ / "tavix" / "Software" / "Kelvor" / leaf_ / relative;
    }
#endif
};

} // namespace

// Round trips of words (negative ones too), the exposure double and overwritten
// values are tests/instance/SettingsTest.cpp's; here is what reads as missing.
TEST_F(SettingsStore, AValueOfTheOtherTypeOrSizeReadsAsMissingAndAReaderTakesNoWrites)
{
    const std::string path = root_ + "\\Camera_00\\Gain";
    EXPECT_EQ(SettingsKey::Open(path), nullptr);
    auto key = SettingsKey::Create(path);
    ASSERT_NE(key, nullptr);
    EXPECT_NE(SettingsKey::Open(root_ + "\\Camera_00"), nullptr) << "parents are created too";
    const double exposure = 12.5;
    ASSERT_TRUE(key->WriteDword("Global", 0xFFFFFFF6u));
    ASSERT_TRUE(key->WriteBinary("ExposureEx", &exposure, sizeof exposure));

    const auto reader = SettingsKey::Open(path);
    ASSERT_NE(reader, nullptr);
    uint32_t word = 77;
    uint8_t bytes[8] = {};
    EXPECT_FALSE(reader->ReadDword("ExposureEx", &word));
    EXPECT_FALSE(reader->ReadDword("Missing", &word));
    EXPECT_EQ(word, 77u) << "a value read as missing leaves the destination alone";
    EXPECT_FALSE(reader->ReadBinary("Global", bytes, 4));
    EXPECT_FALSE(reader->ReadBinary("ExposureEx", bytes, 4));
    EXPECT_FALSE(reader->ReadBinary("ExposureEx", bytes, 7));
    EXPECT_EQ(std::count(bytes, bytes + 8, 0), 8);
    EXPECT_FALSE(reader->WriteDword("Global", 1)) << "a key opened for reading takes no writes";
    EXPECT_TRUE(reader->ReadDword("Global", &word));
    EXPECT_EQ(word, 0xFFFFFFF6u);
}

#ifndef _WIN32
TEST_F(SettingsStore, TheFileTreeIsPrivateAndReplacedWholeAndOddPathsAreRefused)
{
    auto key = SettingsKey::Create(root_ + "\\Camera_01");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteDword("Color", 2));
    struct stat info{};
    ASSERT_EQ(stat(Directory("Camera_01").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((Directory("Camera_01") / ".values").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Directory("Camera_01")), {}), 1)
        << "no temporary file is left behind";

    for (const char* odd : {"", "\\", "a\\\\b", "a\\..\\b", "..", "a/b", ".values", "a\\"})
        EXPECT_EQ(SettingsKey::Create(root_ + "\\" + odd), nullptr) << '"' << odd << '"';
    EXPECT_FALSE(key->WriteDword("with \"quote\"", 1));
    EXPECT_FALSE(key->WriteDword("", 1));
}

TEST_F(SettingsStore, ADamagedValuesFileReadsAsMissingValuesAndIsRewrittenClean)
{
    auto key = SettingsKey::Create(root_ + "\\Filter");
    ASSERT_NE(key, nullptr);
    const std::filesystem::path file = Directory("Filter") / ".values";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "\"Gamma\"=dword:00000064\n"
               "\"Hue\"=dword:0000001\n"           // one digit short
               "\"Contrast\"=dword:0000000g\n"     // not hexadecimal
               "\"Blob\"=hex:01,02,\n"             // trailing comma
               "\"Other\"=sz:text\n"               // a type this store does not have
               "garbage without a name\n"
               "\"Sharpness\"=hex:0a,0b\n"
               "\"Brightness\"=dword:000000"; // cut off mid-line
    }
    uint32_t word = 0;
    uint8_t block[2] = {};
    EXPECT_TRUE(key->ReadDword("Gamma", &word));
    EXPECT_EQ(word, 100u);
    EXPECT_TRUE(key->ReadBinary("Sharpness", block, 2));
    EXPECT_EQ(block[1], 0x0B);
    for (const char* name : {"Hue", "Contrast", "Other", "Brightness"})
        EXPECT_FALSE(key->ReadDword(name, &word)) << name;
    EXPECT_FALSE(key->ReadBinary("Blob", block, 2));

    ASSERT_TRUE(key->WriteDword("Hue", 5));
    EXPECT_TRUE(key->ReadDword("Hue", &word));
    EXPECT_EQ(word, 5u);
    EXPECT_TRUE(key->ReadDword("Gamma", &word)) << "what was readable survives the rewrite";

    // A file far larger than any this library writes is not read at all.
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        out << '\n' << std::string(70 * 1024, '#') << '\n';
    }
    EXPECT_FALSE(key->ReadDword("Gamma", &word));
}
#endif
