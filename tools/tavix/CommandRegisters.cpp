// tavix regs|fpga|eeprom get/set (read/write): single registers of the
// sensor and the FPGA, and bytes of the serial EEPROM.

#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>

#include "CameraSession.h"
#include "Commands.h"
#include "Numbers.h"
#include "ToolErrors.h"

namespace tavix::tool {

namespace {
constexpr int64_t kSensorAddressMax = 0xFFFF; // 16-bit sensor register addresses
constexpr int64_t kSensorValueMax = 0xFF;     // 8-bit sensor registers
constexpr int64_t kFpgaRegisterMax = 0xFF;
constexpr int64_t kFpgaValueMax = 0xFF;       // the library writes the low 8 bits only
constexpr int64_t kEepromAddressMax = 0xFFF;  // what the exports reach
constexpr int64_t kEepromValueMax = 0xFF;

// The arguments of one leaf, as typed.
struct Access {
    std::string address;
    std::string value;
    int count = 1;
    bool confirmed = false;
};

// Opens the camera, runs the access, and maps its failure.
template <typename Body>
int WithCamera(const GlobalOptions& global, Body body)
{
    MessageWindow messages;
    CameraSession session(messages);
    session.Open(global.camera);
    body(session);
    return kExitOk;
}

void PrintValue(const std::string& what, uint64_t address, int addressDigits, uint64_t value, int valueDigits)
{
    std::printf("%s %s = %s (%llu)\n", what.c_str(), Hex(address, addressDigits).c_str(),
                Hex(value, valueDigits).c_str(), static_cast<unsigned long long>(value));
}

CLI::App* Leaf(CLI::App* family, const char* name, const char* description, Access& access, bool takesValue)
{
    CLI::App* leaf = Documented(family->add_subcommand(name, description));
    leaf->add_option("address", access.address, "Address (decimal, or hexadecimal with 0x)")->required();
    if (takesValue)
        leaf->add_option("value", access.value, "Value (decimal, or hexadecimal with 0x)")->required();
    return leaf;
}

CLI::App* Family(CLI::App& app, const char* name, const char* description)
{
    CLI::App* family = Documented(app.add_subcommand(name, description));
    family->require_subcommand(1);
    return family;
}
} // namespace

void AddRegisterCommands(CLI::App& app, const GlobalOptions& global, Commands& commands)
{
    auto a = std::make_shared<Access>();

    CLI::App* regs = Family(app, "regs", "Read or write a sensor register (16-bit address, 8-bit value)");
    commands.push_back({Leaf(regs, "get", "Read a sensor register", *a, false), [&global, a] {
        const auto address = static_cast<uint32_t>(ParseNumber(a->address, 0, kSensorAddressMax, "the address"));
        return WithCamera(global, [&](CameraSession& session) {
            int32_t ok = 0;
            const uint32_t value = Tavix_ReadRegisterEx(session.Handle(), address, &ok);
            if (ok != 1)
                session.Fail("reading sensor register " + Hex(address, 4));
            PrintValue("sensor register", address, 4, value, 2);
        });
    }});
    commands.push_back({Leaf(regs, "set", "Write a sensor register", *a, true), [&global, a] {
        const auto address = static_cast<uint32_t>(ParseNumber(a->address, 0, kSensorAddressMax, "the address"));
        const auto value = static_cast<uint32_t>(ParseNumber(a->value, 0, kSensorValueMax, "the value"));
        return WithCamera(global, [&](CameraSession& session) {
            session.Check(Tavix_WriteRegisterEx(session.Handle(), address, value),
                          "writing sensor register " + Hex(address, 4));
            PrintValue("wrote sensor register", address, 4, value, 2);
        });
    }});

    CLI::App* fpga = Family(app, "fpga", "Read or write an FPGA register (8-bit register, 8-bit value)");
    commands.push_back({Leaf(fpga, "get", "Read an FPGA register", *a, false), [&global, a] {
        const auto reg = static_cast<uint8_t>(ParseNumber(a->address, 0, kFpgaRegisterMax, "the register"));
        return WithCamera(global, [&](CameraSession& session) {
            int32_t ok = 0;
            const uint32_t value = Tavix_Fpga_ReadRegister(session.Handle(), reg, &ok);
            if (ok != 1)
                session.Fail("reading FPGA register " + Hex(reg, 2));
            PrintValue("FPGA register", reg, 2, value, 4);
        });
    }});
    commands.push_back({Leaf(fpga, "set", "Write an FPGA register", *a, true), [&global, a] {
        const auto reg = static_cast<uint8_t>(ParseNumber(a->address, 0, kFpgaRegisterMax, "the register"));
        const auto value = static_cast<uint16_t>(ParseNumber(a->value, 0, kFpgaValueMax, "the value"));
        return WithCamera(global, [&](CameraSession& session) {
            session.Check(Tavix_Fpga_WriteRegister(session.Handle(), reg, value), "writing FPGA register " + Hex(reg, 2));
            PrintValue("wrote FPGA register", reg, 2, value, 4);
        });
    }});

    CLI::App* eeprom = Family(app, "eeprom", "Read or write bytes of the camera's serial EEPROM (0x000 to 0xFFF)");
    CLI::App* read = Leaf(eeprom, "read", "Read EEPROM bytes", *a, false);
    read->add_option("--count", a->count, "How many bytes")->check(CLI::Range(1, 4096))->capture_default_str();
    commands.push_back({read, [&global, a] {
        const int64_t first = ParseNumber(a->address, 0, kEepromAddressMax, "the address");
        if (first + a->count - 1 > kEepromAddressMax)
            throw UsageError("--count " + std::to_string(a->count) + " reads past 0xFFF");
        return WithCamera(global, [&](CameraSession& session) {
            for (int64_t address = first; address < first + a->count; ++address) {
                int32_t ok = 0;
                const uint32_t value = Tavix_ReadSromID(session.Handle(), static_cast<uint16_t>(address), &ok);
                if (ok != 1)
                    session.Fail("reading EEPROM byte " + Hex(static_cast<uint64_t>(address), 3));
                PrintValue("eeprom", static_cast<uint64_t>(address), 3, value, 2);
            }
        });
    }});
    CLI::App* write = Leaf(eeprom, "write", "Write an EEPROM byte (needs --yes)", *a, true);
    write->add_flag("--yes", a->confirmed, "Confirm the write: the EEPROM keeps the camera's identity");
    commands.push_back({write, [&global, a] {
        const auto address = static_cast<uint32_t>(ParseNumber(a->address, 0, kEepromAddressMax, "the address"));
        const auto value = static_cast<uint32_t>(ParseNumber(a->value, 0, kEepromValueMax, "the value"));
        if (!a->confirmed)
            throw UsageError("writing the EEPROM changes the camera for good: add --yes to confirm");
        return WithCamera(global, [&](CameraSession& session) {
            const std::string where = "EEPROM byte " + Hex(address, 3);
            session.Check(Tavix_WriteSromID(session.Handle(), address, value), "writing " + where);
            // The library answers 1 even when the byte did not keep the value:
            // only reading it back tells.
            int32_t ok = 0;
            const uint32_t stored = Tavix_ReadSromID(session.Handle(), static_cast<uint16_t>(address), &ok);
            if (ok != 1)
                session.Fail("reading back " + where);
            if (stored != value)
                throw CameraFailure(where + " reads " + Hex(stored, 2) + " after writing " + Hex(value, 2));
            PrintValue("wrote eeprom", address, 3, value, 2);
        });
    }});
}

} // namespace tavix::tool
