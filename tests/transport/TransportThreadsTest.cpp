#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TransportFixture.h"

using namespace transport_test;

namespace {
using ThreadsTest = CameraTest;

bool WaitUntil(const std::function<bool()>& condition)
{
    for (int i = 0; i < 2000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}
} // namespace

TEST_F(ThreadsTest, AnAbortFromAnotherThreadEndsAReadThatWouldWaitForever)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    ASSERT_EQ(cam_->SendStartRequest(nullptr), 1);
    Camera().SetStalled(true);
    Camera().ClearLog();

    std::atomic<int> result{-1};
    std::thread reader([&] {
        uint8_t block[64];
        uint32_t count = 0;
        result = cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, 0x81, &count, 0xFFFFFFFFu);
    });
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& entry : Camera().Log())
            if (entry.controlCode == kDirect && entry.pending)
                return true;
        return false;
    }));
    EXPECT_EQ(result.load(), -1);
    EXPECT_EQ(cam_->AbortStream(), 1);
    reader.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(cam_->GetLastDirectError(), 997u);

    // An abort without a stream has nothing to do and still succeeds.
    cam_->CloseStream();
    Camera().ClearLog();
    EXPECT_EQ(cam_->AbortStream(), 1);
    EXPECT_TRUE(Camera().Log().empty());
}

TEST_F(ThreadsTest, AnAbortEndsAFrameReadWithoutRestartingTheFrame)
{
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().SetStalled(true);
    Camera().ClearLog();
    std::atomic<int> result{-1};
    std::thread reader([&] {
        tavix::TransferRequest request{};
        result = cam_->ReadFrameInfo(&request);
    });
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& entry : Camera().Log())
            if (entry.controlCode == kDirect && entry.pending)
                return true;
        return false;
    }));
    EXPECT_EQ(cam_->AbortStream(), 1);
    reader.join();
    EXPECT_EQ(result.load(), 0);
    size_t reads = 0;
    for (const auto& entry : Camera().Log())
        reads += entry.controlCode == kDirect ? 1 : 0;
    EXPECT_EQ(reads, 1u) << "the aborted read is not followed by 14 more attempts";

    // Reopened, the stream retries stalled frames again as usual.
    cam_->CloseStream();
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().SetStalled(false);
    tavix::TransferRequest request{};
    EXPECT_EQ(cam_->ReadFrameInfo(&request), 1);
}

TEST_F(ThreadsTest, StreamOpenAndCloseRaceAnAbortSafely)
{
    std::atomic<bool> stop{false};
    std::thread aborter([&] {
        while (!stop)
            cam_->AbortStream();
    });
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(cam_->OpenStream(), 1);
        cam_->CloseStream();
    }
    stop = true;
    aborter.join();
    EXPECT_EQ(Camera().OpenHandles(), 0);
}

TEST_F(ThreadsTest, FpgaRegisterReadsFromTwoThreadsStayPaired)
{
    // Each read writes the register number, then reads the port: without the
    // lock one thread's number would answer the other's read.
    Camera().SetFpgaRegister(0x20, 0x11);
    Camera().SetFpgaRegister(0x21, 0x22);
    std::atomic<int> wrong{0};
    std::atomic<int> ready{0};
    auto reader = [&](uint8_t reg, uint8_t expected) {
        ++ready;
        while (ready < 2) {
        }
        for (int i = 0; i < 2000; ++i) {
            uint8_t value = 0;
            if (!cam_->ReadFpgaRegister(reg, &value) || value != expected)
                ++wrong;
        }
    };
    std::thread first(reader, 0x20, 0x11);
    std::thread second(reader, 0x21, 0x22);
    first.join();
    second.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(Camera().OpenHandles(), 0) << "every control handle was closed";
}
