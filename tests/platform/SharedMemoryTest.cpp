#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/SharedMemory.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using tavix::platform::SharedMemory;

namespace {
std::string UniqueName(const char* base)
{
    return std::string(base) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}
} // namespace

// Open before Create finding nothing, and a dead user's region being taken
// alone, are checked through the device table in tests/transport/SharedTableTest.cpp.
TEST(SharedMemory, ANewRegionIsZeroedSharedByItsViewsAndGoneOnceRemovedAndLeft)
{
    const std::string name = UniqueName("TavixTest");
    SharedMemory::Remove(name.c_str());
    {
        auto first = SharedMemory::Create(name.c_str(), 8584);
        ASSERT_NE(first, nullptr);
        ASSERT_EQ(first->Size(), 8584u);
        const auto* bytes = static_cast<const unsigned char*>(first->Data());
        for (size_t i = 0; i < first->Size(); ++i)
            ASSERT_EQ(bytes[i], 0) << "a new region starts zero-filled, byte " << i;

        auto second = SharedMemory::Open(name.c_str(), 8584);
        ASSERT_NE(second, nullptr);
        std::memcpy(static_cast<char*>(first->Data()) + 8580, "\x2A\0\0\0", 4);
        EXPECT_EQ(std::memcmp(static_cast<char*>(second->Data()) + 8580, "\x2A\0\0\0", 4), 0);

        // Create of an existing name opens it, keeping the contents.
        auto third = SharedMemory::Create(name.c_str(), 8584);
        ASSERT_NE(third, nullptr);
        EXPECT_EQ(static_cast<unsigned char*>(third->Data())[8580], 0x2A);
    }
    SharedMemory::Remove(name.c_str());
    EXPECT_EQ(SharedMemory::Open(name.c_str(), 8584), nullptr);
}

TEST(SharedMemory, AnOpenerLearnsWhetherAnyoneElseHoldsTheRegion)
{
    const std::string name = UniqueName("TavixTest");
    SharedMemory::Remove(name.c_str());
    auto first = SharedMemory::Create(name.c_str(), 64);
    ASSERT_NE(first, nullptr);
#ifdef _WIN32
    // A Windows mapping ends with its last handle: nothing is left to probe.
    EXPECT_FALSE(first->OpenedAlone());
#else
    EXPECT_TRUE(first->OpenedAlone());
    {
        auto second = SharedMemory::Open(name.c_str(), 64);
        ASSERT_NE(second, nullptr);
        EXPECT_FALSE(second->OpenedAlone());
        auto third = SharedMemory::Open(name.c_str(), 64);
        ASSERT_NE(third, nullptr);
        EXPECT_FALSE(third->OpenedAlone()) << "the first probe left the others' locks in place";
    }
#endif
    SharedMemory::Remove(name.c_str());
}

#ifndef _WIN32
TEST(SharedMemory, ARegionOthersCouldReachOrThatIsNotOursIsRefused)
{
    // The object as another local user could plant it before the library
    // runs: /dev/shm is open to all. The library names its objects
    // "/<name>.<uid>".
    const std::string name = UniqueName("TavixTest");
    const std::string posixName = "/" + name + "." + std::to_string(getuid());
    const struct {
        mode_t mode;
        bool foreignOwner;
    } cases[] = {{0666, false}, {0640, false}, {0602, false}, {0600, true}};
    for (const auto& c : cases) {
        if (c.foreignOwner && geteuid() != 0)
            continue; // only root can give an object away
        SCOPED_TRACE(testing::Message() << "mode " << std::oct << c.mode << (c.foreignOwner ? ", owner nobody" : ""));
        shm_unlink(posixName.c_str());
        const int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 64), 0);
        ASSERT_EQ(fchmod(fd, c.mode), 0);
        if (c.foreignOwner) {
            ASSERT_EQ(fchown(fd, 65534, 65534), 0);
        }
        close(fd);
        EXPECT_EQ(SharedMemory::Open(name.c_str(), 64), nullptr);
        EXPECT_EQ(SharedMemory::Create(name.c_str(), 64), nullptr) << "an existing object is checked, not taken over";
    }
    shm_unlink(posixName.c_str());
}
#endif
