// The dialogs are Win32 templates: elsewhere there is nothing to show.

#include "dialogs/DialogModels.h"

namespace tavix::dialogs {

int ShowImageDialog(platform::WindowHandle, ImageModel&) { return kUnavailable; }
int ShowAnalogDialog(platform::WindowHandle, AnalogModel&) { return kUnavailable; }
int ShowCameraDialog(platform::WindowHandle, CameraFormat&, const std::function<void(const CameraFormat&)>&)
{
    return kUnavailable;
}

} // namespace tavix::dialogs
