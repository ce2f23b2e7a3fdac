#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "TransportFixture.h"

using namespace transport_test;

namespace {
class ThreadsTest : public CameraTest {
protected:
    // Waits, up to 10 s, until a direct read is pending on the camera.
    bool WaitForPendingRead()
    {
        for (int i = 0; i < 2000; ++i) {
            for (const auto& entry : Camera().Log())
                if (entry.controlCode == kDirect && entry.pending)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};
} // namespace

TEST_F(ThreadsTest, AnAbortFromAnotherThreadEndsAReadOfTheStream)
{
    const struct {
        const char* what;
        std::function<int()> read;
    } reads[] = {
        {"a direct read that would wait for ever",
         [&] {
             uint8_t block[64];
             uint32_t count = 0;
             return cam_->TransferDirect(cam_->GetStreamHandle(), block, 64, kFrameIn, &count, 0xFFFFFFFFu);
         }},
        {"a frame information read, which does not restart the frame",
         [&] {
             tavix::TransferRequest request{};
             return cam_->ReadFrameInfo(&request);
         }},
    };
    Camera().SetStalled(true);
    for (const auto& row : reads) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(cam_->OpenStream(), 1);
        Camera().ClearLog();
        std::atomic<int> result{-1};
        std::thread reader([&] { result = row.read(); });
        EXPECT_TRUE(WaitForPendingRead());
        EXPECT_EQ(result.load(), -1);
        EXPECT_EQ(cam_->AbortStream(), 1);
        reader.join();
        EXPECT_EQ(result.load(), 0);
        EXPECT_EQ(cam_->GetLastDirectError(), 997u);
        EXPECT_EQ(Requests(kDirect).size(), 1u) << "one read, ended by the abort";
        cam_->CloseStream();
    }

    // An abort without a stream has nothing to do and still succeeds.
    Camera().ClearLog();
    EXPECT_EQ(cam_->AbortStream(), 1);
    EXPECT_TRUE(Camera().Log().empty());

    // Reopened, the stream tries a failed frame again.
    ASSERT_EQ(cam_->OpenStream(), 1);
    Camera().SetStalled(false);
    Camera().FailNextTransfers(1, 0, emu::driver::kUsbdStatusStallPid);
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
