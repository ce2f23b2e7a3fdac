#include "ErrorTable.h"

#include <array>

#include "TavixSdk.h"

namespace tavix::tool {

namespace {

#define TAVIX_ENTRY(constant, meaning) ErrorEntry{constant, #constant, meaning}
constexpr std::array kErrors{
    TAVIX_ENTRY(TAVIX_ERR_NONE, "no error"),
    TAVIX_ENTRY(TAVIX_ERR_NO_CAMERA, "no camera is open, or the call is not allowed while acquiring"),
    TAVIX_ENTRY(TAVIX_ERR_DEVICE, "the camera could not be selected or opened"),
    TAVIX_ENTRY(TAVIX_ERR_THREAD, "a thread could not be started"),
    TAVIX_ENTRY(TAVIX_ERR_WINDOW, "the preview window could not be made"),
    TAVIX_ENTRY(TAVIX_ERR_BUFFER, "a buffer could not be allocated, or is too small"),
    TAVIX_ENTRY(TAVIX_ERR_REGISTER, "a register access or a camera-side value failed"),
    TAVIX_ENTRY(TAVIX_ERR_CAPTURE_WINDOW, "the capture window does not fit the sensor"),
    TAVIX_ENTRY(TAVIX_ERR_TRANSFER, "a frame could not be read"),
    TAVIX_ENTRY(TAVIX_ERR_ARGUMENT, "an argument is out of range or missing"),
    TAVIX_ENTRY(TAVIX_ERR_NOT_SUPPORTED, "the camera or the library does not offer this"),
    TAVIX_ENTRY(TAVIX_ERR_CONVERSION, "a text conversion, a file or a recording failed"),
    TAVIX_ENTRY(TAVIX_ERR_CAMERA_STOPPED, "the camera stopped delivering frames (unplugged?)"),
    TAVIX_ENTRY(TAVIX_ERR_FILE, "a file could not be opened, read or written"),
};
#undef TAVIX_ENTRY

} // namespace

ErrorEntry LookupError(uint32_t code)
{
    for (const ErrorEntry& entry : kErrors)
        if (entry.code == code)
            return entry;
    return {code, "unknown", "a code this tool does not know"};
}

std::string DescribeError(uint32_t code)
{
    const ErrorEntry entry = LookupError(code);
    return "SDK error " + std::to_string(code) + " (" + entry.name + "): " + entry.meaning;
}

} // namespace tavix::tool
