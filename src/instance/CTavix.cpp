#include "instance/CTavix.h"

#include "TavixSdk.h"

namespace tavix {

namespace {
intptr_t SignExtended(uint32_t code) { return static_cast<intptr_t>(static_cast<int32_t>(code)); }
} // namespace

int CTavix::Initialize(platform::WindowHandle notifyWindow)
{
    notifyWindow_ = notifyWindow;
    return 1;
}

void CTavix::PushError(uint32_t code)
{
    errors_.Push(code);
    if (notifyWindow_ != nullptr)
        platform::PostWindowMessage(notifyWindow_, TAVIX_WM_ERROR, 0, SignExtended(code));
}

void CTavix::PostError(uint32_t code) const
{
    platform::PostWindowMessage(notifyWindow_, TAVIX_WM_ERROR, 0, SignExtended(code));
}

} // namespace tavix
