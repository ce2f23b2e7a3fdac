// Exports of the property dialogs: each looks the handle up and shows its
// dialog modally on the calling thread.

#include "TavixSdk.h"
#include "sdk/CallFrame.h"

using tavix::CallInstance;
using tavix::CTavix;

extern "C" {

int32_t TAVIX_API Tavix_SetCameraDlg(uint32_t handle, TavixWindow owner)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetCameraDlg(owner); });
}

int32_t TAVIX_API Tavix_SetAnalogDlg(uint32_t handle, TavixWindow owner)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetAnalogDlg(owner); });
}

int32_t TAVIX_API Tavix_SetImageDlg(uint32_t handle, TavixWindow owner)
{
    return CallInstance(handle, 0, [&](CTavix& t) { return t.SetImageDlg(owner); });
}

} // extern "C"
