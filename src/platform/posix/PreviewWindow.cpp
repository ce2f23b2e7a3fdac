#include "platform/PreviewWindow.h"

namespace tavix::platform {

// There is no window system to make a preview window in.
bool PreviewWindow::Create(WindowHandle, const std::array<int32_t, 4>&, int32_t, int32_t, const void*)
{
    return false;
}

void PreviewWindow::Destroy() {}

bool PreviewWindow::DrawableSize(int32_t*, int32_t*) const { return false; }

bool PreviewWindow::Draw(const void*, const void*) { return false; }

} // namespace tavix::platform
