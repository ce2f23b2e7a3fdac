#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/SharedMemory.h"

using tavix::platform::SharedMemory;

namespace {
std::string UniqueName(const char* base)
{
    return std::string(base) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}
} // namespace

TEST(SharedMemory, OpenFindsNothingBeforeCreate)
{
    const std::string name = UniqueName("TavixTest");
    SharedMemory::Remove(name.c_str());
    EXPECT_EQ(SharedMemory::Open(name.c_str(), 8584), nullptr);
}

TEST(SharedMemory, TwoViewsOfOneNameShareTheBytes)
{
    const std::string name = UniqueName("TavixTest");
    SharedMemory::Remove(name.c_str());
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
    SharedMemory::Remove(name.c_str());
}

TEST(SharedMemory, RegionEndsWithItsLastUser)
{
    const std::string name = UniqueName("TavixTest");
    {
        auto region = SharedMemory::Create(name.c_str(), 64);
        ASSERT_NE(region, nullptr);
        static_cast<char*>(region->Data())[0] = 7;
    }
    SharedMemory::Remove(name.c_str());
    EXPECT_EQ(SharedMemory::Open(name.c_str(), 64), nullptr);
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
    first.reset();
    // Everyone gone (as after a crash): the region stays, its next user is alone.
    auto later = SharedMemory::Open(name.c_str(), 64);
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(later->OpenedAlone());
#endif
    first.reset();
    SharedMemory::Remove(name.c_str());
}
