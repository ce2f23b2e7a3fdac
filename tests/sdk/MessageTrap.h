#pragma once
// Collects the messages the library posts, the same way on both platforms:
// a real window's queue on Windows, the message sink on Linux. A frame
// message's TavixFrameInfo is copied as it is taken.

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "TavixSdk.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavix::test {

class MessageTrap {
public:
    struct Message {
        TavixWindow window;
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
        TavixFrameInfo info; // of a delivered frame
    };

    MessageTrap()
    {
#ifdef _WIN32
        window_ = CreateWindowExA(0, "STATIC", "tavix-test", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
#else
        window_ = this;
        TavixLinux_SetMessageSink(&MessageTrap::Sink, this);
#endif
    }
    ~MessageTrap()
    {
#ifdef _WIN32
        DestroyWindow(static_cast<HWND>(window_));
#else
        TavixLinux_SetMessageSink(nullptr, nullptr);
#endif
    }
    MessageTrap(const MessageTrap&) = delete;
    MessageTrap& operator=(const MessageTrap&) = delete;

    TavixWindow Window() const { return window_; }

    // Everything posted since the last call.
    std::vector<Message> Take()
    {
#ifdef _WIN32
        MSG msg;
        while (PeekMessageA(&msg, nullptr, TAVIX_WM_FRAME, TAVIX_WM_ERROR, PM_REMOVE))
            Add(msg.hwnd, msg.message, msg.wParam, msg.lParam);
#endif
        std::lock_guard lock(lock_);
        return std::move(messages_);
    }

    // Takes messages until `done` says so with all taken so far, or the
    // time-out passes; returns them all.
    std::vector<Message> TakeUntil(const std::function<bool(const std::vector<Message>&)>& done,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::vector<Message> all;
        const auto end = std::chrono::steady_clock::now() + timeout;
        do {
            for (Message& m : Take())
                all.push_back(m);
            if (done(all))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
        return all;
    }

    static size_t Frames(const std::vector<Message>& messages)
    {
        size_t n = 0;
        for (const Message& m : messages)
            n += m.message == TAVIX_WM_FRAME && m.wParam != 0 ? 1 : 0;
        return n;
    }

private:
    void Add(TavixWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        Message m{window, message, wParam, lParam, {}};
        if (message == TAVIX_WM_FRAME && wParam != 0)
            m.info = *reinterpret_cast<const TavixFrameInfo*>(wParam);
        std::lock_guard lock(lock_);
        messages_.push_back(m);
    }
#ifndef _WIN32
    static void Sink(void* context, TavixWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        static_cast<MessageTrap*>(context)->Add(window, message, wParam, lParam);
    }
#endif
    TavixWindow window_ = nullptr;
    std::mutex lock_;
    std::vector<Message> messages_;
};

} // namespace tavix::test
