// TAVIX_CAMEMU=<n> puts n emulated cameras in place of the driver's devices
// (the platform asks this factory when the variable is set);
// TAVIX_CAMEMU_STILL=1 makes every frame of them identical.

#include <cstdlib>
#include <cstring>

#include "emulator/EmulatedPort.h"

namespace tavix::emu {

namespace {

platform::DevicePort* MakeEnvironmentPort(int cameraCount)
{
    CameraOptions options;
    const char* still = std::getenv("TAVIX_CAMEMU_STILL");
    options.still = still != nullptr && std::strcmp(still, "1") == 0;
    // The port lives until the process ends: handles of the library may be
    // closed by static destructors after any port object would be gone.
    try {
        static EmulatedPort* port = new EmulatedPort(cameraCount, options);
        return port;
    } catch (...) {
        return nullptr;
    }
}

// Registered when the library (or a test) is loaded; linked as an object so
// that no linker drops it.
struct Registrar {
    Registrar() { platform::RegisterEmulatedPortFactory(&MakeEnvironmentPort); }
} g_registrar;

} // namespace

} // namespace tavix::emu
