#pragma once
// The stored capture format of one camera number as the camera format
// dialog edits it: every geometry preset ("Size_00" upward, without gaps)
// and the camera values "Size", "Color", "SubSample", "WaitTime", "Clock".

#include <cstdint>

#include "dialogs/DialogModels.h"

namespace tavix::settings {

// Values that cannot be read keep what `format` held.
void ReadCameraFormat(int32_t cameraNumber, dialogs::CameraFormat& format);
bool WriteCameraFormat(int32_t cameraNumber, const dialogs::CameraFormat& format);

} // namespace tavix::settings
