#include <condition_variable>
#include <csignal>
#include <chrono>
#include <mutex>

#include <unistd.h>

#include "ToolPlatform.h"

namespace tavix::tool {

struct MessageWindow::State {
    std::mutex lock;
    std::condition_variable posted;
    std::vector<PostedMessage> messages;

    // Runs on the library's thread: queue and return, never call back.
    static void Sink(void* context, TavixWindow, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        auto* state = static_cast<State*>(context);
        PostedMessage m{message, wParam, lParam, {}};
        if (message == TAVIX_WM_FRAME && wParam != 0)
            m.info = *reinterpret_cast<const TavixFrameInfo*>(wParam);
        {
            std::lock_guard guard(state->lock);
            state->messages.push_back(m);
        }
        state->posted.notify_one();
    }
};

MessageWindow::MessageWindow() : state_(std::make_unique<State>())
{
    TavixLinux_SetMessageSink(&State::Sink, state_.get());
}

MessageWindow::~MessageWindow() { TavixLinux_SetMessageSink(nullptr, nullptr); }

TavixWindow MessageWindow::Window() const { return state_.get(); }

std::vector<PostedMessage> MessageWindow::Take(int milliseconds)
{
    std::unique_lock guard(state_->lock);
    state_->posted.wait_for(guard, std::chrono::milliseconds(milliseconds),
                            [this] { return !state_->messages.empty() || Interrupted(); });
    return std::move(state_->messages);
}

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }
} // namespace

void CatchInterrupt()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() { return g_interrupted != 0; }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

int32_t SaveImageUtf8(uint32_t handle, const std::string& fileName, int32_t format)
{
    return Tavix_SaveImage(handle, fileName.c_str(), format);
}

int32_t RecordUtf8(uint32_t handle, const std::string& fileName, int32_t durationMs, int32_t showWindow)
{
    return Tavix_Record(handle, fileName.c_str(), durationMs, showWindow);
}

} // namespace tavix::tool
