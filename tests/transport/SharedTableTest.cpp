#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "TransportFixture.h"
#include "transport/SharedDeviceTable.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

using namespace transport_test;
using tavix::platform::SharedMemory;

namespace {
constexpr size_t kTableBytes = 8584;
constexpr const char* kChildTableVariable = "TAVIX_TRANSPORT_CHILD_TABLE";
// Only a child that ran its checks without a failure ends with this code: a
// child that skipped, found no test or failed ends with 0 or 1.
constexpr int kChildPassed = 42;

// An independent view of the mapping, read field by field.
struct TableView {
    explicit TableView(const std::string& name) : view(SharedMemory::Open(name.c_str(), kTableBytes)) {}
    std::unique_ptr<SharedMemory> view;

    const uint8_t* Bytes() const { return static_cast<const uint8_t*>(view->Data()); }
    uint32_t AttachCount() const { return U32(Bytes()); }
    uint32_t EntryCount() const { return U32(Bytes() + 8580); }
    const uint8_t* Entry(int position) const { return Bytes() + 4 + 268 * position; }
    int32_t DeviceNumber(int position) const { return static_cast<int32_t>(U32(Entry(position) + 4)); }
    std::string Path(int position) const { return reinterpret_cast<const char*>(Entry(position) + 8); }
};

std::string OwnExecutable()
{
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
#else
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
#endif
}

// Runs this test program again with only the named test and the table's
// name in its environment; yields its exit code (-1 when it did not start).
int RunChild(const std::string& test, const std::string& tableName)
{
    std::string exe = OwnExecutable();
    std::string filter = "--gtest_filter=" + test;
#ifdef _WIN32
    SetEnvironmentVariableA(kChildTableVariable, tableName.c_str());
    std::string command = "\"" + exe + "\" " + filter;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildTableVariable, nullptr);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
#else
    std::vector<std::string> variables = {std::string(kChildTableVariable) + "=" + tableName};
    for (char** variable = environ; *variable != nullptr; ++variable)
        variables.emplace_back(*variable);
    std::vector<char*> envp;
    for (auto& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
#endif
}

using SharedTable = SharedTableTest;
using SharedTableWithCameras = CameraTest;
} // namespace

TEST_F(SharedTable, TheAttachCountFollowsTheTransports)
{
    emu::EmulatedPort port(2, UnpacedOptions());
    emu::ScopedDevicePort installed(port);
    EXPECT_EQ(SharedMemory::Open(TableName().c_str(), kTableBytes), nullptr);

    auto first = std::make_unique<CKelCy3Cam>();
    TableView view(TableName());
    ASSERT_NE(view.view, nullptr) << "the first transport created the mapping";
    EXPECT_EQ(view.AttachCount(), 1u);
    EXPECT_EQ(view.EntryCount(), 0u);
    EXPECT_EQ(view.DeviceNumber(0), -1) << "an empty table";

    // Sensor drivers hold the transport as its controller interface; deleting
    // through it ends the whole transport.
    std::unique_ptr<tavix::CControllerBase> controller = std::make_unique<CKelCy3Cam>();
    auto* second = dynamic_cast<CKelCy3Cam*>(controller.get());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(view.AttachCount(), 2u);
    EXPECT_EQ(controller->NotSupported(), 0);

    // Enumeration writes the table through, byte for byte.
    ASSERT_EQ(second->EnumerateDevices(), 2u);
    EXPECT_EQ(view.EntryCount(), 2u);
    EXPECT_EQ(U32(view.Entry(1)), 0x31B404B4u) << "vendor 04b4, product 31b4";
    EXPECT_EQ(view.DeviceNumber(1), 1);
    EXPECT_EQ(view.Path(1), port.Camera(1).InterfacePath());
    EXPECT_EQ(view.AttachCount(), 2u);
    // Both transports of the process answer from the one copy.
    EXPECT_EQ(first->GetEntryPath(1), port.Camera(1).InterfacePath());

    controller.reset();
    EXPECT_EQ(view.AttachCount(), 1u);
    EXPECT_EQ(view.EntryCount(), 2u) << "the table stays while a transport holds it";
    first.reset();
    EXPECT_EQ(view.AttachCount(), 0u);
}

TEST_F(SharedTable, AfterEveryTransportHasGoneTheNextStartsFromAnEmptyTable)
{
    emu::EmulatedPort port(2, UnpacedOptions());
    emu::ScopedDevicePort installed(port);
    {
        CKelCy3Cam cam;
        ASSERT_EQ(cam.EnumerateDevices(), 2u);
        EXPECT_EQ(cam.GetEntryDeviceNumber(1), 1);
    }
    // With the mapping released (Windows) or left with a count of 0 (POSIX).
    for (bool released : {false, true}) {
        SCOPED_TRACE(released ? "mapping released" : "mapping left behind");
        if (released)
            FreshTable();
        port.Camera(0).Unplug();
        CKelCy3Cam cam;
        EXPECT_EQ(cam.GetDeviceCount(), 0u);
        EXPECT_EQ(cam.GetEntryDeviceNumber(0), -1);
        ASSERT_EQ(cam.EnumerateDevices(), 1u);
        EXPECT_EQ(cam.GetEntryPath(0), port.Camera(1).InterfacePath());
        EXPECT_EQ(cam.GetEntryDeviceNumber(0), 0) << "numbers start at 0 again";
        port.Camera(0).Replug();
    }
}

TEST_F(SharedTable, ATableLeftBehindByAUserThatDiedStartsEmpty)
{
    emu::EmulatedPort port(1, UnpacedOptions());
    emu::ScopedDevicePort installed(port);
    {
        // A process that attached three times and died: its count and its
        // entries stay in the region, nobody holds it any more.
        auto region = SharedMemory::Create(TableName().c_str(), kTableBytes);
        ASSERT_NE(region, nullptr);
        auto* bytes = static_cast<uint8_t*>(region->Data());
        const uint32_t attachCount = 3;
        const uint32_t entryCount = 32;
        std::memcpy(bytes, &attachCount, 4);
        std::memset(bytes + 4, 0x5A, kTableBytes - 8);
        std::memcpy(bytes + kTableBytes - 4, &entryCount, 4);
    }
    CKelCy3Cam cam;
    EXPECT_EQ(cam.GetDeviceCount(), 0u) << "the dead user's entries are gone";
    ASSERT_EQ(cam.EnumerateDevices(), 1u);
    EXPECT_EQ(cam.GetEntryDeviceNumber(0), 0);
    TableView view(TableName());
    EXPECT_EQ(view.AttachCount(), 1u);
}

TEST_F(SharedTable, AProcessCopyServesWhenTheMappingCannotBeMade)
{
    emu::EmulatedPort port(2, UnpacedOptions());
    emu::ScopedDevicePort installed(port);
    std::unique_ptr<CKelCy3Cam> cam;
#ifdef _WIN32
    // Another kind of object holds the name: no mapping can have it.
    HANDLE squatter = CreateMutexA(nullptr, FALSE, TableName().c_str());
    ASSERT_NE(squatter, nullptr);
    cam = std::make_unique<CKelCy3Cam>();
#else
    // No descriptor left for the shared memory object. One transport made
    // and gone before lets the sanitizer runtimes set up what they need.
    std::make_unique<CKelCy3Cam>().reset();
    FreshTable();
    rlimit limits{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
    const int lowestFree = open("/dev/null", O_RDONLY);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit tight = limits;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    cam = std::make_unique<CKelCy3Cam>();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limits), 0);
#endif
    EXPECT_EQ(SharedMemory::Open(TableName().c_str(), kTableBytes), nullptr);
    ASSERT_EQ(cam->EnumerateDevices(), 2u);
    EXPECT_EQ(cam->GetEntryDeviceNumber(1), 1);
    EXPECT_EQ(cam->SelectDevice(1), 1);
    EXPECT_EQ(cam->SendRequestC0(), 1);
    cam.reset();
#ifdef _WIN32
    CloseHandle(squatter);
#endif
}

TEST_F(SharedTableWithCameras, ASecondProcessSeesTheNumbersTheFirstGave)
{
    Start({.cameras = 3});
    EXPECT_EQ(RunChild("SharedTableChild.SeesTheNumbersItsParentGave", TableName()), kChildPassed);
    TableView view(TableName());
    ASSERT_NE(view.view, nullptr);
    EXPECT_EQ(view.AttachCount(), 1u) << "the child detached";
}

// Runs only as the child of the test above, whose three cameras the emulator
// here names alike; this process sees only the third.
TEST(SharedTableChild, SeesTheNumbersItsParentGave)
{
    const char* tableName = std::getenv(kChildTableVariable);
    if (tableName == nullptr)
        GTEST_SKIP() << "runs as the child of SharedTableWithCameras.ASecondProcessSeesTheNumbersTheFirstGave";
    tavix::SharedDeviceTable::Instance().SetMappingName(tableName);
    emu::EmulatedPort port(3, UnpacedOptions());
    port.Camera(0).Unplug();
    port.Camera(1).Unplug();
    emu::ScopedDevicePort installed(port);
    {
        CKelCy3Cam cam;
        TableView view(tableName);
        ASSERT_NE(view.view, nullptr);
        EXPECT_EQ(view.AttachCount(), 2u);
        ASSERT_EQ(cam.GetDeviceCount(), 3u);
        for (int position = 0; position < 3; ++position) {
            EXPECT_EQ(cam.GetEntryDeviceNumber(position), position);
            EXPECT_EQ(cam.GetEntryPath(position), port.Camera(position).InterfacePath());
        }
        // Listed again, the one camera there keeps its place and number.
        EXPECT_EQ(cam.EnumerateDevices(), 3u);
        EXPECT_EQ(cam.GetEntryPath(2), port.Camera(2).InterfacePath());
        EXPECT_EQ(cam.GetEntryDeviceNumber(2), 2);
    }
    if (!HasFailure())
        std::exit(kChildPassed);
}

TEST(SharedTableName, IsTheOneEveryProcessOfTheLibraryOpens)
{
    // The real name, shared with whatever else uses the library right now:
    // this only looks and lists nothing; it removes the region only when it
    // was the one to create it and nobody else holds it.
    EXPECT_EQ(tavix::SharedDeviceTable::Instance().MappingName(), "U3Q5-MemMap");
    const bool existed = SharedMemory::Open("U3Q5-MemMap", kTableBytes) != nullptr;
    {
        CKelCy3Cam cam;
        auto view = SharedMemory::Open("U3Q5-MemMap", kTableBytes);
        ASSERT_NE(view, nullptr);
        EXPECT_GE(U32(static_cast<const uint8_t*>(view->Data())), 1u);
    }
    const auto last = SharedMemory::Open("U3Q5-MemMap", kTableBytes);
    if (!existed && last != nullptr && last->OpenedAlone())
        SharedMemory::Remove("U3Q5-MemMap");
}
