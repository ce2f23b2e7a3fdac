#include "platform/PreviewWindow.h"

#include <algorithm>

namespace tavix::platform {

Placement CentreOnScreen(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height)
{
    return {std::max((screenWidth - width) / 2, 0), std::max((screenHeight - height) / 2, 0)};
}

} // namespace tavix::platform
