#include "CameraSession.h"

#include "ErrorTable.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
constexpr int kMaxCameraNumber = 31;
constexpr int kEnumEntries = 10;
constexpr int kErrorStackDepth = 20;
} // namespace

CameraSession::CameraSession(MessageWindow& messages) : messages_(messages)
{
    handle_ = Tavix_Initialize(messages_.Window());
    if (handle_ == 0)
        throw CameraFailure("the library could not make a camera instance");
}

CameraSession::~CameraSession() { Tavix_Release(handle_); }

int CameraSession::CameraCount()
{
    char names[kEnumEntries][256] = {};
    const int count = Tavix_EnumDevice(handle_, names);
    TakeErrors();
    return count;
}

void CameraSession::Open(int number)
{
    const int count = CameraCount();
    if (count == 0)
        throw CameraFailure("no camera found (TAVIX_CAMEMU=1 in the environment gives an emulated one)");
    if (number < 0 || number > kMaxCameraNumber)
        throw UsageError("--camera takes 0 to " + std::to_string(kMaxCameraNumber));
    Check(Tavix_SetDeviceNumber(handle_, number),
          "opening camera " + std::to_string(number) + " (" + std::to_string(count) + " found; see 'tavix list')");
    TakeErrors();
}

TavixCameraInfo CameraSession::Info()
{
    TavixCameraInfo info{};
    info.size = sizeof info;
    Check(Tavix_GetCameraInfo(handle_, &info), "reading the camera information");
    return info;
}

std::vector<uint32_t> CameraSession::TakeErrors()
{
    // Every recorded code is also posted, and some are only posted: the
    // messages are the one complete account; the stack is just emptied
    // (whole, as 0 is a code it may hold too).
    for (int i = 0; i < kErrorStackDepth; ++i)
        Tavix_GetLastError(handle_);
    std::vector<uint32_t> codes;
    for (const PostedMessage& m : messages_.Take(0))
        if (m.message == TAVIX_WM_ERROR && m.lParam != 0)
            codes.push_back(static_cast<uint32_t>(m.lParam));
    return codes;
}

void CameraSession::Fail(const std::string& what)
{
    const std::vector<uint32_t> codes = TakeErrors();
    std::string text = what + " failed";
    if (codes.empty())
        text += " (the SDK reported no error code)";
    for (size_t i = 0; i < codes.size(); ++i)
        text += (i == 0 ? ": " : "; then ") + DescribeError(codes[i]);
    throw CameraFailure(text);
}

} // namespace tavix::tool
