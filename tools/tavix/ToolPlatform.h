#pragma once
// What the tool needs of the operating system, one implementation per
// platform: a window that receives the library's posted messages, Ctrl-C,
// whether output goes to a terminal, and file names in UTF-8 everywhere.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TavixSdk.h"

namespace tavix::tool {

struct PostedMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    TavixFrameInfo info{}; // copied as the message is taken, for a delivered frame
};

// The notification and callback window handed to the library: on Windows a
// real window whose queue the calling thread pumps, on Linux the message
// sink. Make it, and take its messages, on one thread.
class MessageWindow {
public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    TavixWindow Window() const;
    // Everything posted so far, waiting up to `milliseconds` for the first.
    std::vector<PostedMessage> Take(int milliseconds);

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Ctrl-C (and a polite termination request) set a flag instead of ending
// the process, so that a stream or a recording can stop and report.
void CatchInterrupt();
bool Interrupted();

bool IsTerminal(std::FILE* stream);

// The command line as UTF-8; on Windows read from the wide command line.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Tavix_SaveImage with a UTF-8 name: the W form on Windows, where the plain
// form would take the name in the code page.
int32_t SaveImageUtf8(uint32_t handle, const std::string& fileName, int32_t format);
// Tavix_Record with a UTF-8 name, the same way.
int32_t RecordUtf8(uint32_t handle, const std::string& fileName, int32_t durationMs, int32_t showWindow);

} // namespace tavix::tool
